// Parameter records of the random-generator kinds.
#pragma once

#include <cstdint>

#include "toolkit/item.h"

namespace quillon::toolkit {

// InfoRandomFips186 (a null record means both Items empty).
struct RandomFips186Params {
    // Seed material the generator starts with, as if given to the first AlgRandomUpdate.
    Item seed;
    // The seed key: empty (XKEY starts at zero, 160 bits) or 20 to 64 bytes, the starting XKEY
    // of that many bytes (b = 8 x length bits). Any other length is refused with kBadParameters.
    Item key;
};

// InfoRandomMultiStream (a null record means one stream).
struct RandomMultiStreamParams {
    std::uint32_t streamCount;  // 1 to kMaxRandomStreams
};

inline constexpr std::uint32_t kMaxRandomStreams = 8;

}  // namespace quillon::toolkit
