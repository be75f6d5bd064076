// The DES methods: one block at a time through the module's DES engine (des/), in constant time,
// behind the block-cipher primitive table. The context holds the round keys, in the order the
// method's direction runs them; the toolkit wipes it with the object. Parity bits are ignored.
#include <cstring>

#include "des/des_engine.h"
#include "des/des_round_keys.h"
#include "toolkit/methods/methods.h"

namespace quillon::toolkit::methods {
namespace {

template <bool kEncrypt>
MethodStatus DesSetKey(void* context, const std::uint8_t* key, std::uint32_t length) {
    if (length != 8) return method::kLengthOutOfRange;
    des::PrepareKeys(key, false, kEncrypt, *static_cast<des::RoundKeys*>(context));
    return method::kOk;
}

// The keys' order makes the direction; out may be in.
void DesBlock(const void* context, std::uint8_t* out, const std::uint8_t* in) {
    std::memmove(out, in, 8);
    des::ServingModes().ecb(*static_cast<const des::RoundKeys*>(context), out, 1);
}

constexpr BlockCipherPrimitives kDesEncrypt = {8, 8, sizeof(des::RoundKeys), DesSetKey<true>,
                                               DesBlock};
constexpr BlockCipherPrimitives kDesDecrypt = {8, 8, sizeof(des::RoundKeys), DesSetKey<false>,
                                               DesBlock};

}  // namespace

constinit const Method kDesEncryptMethod = {InfoDes, kEncryptSide, KeyInfoDes, &kDesEncrypt};
constinit const Method kDesDecryptMethod = {InfoDes, kDecryptSide, KeyInfoDes, &kDesDecrypt};

}  // namespace quillon::toolkit::methods
