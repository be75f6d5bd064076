// quillon selftest: the AES known answer through the exports, then the module's power-up
// self-tests.
#include <cstring>

#include "command_line.h"
#include "commands.h"
#include "quillon.h"

namespace quillon::cli {
namespace {

// FIPS-197 appendix C.1 through the exports: encrypt, compare, decrypt, compare.
bool AesKnownAnswer() {
    const uint8_t key[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const uint8_t plaintext[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                   0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    const uint8_t expected[16] = {0x69, 0xC4, 0xE0, 0xD8, 0x6A, 0x7B, 0x04, 0x30,
                                  0xD8, 0xCD, 0xB7, 0x80, 0x70, 0xB4, 0xC5, 0x5A};
    AesOwner encryption, decryption;
    uint8_t block[16];
    return AesCreateContext(encryption.Receive(), 0, 128, key) == 0 &&
           AesCreateContext(decryption.Receive(), 1, 128, key) == 0 &&
           AesEncryptBlocks(encryption.Cell(), block, plaintext, 16) == 0 &&
           std::memcmp(block, expected, 16) == 0 &&
           AesDecryptBlocks(decryption.Cell(), block, block, 16) == 0 &&
           std::memcmp(block, plaintext, 16) == 0;
}

}  // namespace

int SelfTestCommand(int argc, char** argv) {
    static constexpr CommandHelp kHelp = {
        "quillon selftest", "",
        "Runs the AES known answer through the exports and the module's power-up self-tests\n"
        "(code integrity, AES, triple-DES, SHA-1, RSA, HMAC); prints pass or FAIL for each and\n"
        "exits with 1 when one failed.\n"};
    CommandLine line(kHelp, argc, argv);
    if (line.NextOption() != CommandLine::kEnd) return line.ExitStatus();
    if (!line.Operands().empty()) return line.UsageError("unexpected '%s'", line.Operands()[0]);
    const bool aes = AesKnownAnswer();
    std::printf("AES known answer ........ %s\n", aes ? "pass" : "FAIL");
    const bool powerUp = SelfTest() == 1;
    std::printf("power-up self-tests ..... %s\n", powerUp ? "pass" : "FAIL");
    const bool passed = aes && powerUp;
    std::printf("self-test: %s\n", passed ? "pass" : "FAIL");
    return passed ? kExitOk : kExitFailure;
}

}  // namespace quillon::cli
