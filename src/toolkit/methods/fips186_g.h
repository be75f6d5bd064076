// The SHA-1 based G function of FIPS 186-2 (appendix 3.3) and the XKEY step the two random
// generators share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::toolkit::methods {

// x = G(t, c): one SHA-1 compression, from the standard initial value, of the 64-byte block made
// of c (length bytes, at most 64) followed by zeros, with no length padding; the five result
// words big-endian.
void Fips186G(const std::uint8_t* c, std::size_t length, std::uint8_t x[20]);

// key = (1 + key + x) mod 2^(8 length), byte-wise from the last byte with carry; x (20 bytes,
// big-endian) is added at the low end.
void Fips186AdvanceKey(std::uint8_t* key, std::size_t length, const std::uint8_t x[20]);

}  // namespace quillon::toolkit::methods
