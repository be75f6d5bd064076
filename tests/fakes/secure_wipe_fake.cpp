#include "fakes/secure_wipe_fake.h"

#include <cstring>
#include <mutex>

#include "support/checked_alloc.h"
#include "support/secure_wipe.h"

namespace quillon {
namespace {

std::mutex recordLock;
bool recording = false;
std::vector<std::size_t>& Record() {
    static std::vector<std::size_t> record;
    return record;
}

}  // namespace

namespace test {

void RecordWipedReleases() {
    std::lock_guard<std::mutex> guard(recordLock);
    Record().clear();
    recording = true;
}

std::vector<std::size_t> WipedReleases() {
    std::lock_guard<std::mutex> guard(recordLock);
    recording = false;
    return Record();
}

}  // namespace test

namespace support {

void SecureWipe(void* block, std::size_t size) {
    if (block == nullptr || size == 0) return;
    std::memset(block, 0, size);
    __asm__ __volatile__("" : : "r"(block) : "memory");
}

void WipeAndRelease(void* block, std::size_t size) {
    if (block == nullptr) return;
    SecureWipe(block, size);
    {
        std::lock_guard<std::mutex> guard(recordLock);
        if (recording) Record().push_back(size);
    }
    Release(block);
}

}  // namespace support
}  // namespace quillon
