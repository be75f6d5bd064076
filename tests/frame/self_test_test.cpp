// The power-up self-test run: the verdict of a correct module, the order and the early stop
// (through step tables made here from the module's own), and that running it disturbs no
// caller's handles.
#include "frame/self_test.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cipher/aes_self_test.h"
#include "cipher/des_self_test.h"
#include "digest/hmac_self_test.h"
#include "digest/sha1_self_test.h"
#include "frame/module_entry.h"
#include "platform/module.h"
#include "pubkey/rsa_self_test.h"
#include "pubkey/rsa_signature_self_test.h"
#include "quillon.h"

namespace quillon::frame {
namespace {

// The test program is its own module: attach once so the integrity reference exists.
void Attach() {
    (void)platform::ModuleEntry(platform::kProcessAttach);
}

TEST(SelfTest, ACorrectModulePassesEveryTime) {
    Attach();
    EXPECT_EQ(SelfTest(), 1);
    EXPECT_EQ(SelfTest(), 1);
}

TEST(SelfTest, TheModulesStepsInOrder) {
    int (*const expected[])() = {
        CodeIntegritySelfTest, cipher::AesSelfTest,          cipher::TripleDesSelfTest,
        digest::Sha1SelfTest,  pubkey::RsaSignatureSelfTest, pubkey::RsaSelfTest,
        digest::HmacSelfTest,
    };
    ASSERT_EQ(std::size(kPowerUpSelfTests), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(kPowerUpSelfTests[i].run, expected[i]) << kPowerUpSelfTests[i].name;
    }
}

// Each step of a table made here records that it ran and answers as the case says.
std::vector<int> ran;
int failingStep = -1;
template <int Index>
int Recorded() {
    ran.push_back(Index);
    return Index == failingStep ? 0 : 1;
}

TEST(SelfTest, StopsAtTheFirstFailure) {
    const SelfTestStep steps[] = {{"0", Recorded<0>}, {"1", Recorded<1>}, {"2", Recorded<2>},
                                  {"3", Recorded<3>}, {"4", Recorded<4>}, {"5", Recorded<5>},
                                  {"6", Recorded<6>}};
    for (int failing = -1; failing < 7; ++failing) {
        SCOPED_TRACE(failing);
        ran.clear();
        failingStep = failing;
        EXPECT_EQ(RunSelfTests(steps), failing < 0 ? 1 : 0);
        const int last = failing < 0 ? 6 : failing;
        std::vector<int> expected;
        for (int i = 0; i <= last; ++i) expected.push_back(i);
        EXPECT_EQ(ran, expected);
    }
}

// The module's own table with AES broken: the verdict is 0 and the RSA key pair is never
// generated.
int keyPairRuns = 0;
int BrokenAes() {
    return 0;
}
int CountedKeyPair() {
    ++keyPairRuns;
    return pubkey::RsaSelfTest();
}

TEST(SelfTest, ABrokenAesFailsBeforeAnyKeyIsGenerated) {
    Attach();
    SelfTestStep steps[std::size(kPowerUpSelfTests)];
    std::copy(std::begin(kPowerUpSelfTests), std::end(kPowerUpSelfTests), steps);
    for (SelfTestStep& step : steps) {
        if (step.run == cipher::AesSelfTest) step.run = BrokenAes;
        if (step.run == pubkey::RsaSelfTest) step.run = CountedKeyPair;
    }
    keyPairRuns = 0;
    EXPECT_EQ(RunSelfTests(steps), 0);
    EXPECT_EQ(keyPairRuns, 0);
    // The same table with AES restored runs the key pair once and passes.
    for (SelfTestStep& step : steps) {
        if (step.run == BrokenAes) step.run = cipher::AesSelfTest;
    }
    EXPECT_EQ(RunSelfTests(steps), 1);
    EXPECT_EQ(keyPairRuns, 1);
}

TEST(SelfTest, AChangedCodeDigestFailsTheRun) {
    Attach();
    ModuleState& module = Module();
    module.integrity.digest[7] ^= 0x10;
    EXPECT_EQ(SelfTest(), 0);
    module.integrity.digest[7] ^= 0x10;
    EXPECT_EQ(CodeIntegritySelfTest(), 1);
}

TEST(SelfTest, EachFamilyTestPassesOnItsOwn) {
    Attach();
    for (const SelfTestStep& step : kPowerUpSelfTests) EXPECT_EQ(step.run(), 1) << step.name;
}

// Handles of every family, some in the middle of their work, go on as if nothing had run.
TEST(SelfTest, CallerHandlesStayUsable) {
    Attach();
    const uint8_t aesKey[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const uint8_t plain[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                               0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    const uint8_t aesExpected[16] = {0x69, 0xC4, 0xE0, 0xD8, 0x6A, 0x7B, 0x04, 0x30,
                                     0xD8, 0xCD, 0xB7, 0x80, 0x70, 0xB4, 0xC5, 0x5A};
    AesContext* aes = nullptr;
    ASSERT_EQ(AesCreateContext(&aes, 0, 128, aesKey), 0);
    DigestHandle* sha1 = nullptr;
    Sha1Create(&sha1);
    ASSERT_NE(sha1, nullptr);
    DigestUpdate(&sha1, reinterpret_cast<const uint8_t*>("a"), 1);
    HmacContext hmac{};
    const uint8_t hmacKey[] = "Jefe";
    HmacInit(&hmac, HmacGetHash(2), hmacKey, 4);
    HmacUpdate(&hmac, reinterpret_cast<const uint8_t*>("what do ya want "), 16);
    KeyHandle* publicKey = nullptr;
    KeyHandle* privateKey = nullptr;
    ASSERT_EQ(RsaGenerateKeyPair(&publicKey, &privateKey, 512), 0);

    ASSERT_EQ(SelfTest(), 1);

    uint8_t block[16];
    EXPECT_EQ(AesEncryptBlocks(&aes, block, plain, 16), 0);
    EXPECT_EQ(0, std::memcmp(block, aesExpected, 16));
    DigestUpdate(&sha1, reinterpret_cast<const uint8_t*>("bc"), 2);
    uint8_t digest[20];
    Sha1Final(digest, &sha1);
    const uint8_t abc[20] = {0xA9, 0x99, 0x3E, 0x36, 0x47, 0x06, 0x81, 0x6A, 0xBA, 0x3E,
                             0x25, 0x71, 0x78, 0x50, 0xC2, 0x6C, 0x9C, 0xD0, 0xD8, 0x9D};
    EXPECT_EQ(0, std::memcmp(digest, abc, 20));
    HmacUpdate(&hmac, reinterpret_cast<const uint8_t*>("for nothing?"), 12);
    uint8_t mac[20];
    HmacFinal(mac, &hmac);
    const uint8_t jefe[20] = {0xEF, 0xFC, 0xDF, 0x6A, 0xE5, 0xEB, 0x2F, 0xA2, 0xD2, 0x74,
                              0x16, 0xD5, 0xF1, 0x84, 0xDF, 0x9C, 0x25, 0x9A, 0x7C, 0x79};
    EXPECT_EQ(0, std::memcmp(mac, jefe, 20));
    uint8_t signature[64];
    uint32_t left = sizeof signature;
    ASSERT_EQ(RsaEncrypt(privateKey, abc, 20, signature, &left), 0);
    uint8_t recovered[64];
    uint32_t recoveredLeft = sizeof recovered;
    ASSERT_EQ(
        RsaPublicDecrypt(publicKey, signature, sizeof signature - left, recovered, &recoveredLeft),
        0);
    EXPECT_EQ(sizeof recovered - recoveredLeft, 20u);
    EXPECT_EQ(0, std::memcmp(recovered, abc, 20));

    AesDestroyContext(&aes);
    RsaDestroyKey(&publicKey);
    RsaDestroyKey(&privateKey);
}

}  // namespace
}  // namespace quillon::frame
