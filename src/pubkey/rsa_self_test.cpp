#include "pubkey/rsa_self_test.h"

#include <cstdint>
#include <cstring>

#include "quillon.h"

namespace quillon::pubkey {
namespace {

constexpr std::uint32_t kModulusBits = 1024;
constexpr char kText[] = "0123456789ABCDEF";
constexpr std::uint32_t kTextLength = sizeof kText - 1;
constexpr std::uint32_t kCapacity = 1024;

}  // namespace

int RsaSelfTest() {
    KeyHandle* publicKey = nullptr;
    KeyHandle* privateKey = nullptr;
    if (RsaGenerateKeyPair(&publicKey, &privateKey, kModulusBits) != 0) return 0;
    std::uint8_t signature[kCapacity + 1] = {};
    std::uint8_t recovered[kCapacity + 1] = {};
    int passed = 0;
    std::uint32_t left = kCapacity;
    if (RsaEncrypt(privateKey, reinterpret_cast<const std::uint8_t*>(kText), kTextLength, signature,
                   &left) == 0) {
        const std::uint32_t signatureLength = kCapacity - left;
        left = kCapacity;
        // The recovered data must be the text itself, not merely agree with it over however
        // many bytes came back: an empty or shortened result is a failure.
        if (RsaPublicDecrypt(publicKey, signature, signatureLength, recovered, &left) == 0) {
            passed =
                kCapacity - left == kTextLength && std::memcmp(recovered, kText, kTextLength) == 0;
        }
    }
    RsaDestroyKey(&publicKey);
    RsaDestroyKey(&privateKey);
    return passed;
}

}  // namespace quillon::pubkey
