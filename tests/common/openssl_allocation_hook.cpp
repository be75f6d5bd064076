#include "common/openssl_allocation_hook.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "support/checked_alloc.h"

namespace quillon::test {
namespace {

// Each libcrypto block starts with its size; the header keeps the caller's part 16-byte aligned.
constexpr std::size_t kHeader = 16;

FreedBlockRecorder* recorder = nullptr;

void* HookMalloc(std::size_t size, const char*, int) {
    auto* raw = static_cast<unsigned char*>(support::Allocate(size + kHeader));
    if (raw == nullptr) return nullptr;
    std::memcpy(raw, &size, sizeof size);
    return raw + kHeader;
}

std::size_t SizeOf(const void* block) {
    std::size_t size = 0;
    std::memcpy(&size, static_cast<const unsigned char*>(block) - kHeader, sizeof size);
    return size;
}

void HookFree(void* block, const char*, int) {
    if (block != nullptr) support::Release(static_cast<unsigned char*>(block) - kHeader);
}

void* HookRealloc(void* block, std::size_t size, const char* file, int line) {
    if (block == nullptr) return HookMalloc(size, file, line);
    if (size == 0) {
        HookFree(block, file, line);
        return nullptr;
    }
    void* grown = HookMalloc(size, file, line);
    if (grown == nullptr) return nullptr;
    std::memcpy(grown, block, std::min(size, SizeOf(block)));
    HookFree(block, file, line);
    return grown;
}

}  // namespace

bool InstallOpensslAllocationHook() {
    return CRYPTO_set_mem_functions(HookMalloc, HookRealloc, HookFree) == 1;
}

void FreedBlockRecorder::Made(const void* block, std::size_t size) {
    // A block starts empty, so what is found in it at its release was written by the code under
    // test, not left on the heap by what freed that memory before (the fixtures' own key
    // encodings, say).
    std::memset(const_cast<void*>(block), 0, size);
    recorder->live_[block] = size;
}

void FreedBlockRecorder::Releasing(const void* block) {
    const auto found = recorder->live_.find(block);
    if (found == recorder->live_.end()) return;
    recorder->bytes_.append(static_cast<const char*>(block), found->second);
    ++recorder->blocks_;
    recorder->live_.erase(found);
}

FreedBlockRecorder::FreedBlockRecorder() {
    static constexpr support::AllocationObserver kObserver = {Made, Releasing};
    recorder = this;
    support::ObserveAllocations(&kObserver);
}

FreedBlockRecorder::~FreedBlockRecorder() {
    support::ObserveAllocations(nullptr);
    recorder = nullptr;
}

bool FreedBlockRecorder::Holds(std::span<const std::uint8_t> secret) const {
    constexpr std::size_t kWindow = 16;
    const std::string forward(reinterpret_cast<const char*>(secret.data()), secret.size());
    const std::string backward(forward.rbegin(), forward.rend());
    for (const std::string* order : {&forward, &backward}) {
        for (std::size_t at = 0; at + kWindow <= order->size(); at += 8) {
            if (bytes_.find(std::string_view(*order).substr(at, kWindow)) != std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace quillon::test
