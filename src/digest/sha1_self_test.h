// The SHA-1 known-answer test of the power-up self-tests.
#pragma once

namespace quillon::digest {

// The FIPS 180 messages (empty, "abc", the 56-byte message) through Sha1Create, DigestUpdate and
// Sha1Final. 1 when all three digests match, 0 at the first that does not (or whose handle could
// not be allocated).
[[nodiscard]] int Sha1SelfTest();

}  // namespace quillon::digest
