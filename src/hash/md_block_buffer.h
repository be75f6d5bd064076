// The input side of the Merkle-Damgard hashes with 64-byte blocks (MD5, SHA-1): a partial block
// kept between updates, whole blocks handed to the compression function straight from the
// caller's data, and the final padding (0x80, zeros, then the message length in bits in the
// last eight bytes of the last block; big-endian for SHA-1, little-endian for MD5).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "support/byte_order.h"

namespace quillon::hash {

inline constexpr std::size_t kMdBlockLength = 64;

struct MdBlockBuffer {
    std::uint64_t totalLength;   // bytes taken since the start
    std::uint32_t bufferLength;  // bytes waiting in buffer, always below a block
    std::uint8_t buffer[kMdBlockLength];
};

enum class MdLengthOrder { kBigEndian, kLittleEndian };

inline void MdStart(MdBlockBuffer& input) {
    input.totalLength = 0;
    input.bufferLength = 0;
}

// Takes length bytes; compress(blocks, count) runs the compression function over count whole
// blocks.
template <typename Compress>
void MdUpdate(MdBlockBuffer& input, const std::uint8_t* data, std::size_t length,
              Compress&& compress) {
    if (length == 0) return;
    input.totalLength += length;
    if (input.bufferLength != 0) {
        const std::size_t take = std::min(length, kMdBlockLength - input.bufferLength);
        std::memcpy(input.buffer + input.bufferLength, data, take);
        input.bufferLength += static_cast<std::uint32_t>(take);
        data += take;
        length -= take;
        if (input.bufferLength < kMdBlockLength) return;
        compress(input.buffer, std::size_t{1});
        input.bufferLength = 0;
    }
    if (length >= kMdBlockLength) {
        const std::size_t blocks = length / kMdBlockLength;
        compress(data, blocks);
        data += blocks * kMdBlockLength;
        length -= blocks * kMdBlockLength;
    }
    if (length != 0) {
        std::memcpy(input.buffer, data, length);
        input.bufferLength = static_cast<std::uint32_t>(length);
    }
}

// Pads the message and compresses the last block or two; the buffer must be started again
// before reuse.
template <typename Compress>
void MdFinish(MdBlockBuffer& input, MdLengthOrder order, Compress&& compress) {
    std::uint8_t* buffer = input.buffer;
    std::uint32_t used = input.bufferLength;
    buffer[used++] = 0x80;
    if (used > kMdBlockLength - 8) {
        std::memset(buffer + used, 0, kMdBlockLength - used);
        compress(buffer, std::size_t{1});
        used = 0;
    }
    std::memset(buffer + used, 0, kMdBlockLength - 8 - used);
    const std::uint64_t bits = input.totalLength * 8;
    if (order == MdLengthOrder::kBigEndian) {
        support::StoreBigEndian64(buffer + kMdBlockLength - 8, bits);
    } else {
        support::StoreLittleEndian64(buffer + kMdBlockLength - 8, bits);
    }
    compress(buffer, std::size_t{1});
}

}  // namespace quillon::hash
