// The fixed RSA signature test of the power-up self-tests.
#pragma once

namespace quillon::pubkey {

// A fixed 1024-bit public key (RsaCreatePublicKey) and a fixed PKCS #1 v1.5 SHA-1 signature of a
// fixed 128-byte message: passes (1) when the SHA-1 of the message (Sha1Create, DigestUpdate,
// Sha1Final) occurs within what RsaPublicDecrypt recovers from the signature. 0 when anything
// fails, an allocation included.
[[nodiscard]] int RsaSignatureSelfTest();

}  // namespace quillon::pubkey
