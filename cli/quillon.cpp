// quillon — command-line client of the Quillon module.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "quillon.h"

namespace {

void PrintHex(const char* label, const uint8_t* bytes, size_t size) {
    std::printf("%-12s", label);
    for (size_t i = 0; i < size; ++i) std::printf("%02X", bytes[i]);
    std::printf("\n");
}

// FIPS-197 appendix C.1 through the exports: encrypt, compare, decrypt, compare.
bool AesKnownAnswer() {
    const uint8_t key[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const uint8_t plaintext[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                   0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    const uint8_t expected[16] = {0x69, 0xC4, 0xE0, 0xD8, 0x6A, 0x7B, 0x04, 0x30,
                                  0xD8, 0xCD, 0xB7, 0x80, 0x70, 0xB4, 0xC5, 0x5A};
    AesContext *encryption = nullptr, *decryption = nullptr;
    uint8_t block[16];
    bool passed = AesCreateContext(&encryption, 0, 128, key) == 0 &&
                  AesCreateContext(&decryption, 1, 128, key) == 0 &&
                  AesEncryptBlocks(&encryption, block, plaintext, 16) == 0 &&
                  std::memcmp(block, expected, 16) == 0 &&
                  AesDecryptBlocks(&decryption, block, block, 16) == 0 &&
                  std::memcmp(block, plaintext, 16) == 0;
    AesDestroyContext(&encryption);
    AesDestroyContext(&decryption);
    return passed;
}

int SelfTestCommand() {
    const bool aes = AesKnownAnswer();
    std::printf("AES known answer ........ %s\n", aes ? "pass" : "FAIL");
    const bool powerUp = SelfTest() == 1;
    std::printf("power-up self-tests ..... %s\n", powerUp ? "pass" : "FAIL");
    const bool passed = aes && powerUp;
    std::printf("self-test: %s\n", passed ? "pass" : "FAIL");
    return passed ? 0 : 1;
}

int DemoCommand() {
    const uint8_t key[32] = "demonstration key, 256 bits....";
    char message[] = "Quillon encrypts this sentence in CBC mode, in place!";
    const uint32_t length = static_cast<uint32_t>(std::strlen(message));
    uint8_t iv[16] = {}, iv2[16] = {};
    AesContext *encryption = nullptr, *decryption = nullptr;
    if (AesCreateContext(&encryption, 0, 256, key) != 0 ||
        AesCreateContext(&decryption, 1, 256, key) != 0) {
        std::fprintf(stderr, "quillon: cannot create AES contexts\n");
        return 1;
    }
    std::printf("AES-256-CBC round trip (whole blocks; the tail of %u bytes stays as it is)\n",
                length % 16);
    std::printf("plaintext   %s\n", message);
    AesCbcCrypt(1, reinterpret_cast<uint8_t*>(message), length, &encryption, iv);
    PrintHex("ciphertext", reinterpret_cast<uint8_t*>(message), length - length % 16);
    PrintHex("chain IV", iv, 16);
    AesCbcCrypt(0, reinterpret_cast<uint8_t*>(message), length, &decryption, iv2);
    std::printf("decrypted   %s\n", message);
    AesDestroyContext(&encryption);
    AesDestroyContext(&decryption);
    const bool same =
        std::strcmp(message, "Quillon encrypts this sentence in CBC mode, in place!") == 0;
    std::printf("round trip: %s\n", same ? "ok" : "FAILED");
    return same ? 0 : 1;
}

void Usage(FILE* to) {
    std::fprintf(
        to,
        "usage: quillon <command>\n"
        "  selftest   run the module's known-answer checks and its power-up self-tests (code\n"
        "             integrity, AES, triple-DES, SHA-1, RSA, HMAC); exit status 0 when\n"
        "             all pass\n"
        "  demo       a short demonstration of the interface\n"
        "  --help     this text\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        Usage(stderr);
        return 2;
    }
    const std::string_view command = argv[1];
    if (command == "selftest") return SelfTestCommand();
    if (command == "demo") return DemoCommand();
    if (command == "--help" || command == "-h") {
        Usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "quillon: unknown command '%s'\n", argv[1]);
    Usage(stderr);
    return 2;
}
