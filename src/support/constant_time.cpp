#include "support/constant_time.h"

#if defined(QUILLON_HAVE_MEMCHECK)
#include <valgrind/memcheck.h>
#endif

namespace quillon::support {

bool ConstantTimeEqual(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    if (a.size() != b.size()) return false;
    std::uint32_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= a[i] ^ b[i];
    return ConstantTimeEqualMask(difference, 0) != 0;
}

void ConstantTimeDeclassify([[maybe_unused]] const void* data, [[maybe_unused]] std::size_t size) {
#if defined(QUILLON_HAVE_MEMCHECK)
    // A client request is a few no-op instructions when no Valgrind tool runs the program.
    (void)VALGRIND_MAKE_MEM_DEFINED(data, size);
#endif
}

}  // namespace quillon::support
