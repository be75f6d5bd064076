#include "cipher/des_modes.h"

#include <cstring>

#include "des/des_engine.h"
#include "des/des_round_keys.h"
#include "support/secure_wipe.h"

namespace quillon::cipher {
namespace {

constexpr std::size_t kBlock = 8;

// Whole blocks in place; a partial last block goes through a block of its own: zero-padded and
// written whole on encryption, read whole and written in part on decryption. The chaining value
// ends as the last ciphertext block either way.
void Cbc(bool encrypt, const des::RoundKeys& keys, std::uint8_t* data, std::size_t length,
         std::uint8_t* iv) {
    const des::ModeSet& modes = des::ServingModes();
    const auto run = encrypt ? modes.cbcEncrypt : modes.cbcDecrypt;
    const std::size_t whole = length / kBlock;
    if (whole != 0) run(keys, data, whole, iv);
    const std::size_t rest = length % kBlock;
    if (rest == 0) return;
    std::uint8_t* const last = data + whole * kBlock;
    std::uint8_t block[kBlock] = {};
    std::memcpy(block, last, encrypt ? rest : kBlock);
    run(keys, block, 1, iv);
    std::memcpy(last, block, encrypt ? kBlock : rest);
    support::SecureWipe(block, sizeof block);
}

void PrepareAndRun(bool encrypt, bool triple, std::uint8_t* data, std::size_t length,
                   const std::uint8_t* key, std::uint8_t* iv) {
    des::RoundKeys keys;
    des::PrepareKeys(key, triple, encrypt, keys);
    Cbc(encrypt, keys, data, length, iv);
    support::SecureWipe(&keys, sizeof keys);
}

}  // namespace

void DesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
            std::uint8_t* iv) {
    PrepareAndRun(encrypt, false, data, length, key, iv);
}

void TripleDesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
                  std::uint8_t* iv) {
    PrepareAndRun(encrypt, true, data, length, key, iv);
}

}  // namespace quillon::cipher
