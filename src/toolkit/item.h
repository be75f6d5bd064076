// The toolkit's byte string. Big integers in an Item are unsigned and big-endian, with no sign
// byte.
#pragma once

#include <cstdint>

namespace quillon::toolkit {

struct Item {
    std::uint8_t* data;
    std::uint32_t length;
};

}  // namespace quillon::toolkit
