// DES and three-key triple-DES in CBC mode, in place, in constant time: no branch or memory
// address depends on the keys or the data. The round keys live on the stack for one call and
// are wiped before it returns. The rounds run on the module's serving DES engine (des_engine.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::cipher {

// length bytes of data, worked in place; a partial last block is zero-padded and written whole
// on encryption (up to 7 bytes past length), read whole and written in part on decryption.
// iv (8 bytes) ends holding the last ciphertext block. Parity bits of the keys are ignored and
// weak keys accepted. key: 8 bytes for DES; 24 bytes K1 K2 K3 for triple-DES, which encrypts
// as E(K3, D(K2, E(K1, x))).
void DesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
            std::uint8_t* iv);
void TripleDesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
                  std::uint8_t* iv);

}  // namespace quillon::cipher
