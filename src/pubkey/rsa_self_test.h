// The RSA key-pair test of the power-up self-tests.
#pragma once

namespace quillon::pubkey {

// Generates a 1024-bit key pair, signs "0123456789ABCDEF" with RsaEncrypt (private key) and
// recovers it with RsaPublicDecrypt (public key). 1 when exactly those 16 bytes come back, 0
// when anything fails or differs. Both keys are destroyed in every case.
[[nodiscard]] int RsaSelfTest();

}  // namespace quillon::pubkey
