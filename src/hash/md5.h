// MD5 (RFC 1321): the digest engine behind the MD5 method.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/md_block_buffer.h"

namespace quillon::hash {

inline constexpr std::size_t kMd5DigestLength = 16;
inline constexpr std::size_t kMd5BlockLength = hash::kMdBlockLength;

struct Md5Context {
    std::uint32_t state[4];
    hash::MdBlockBuffer input;
};

void Md5Init(Md5Context& context);
void Md5Update(Md5Context& context, const std::uint8_t* data, std::size_t length);
// Writes the 16-byte digest; the context must be initialised again before reuse.
void Md5Final(Md5Context& context, std::uint8_t* digest);

// The compression function over count whole 64-byte blocks.
void Md5Compress(std::uint32_t state[4], const std::uint8_t* blocks, std::size_t count);

}  // namespace quillon::hash
