// The HMAC known-answer test of the power-up self-tests.
#pragma once

namespace quillon::digest {

// HMAC-SHA-1 of FIPS 198 appendix A example 2 through HmacInit / HmacUpdate / HmacFinal.
// 1 when every vector matches, 0 at the first that does not.
[[nodiscard]] int HmacSelfTest();

}  // namespace quillon::digest
