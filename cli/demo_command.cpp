// quillon demo: a short tour of the interface — AES-CBC, digests, HMAC, a Diffie-Hellman
// agreement and an RSA signature block — each checked as it goes.
#include <cstring>
#include <string_view>

#include "command_line.h"
#include "commands.h"
#include "quillon.h"

namespace quillon::cli {
namespace {

void PrintHex(const char* label, const uint8_t* bytes, size_t size) {
    std::printf("  %-11s %s\n", label, HexText(bytes, size).c_str());
}

const char* Verdict(bool ok) {
    return ok ? "ok" : "FAILED";
}

bool AesCbcRoundTrip() {
    const uint8_t key[32] = "demonstration key, 256 bits....";
    static constexpr char kMessage[] = "Quillon encrypts this sentence in CBC mode, in place!";
    char message[sizeof kMessage];
    std::memcpy(message, kMessage, sizeof kMessage);
    const uint32_t length = static_cast<uint32_t>(std::strlen(message));
    uint8_t iv[16] = {}, iv2[16] = {};
    AesOwner encryption, decryption;
    if (AesCreateContext(encryption.Receive(), 0, 256, key) != 0 ||
        AesCreateContext(decryption.Receive(), 1, 256, key) != 0) {
        std::printf("AES-256-CBC: cannot create the contexts\n");
        return false;
    }
    std::printf("AES-256-CBC round trip (whole blocks; the tail of %u bytes stays as it is)\n",
                length % 16);
    std::printf("  plaintext   %s\n", message);
    AesCbcCrypt(1, reinterpret_cast<uint8_t*>(message), length, encryption.Cell(), iv);
    PrintHex("ciphertext", reinterpret_cast<uint8_t*>(message), length - length % 16);
    PrintHex("chain IV", iv, 16);
    AesCbcCrypt(0, reinterpret_cast<uint8_t*>(message), length, decryption.Cell(), iv2);
    std::printf("  decrypted   %s\n", message);
    const bool same = std::strcmp(message, kMessage) == 0;
    std::printf("  round trip: %s\n", Verdict(same));
    return same;
}

// MD5 and SHA-1 of "abc" beside their published values (RFC 1321, FIPS 180).
bool Digests() {
    static constexpr std::string_view kAbc = "abc";
    const auto* abc = reinterpret_cast<const uint8_t*>(kAbc.data());
    uint8_t md5[16] = {}, sha1[20] = {};
    DigestHandle* handle = nullptr;
    Md5Create(&handle);
    DigestUpdate(&handle, abc, 3);
    Md5Final(md5, &handle);
    handle = nullptr;
    Sha1Create(&handle);
    DigestUpdate(&handle, abc, 3);
    Sha1Final(sha1, &handle);
    const bool ok = HexText(md5, 16) == "900150983cd24fb0d6963f7d28e17f72" &&
                    HexText(sha1, 20) == "a9993e364706816aba3e25717850c26c9cd0d89d";
    std::printf("digests of \"abc\"\n");
    PrintHex("MD5", md5, 16);
    PrintHex("SHA-1", sha1, 20);
    std::printf("  published values: %s\n", Verdict(ok));
    return ok;
}

// RFC 2202 test case 2.
bool Hmac() {
    static constexpr std::string_view kKey = "Jefe";
    static constexpr std::string_view kData = "what do ya want for nothing?";
    HmacContext context{};
    uint8_t mac[20] = {};
    HmacInit(&context, HmacGetHash(2), reinterpret_cast<const uint8_t*>(kKey.data()),
             static_cast<uint32_t>(kKey.size()));
    HmacUpdate(&context, reinterpret_cast<const uint8_t*>(kData.data()),
               static_cast<uint32_t>(kData.size()));
    HmacFinal(mac, &context);
    support::SecureWipe(&context, sizeof context);
    const bool ok = HexText(mac, 20) == "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79";
    std::printf("HMAC-SHA-1, key \"Jefe\", message \"what do ya want for nothing?\"\n");
    PrintHex("MAC", mac, 20);
    std::printf("  published value: %s\n", Verdict(ok));
    return ok;
}

void PrintValueStart(const char* label, const Item* value) {
    std::printf("  %-15s %u bytes, %s...\n", label, value->length,
                HexText(value->data, value->length < 8 ? value->length : 8).c_str());
}

// Two parties on group 2: each makes a key pair, each combines its own with the other's public
// value; both must reach the same secret.
bool DiffieHellman() {
    std::printf("Diffie-Hellman on group 2, two parties\n");
    const DhKeyAgreeParams* group = nullptr;
    int32_t status = DhGetGroup(&group, 2);
    if (status != 0) {
        std::printf("  group 2: status %s\n", StatusText(status).c_str());
        return false;
    }
    DhValueOwner alicePublic, bobPublic, aliceSecret, bobSecret;
    DhKeyPairOwner alice, bob;
    status = DhGenerateKeyPair(alicePublic.Receive(), alice.Receive(), group);
    if (status == 0) status = DhGenerateKeyPair(bobPublic.Receive(), bob.Receive(), group);
    if (status == 0) status = DhComputeSecret(aliceSecret.Receive(), alice, bobPublic, group);
    if (status == 0) status = DhComputeSecret(bobSecret.Receive(), bob, alicePublic, group);
    bool agree = false;
    if (status == 0) {
        std::printf("  prime           %u bits, private values of %u bits\n",
                    group->primeLength * 8, group->privateValueBits);
        PrintValueStart("Alice's public", alicePublic);
        PrintValueStart("Bob's public", bobPublic);
        agree = aliceSecret->length == bobSecret->length &&
                std::memcmp(aliceSecret->data, bobSecret->data, aliceSecret->length) == 0;
        // The secret itself stays unprinted; its SHA-1 shows that both sides hold the same.
        uint8_t fingerprint[20] = {};
        DigestHandle* handle = nullptr;
        Sha1Create(&handle);
        DigestUpdate(&handle, aliceSecret->data, aliceSecret->length);
        Sha1Final(fingerprint, &handle);
        std::printf("  shared secret   %u bytes, SHA-1 %s\n", aliceSecret->length,
                    HexText(fingerprint, 20).c_str());
        std::printf("  both parties agree: %s\n", agree ? "yes" : "NO");
    } else {
        std::printf("  key agreement failed: status %s\n", StatusText(status).c_str());
    }
    return agree;
}

// A fresh key pair signs a block (the SHA-1 of a message) with the private key; the public key
// recovers it. A signature with one bit changed must be refused.
bool RsaSignature() {
    std::printf("RSA key pair, 1024-bit modulus\n");
    KeyOwner publicKey, privateKey;
    int32_t status = RsaGenerateKeyPair(publicKey.Receive(), privateKey.Receive(), 1024);
    if (status != 0) {
        std::printf("  key generation failed: status %s\n", StatusText(status).c_str());
        return false;
    }
    uint8_t modulus[512], exponent[16];
    uint32_t modulusLength = sizeof modulus, exponentLength = sizeof exponent;
    if (RsaGetKeyInfo(publicKey, modulus, &modulusLength, exponent, &exponentLength) == 0) {
        unsigned long e = 0;
        for (uint32_t i = 0; i < exponentLength && i < 4; ++i) e = (e << 8) | exponent[i];
        std::printf("  %-11s %lu\n", "exponent", e);
        std::printf("  %-11s %u bytes, %s...\n", "modulus", modulusLength,
                    HexText(modulus, modulusLength < 8 ? modulusLength : 8).c_str());
    }
    static constexpr std::string_view kMessage = "Quillon signs this sentence.";
    uint8_t block[20] = {};
    DigestHandle* handle = nullptr;
    Sha1Create(&handle);
    DigestUpdate(&handle, reinterpret_cast<const uint8_t*>(kMessage.data()),
                 static_cast<uint32_t>(kMessage.size()));
    Sha1Final(block, &handle);
    std::printf("  message     %.*s\n", static_cast<int>(kMessage.size()), kMessage.data());
    PrintHex("block", block, sizeof block);

    uint8_t signature[512], recovered[512];
    uint32_t capacity = sizeof signature;
    bool ok = false;
    status = RsaEncrypt(privateKey, block, sizeof block, signature, &capacity);
    if (status == 0) {
        const uint32_t signatureLength = sizeof signature - capacity;
        std::printf("  %-11s %u bytes, %s...\n", "signature", signatureLength,
                    HexText(signature, 8).c_str());
        capacity = sizeof recovered;
        status = RsaPublicDecrypt(publicKey, signature, signatureLength, recovered, &capacity);
        const uint32_t recoveredLength = sizeof recovered - capacity;
        ok = status == 0 && recoveredLength == sizeof block &&
             std::memcmp(recovered, block, sizeof block) == 0;
        std::printf("  recovered with the public key: %s\n", Verdict(ok));
        signature[signatureLength / 2] ^= 0x01;
        capacity = sizeof recovered;
        const int32_t tampered =
            RsaPublicDecrypt(publicKey, signature, signatureLength, recovered, &capacity);
        std::printf("  one bit changed: %s (status %s)\n", tampered != 0 ? "refused" : "ACCEPTED",
                    StatusText(tampered).c_str());
        ok = ok && tampered != 0;
    } else {
        std::printf("  signing failed: status %s\n", StatusText(status).c_str());
    }
    return ok;
}

}  // namespace

int DemoCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon demo", "",
        "A short demonstration of the interface: an AES-256-CBC round trip, MD5 and SHA-1 of\n"
        "\"abc\" and HMAC-SHA-1 beside their published values, a Diffie-Hellman agreement on\n"
        "group 2 and an RSA signature block, each checked; exits with 1 when one failed.\n"};
    CommandLine line(kHelp, argc, argv);
    if (line.NextOption() != CommandLine::kEnd) return line.ExitStatus();
    if (!line.Operands().empty()) return line.UsageError("unexpected '%s'", line.Operands()[0]);
    bool ok = AesCbcRoundTrip();
    ok = Digests() && ok;
    ok = Hmac() && ok;
    ok = DiffieHellman() && ok;
    ok = RsaSignature() && ok;
    std::printf("demo: %s\n", ok ? "all ok" : "FAILED");
    return ok ? kExitOk : kExitFailure;
}

}  // namespace quillon::cli
