#include "cipher/des_modes.h"

#include <openssl/des.h>

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

}  // namespace

void DesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
            std::uint8_t* iv) {
    DES_key_schedule schedule;
    DES_set_key_unchecked(AsBlock(key), &schedule);
    DES_ncbc_encrypt(data, data, static_cast<long>(length), &schedule, AsBlock(iv),
                     encrypt ? DES_ENCRYPT : DES_DECRYPT);
    support::SecureWipe(&schedule, sizeof schedule);
}

void TripleDesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
                  std::uint8_t* iv) {
    DES_key_schedule schedules[3];
    DES_set_key_unchecked(AsBlock(key), &schedules[0]);
    DES_set_key_unchecked(AsBlock(key + 8), &schedules[1]);
    DES_set_key_unchecked(AsBlock(key + 16), &schedules[2]);
    DES_ede3_cbc_encrypt(data, data, static_cast<long>(length), &schedules[0], &schedules[1],
                         &schedules[2], AsBlock(iv), encrypt ? DES_ENCRYPT : DES_DECRYPT);
    support::SecureWipe(schedules, sizeof schedules);
}

}  // namespace quillon::cipher
