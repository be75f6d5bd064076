#include "support/secure_wipe.h"

#include <cstring>

#include "support/checked_alloc.h"

namespace quillon::support {

void SecureWipe(void* block, std::size_t size) {
    if (block == nullptr || size == 0) return;
    std::memset(block, 0, size);
    // The empty asm claims to read the memory, so the stores above must happen.
    __asm__ __volatile__("" : : "r"(block) : "memory");
}

void WipeAndRelease(void* block, std::size_t size) {
    if (block == nullptr) return;
    SecureWipe(block, size);
    Release(block);
}

}  // namespace quillon::support
