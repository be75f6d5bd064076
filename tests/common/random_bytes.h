// Random test inputs from a seeded generator, so a failing differential case can be replayed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

#include "common/vector_file.h"

namespace quillon::test {

[[nodiscard]] inline Bytes RandomBytes(std::mt19937& random, std::size_t size) {
    Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

}  // namespace quillon::test
