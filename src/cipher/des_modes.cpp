#include "cipher/des_modes.h"

#include <openssl/des.h>

#include <cstring>

#include "support/secure_wipe.h"

namespace quillon::cipher {
namespace {

DES_cblock* AsBlock(std::uint8_t* bytes) {
    return reinterpret_cast<DES_cblock*>(bytes);
}
// OpenSSL's const_DES_cblock has lost its const; the key setup only reads the block.
const_DES_cblock* AsBlock(const std::uint8_t* bytes) {
    return reinterpret_cast<const_DES_cblock*>(const_cast<std::uint8_t*>(bytes));
}

// Decryption in place with a partial last block read whole and written in part. OpenSSL's x86
// assembly writes past such a block (its C code does not), so whole blocks go to the routine in
// place and the last part through a block of its own; the chaining value ends as the last
// ciphertext block either way.
template <typename Routine>
void DecryptInPlace(std::uint8_t* data, std::size_t length, std::uint8_t* iv, Routine decrypt) {
    const std::size_t whole = length - length % 8;
    if (whole != 0) decrypt(data, whole, iv);
    if (whole == length) return;
    std::uint8_t last[8];
    std::memcpy(last, data + whole, sizeof last);
    decrypt(last, sizeof last, iv);
    std::memcpy(data + whole, last, length - whole);
    support::SecureWipe(last, sizeof last);
}

}  // namespace

void DesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
            std::uint8_t* iv) {
    DES_key_schedule schedule;
    DES_set_key_unchecked(AsBlock(key), &schedule);
    const auto run = [&schedule, encrypt](std::uint8_t* bytes, std::size_t count,
                                          std::uint8_t* chain) {
        DES_ncbc_encrypt(bytes, bytes, static_cast<long>(count), &schedule, AsBlock(chain),
                         encrypt ? DES_ENCRYPT : DES_DECRYPT);
    };
    if (encrypt) {
        run(data, length, iv);
    } else {
        DecryptInPlace(data, length, iv, run);
    }
    support::SecureWipe(&schedule, sizeof schedule);
}

void TripleDesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
                  std::uint8_t* iv) {
    DES_key_schedule schedules[3];
    DES_set_key_unchecked(AsBlock(key), &schedules[0]);
    DES_set_key_unchecked(AsBlock(key + 8), &schedules[1]);
    DES_set_key_unchecked(AsBlock(key + 16), &schedules[2]);
    const auto run = [&schedules, encrypt](std::uint8_t* bytes, std::size_t count,
                                           std::uint8_t* chain) {
        DES_ede3_cbc_encrypt(bytes, bytes, static_cast<long>(count), &schedules[0], &schedules[1],
                             &schedules[2], AsBlock(chain), encrypt ? DES_ENCRYPT : DES_DECRYPT);
    };
    if (encrypt) {
        run(data, length, iv);
    } else {
        DecryptInPlace(data, length, iv, run);
    }
    support::SecureWipe(schedules, sizeof schedules);
}

}  // namespace quillon::cipher
