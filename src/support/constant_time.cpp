#include "support/constant_time.h"

namespace quillon::support {

bool ConstantTimeEqual(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    if (a.size() != b.size()) return false;
    std::uint32_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= a[i] ^ b[i];
    return ConstantTimeEqualMask(difference, 0) != 0;
}

}  // namespace quillon::support
