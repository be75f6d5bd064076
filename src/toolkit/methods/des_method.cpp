// The DES methods: OpenSSL's DES block function behind the block-cipher primitive table (the one
// place besides the DES exports where the module calls OpenSSL). Parity bits are ignored.
#include <openssl/des.h>

#include "toolkit/methods/methods.h"

namespace quillon::toolkit::methods {
namespace {

struct DesState {
    DES_key_schedule schedule;
};

MethodStatus DesSetKey(void* context, const std::uint8_t* key, std::uint32_t length) {
    if (length != 8) return method::kLengthOutOfRange;
    // const_DES_cblock is not const in OpenSSL's headers; the key is only read.
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(const_cast<std::uint8_t*>(key)),
                          &static_cast<DesState*>(context)->schedule);
    return method::kOk;
}

template <int kDirection>
void DesBlock(const void* context, std::uint8_t* out, const std::uint8_t* in) {
    // DES_ecb_encrypt only reads the schedule.
    auto* state = const_cast<DesState*>(static_cast<const DesState*>(context));
    DES_ecb_encrypt(reinterpret_cast<const_DES_cblock*>(const_cast<std::uint8_t*>(in)),
                    reinterpret_cast<DES_cblock*>(out), &state->schedule, kDirection);
}

constexpr BlockCipherPrimitives kDesEncrypt = {8, 8, sizeof(DesState), DesSetKey,
                                               DesBlock<DES_ENCRYPT>};
constexpr BlockCipherPrimitives kDesDecrypt = {8, 8, sizeof(DesState), DesSetKey,
                                               DesBlock<DES_DECRYPT>};

}  // namespace

constinit const Method kDesEncryptMethod = {InfoDes, kEncryptSide, KeyInfoDes, &kDesEncrypt};
constinit const Method kDesDecryptMethod = {InfoDes, kDecryptSide, KeyInfoDes, &kDesDecrypt};

}  // namespace quillon::toolkit::methods
