#include "pubkey/rsa_signature_self_test.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "quillon.h"
#include "support/hex.h"
#include "support/secure_buffer.h"

namespace quillon::pubkey {
namespace {

// Made once with the openssl command:
//   openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out key.pem
//   openssl rand 128 > message.bin
//   openssl dgst -sha1 -sign key.pem -out signature.bin message.bin
//   openssl rsa -in key.pem -noout -modulus; xxd -p message.bin; xxd -p signature.bin
// The exponent is the key's 65537 as a 128-byte big-endian field. The private key was not kept.
constexpr char kModulus[] =
    "AD4E7F2D86F60D4A275E857AD7E41EA89E602C579B67CB9E5D0E5AEDD256A824"
    "26B66F5D256BC00185B9ED0B407B2FCA6B7A7E7DA597A94DE9B7771527859968"
    "E91842958A9BBFFAC4255F6853984AB44F5F04342AE953BBE0BBCC923F2F6251"
    "84DEC88318AA0853DDF49A4FA4815AD7B5E7C6BF88B48D9CBD0585528CC1AA89";
constexpr char kExponent[] =
    "0000000000000000000000000000000000000000000000000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000010001";
constexpr char kMessage[] =
    "F6C9CFD2F792E9FBB2E40E623BF1B0756032017159ED2B243801A03CC5529B37"
    "16489BBA004051C98A10FF8BF7466E0607F554DDB13ABA3D1B510665DA381053"
    "A856F12A0631BD7DEEBA1A7408263C7257711186ACA75DA2421799F7BBB815F7"
    "2C85E7E86D49827E85E03ABCDB8FFA7F2CC769E78ED03761C995AAF4DCAC0919";
constexpr char kSignature[] =
    "063AD82EDF64CCA01A9C374720862426768DE6D071DE2FEF6ED19AA4557F3320"
    "255700BF164007377390EE9192431229E9DE60955A75CE269D6A07FE6B76308B"
    "E09A11B84B56597636FE3A52C5D41033EA95D14FA9E5ED9304825C76959D9A35"
    "627214D9506CAAA57CD2738F9CBCD89C83F571C4CA01E545A5FF1A7AF7A83AB6";

constexpr std::uint32_t kFieldBytes = 128;
constexpr std::uint32_t kBufferBytes = 256;
constexpr std::uint32_t kRecoveredCapacity = 4096;
constexpr std::uint32_t kSha1Bytes = 20;

bool Decode(std::string_view text, std::uint8_t* out) {
    return out != nullptr && support::HexDecode(text, {out, kBufferBytes});
}

bool Contains(const std::uint8_t* data, std::uint32_t length, const std::uint8_t* wanted,
              std::uint32_t wantedLength) {
    for (std::uint32_t at = 0; at + wantedLength <= length; ++at) {
        if (std::memcmp(data + at, wanted, wantedLength) == 0) return true;
    }
    return false;
}

}  // namespace

int RsaSignatureSelfTest() {
    std::uint8_t modulus[kBufferBytes];
    std::uint8_t exponent[kBufferBytes];
    support::SecureBuffer message = support::SecureBuffer::Zeroed(kBufferBytes);
    support::SecureBuffer signature = support::SecureBuffer::Zeroed(kBufferBytes);
    if (!Decode(kModulus, modulus) || !Decode(kExponent, exponent) ||
        !Decode(kMessage, message.data()) || !Decode(kSignature, signature.data())) {
        return 0;
    }
    KeyHandle* key = nullptr;
    if (RsaCreatePublicKey(&key, modulus, kFieldBytes, exponent, kFieldBytes) != 0) return 0;

    int passed = 0;
    DigestHandle* digest = nullptr;
    std::uint8_t expected[kSha1Bytes];
    Sha1Create(&digest);
    support::SecureBuffer recovered = support::SecureBuffer::Zeroed(kRecoveredCapacity);
    if (digest != nullptr && recovered.ok()) {
        DigestUpdate(&digest, message.data(), kFieldBytes);
        Sha1Final(expected, &digest);
        std::uint32_t left = kRecoveredCapacity;
        if (RsaPublicDecrypt(key, signature.data(), kFieldBytes, recovered.data(), &left) == 0) {
            passed = Contains(recovered.data(), kRecoveredCapacity - left, expected, kSha1Bytes);
        }
    }
    Sha1Final(expected, &digest);  // releases a handle still open; an empty one is ignored
    RsaDestroyKey(&key);
    return passed;
}

}  // namespace quillon::pubkey
