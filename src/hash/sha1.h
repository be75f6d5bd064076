// SHA-1 (FIPS 180-4): the digest engine behind the SHA-1 method, and the raw compression function
// that the FIPS 186 generators build their G function from.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/md_block_buffer.h"

namespace quillon::hash {

inline constexpr std::size_t kSha1DigestLength = 20;
inline constexpr std::size_t kSha1BlockLength = hash::kMdBlockLength;
inline constexpr std::uint32_t kSha1InitialState[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu,
                                                       0x10325476u, 0xC3D2E1F0u};

struct Sha1Context {
    std::uint32_t state[5];
    hash::MdBlockBuffer input;
};

void Sha1Init(Sha1Context& context);
void Sha1Update(Sha1Context& context, const std::uint8_t* data, std::size_t length);
// Writes the 20-byte digest; the context must be initialised again before reuse.
void Sha1Final(Sha1Context& context, std::uint8_t* digest);

// The compression function over count whole 64-byte blocks, no padding, no length. Uses the
// processor's SHA instructions when it has them.
void Sha1Compress(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);

// The two implementations behind Sha1Compress, for tests and benchmarks.
void Sha1CompressGeneric(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
[[nodiscard]] bool Sha1HasShaInstructions();
// Only when Sha1HasShaInstructions() is true.
void Sha1CompressShaInstructions(std::uint32_t state[5], const std::uint8_t* blocks,
                                 std::size_t count);

}  // namespace quillon::hash
