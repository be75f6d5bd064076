// The hardware random method over the scripted device: opening, initialising, generating in
// 4-byte device numbers, and the recorded device messages of its failures.
#include "toolkit/provider/hardware_random.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/status_printer.h"
#include "fakes/provider_platform_fake.h"

namespace quillon::toolkit::provider {
namespace {

using test::Fake;

// A chooser of the hardware method alone, and a hardware random object initialised with it.
struct HardwareRandom {
    TokenChooser* chooser = nullptr;
    AlgObject* object = nullptr;
    Status init = kOk;
    HardwareRandom() {
        static const Method* const kMethods[] = {&kHardwareRandomMethod};
        static const TokenMethod* const kTokens[] = {&kHardwareRandomToken};
        EXPECT_EQ(TokenChooserBuild(kMethods, 1, kTokens, 1, &chooser), kOk);
        EXPECT_EQ(AlgCreate(&object), kOk);
        EXPECT_EQ(AlgSetInfo(object, InfoRandomHardware, nullptr), kOk);
        init = AlgRandomInit(object, chooser->entries, nullptr);
    }
    ~HardwareRandom() {
        (void)AlgDestroy(&object);
        TokenChooserRelease(&chooser);
    }
    HardwareRandom(const HardwareRandom&) = delete;
    HardwareRandom& operator=(const HardwareRandom&) = delete;
    const char* LastError() const {
        return chooser->sessionCount ? HardwareRandomLastError(chooser->sessions[0].session)
                                     : nullptr;
    }
};

class HardwareRandomTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::ResetFakePlatform();
        Fake().devicePresent = true;
    }
};

TEST_F(HardwareRandomTest, OpeningTestsTheGenerator) {
    {
        HardwareRandom hardware;
        EXPECT_EQ(Fake().testRequests, 1);
        EXPECT_STREQ(TokenChooserName(*hardware.chooser), "HW_RANDOM.com.isecchip");
        EXPECT_EQ(hardware.init, kOk);
        EXPECT_EQ(Fake().lastCapabilityIndex, 5u);
    }
    for (const std::uint32_t testResult : {0x100u, 0u}) {
        Fake().testResult = testResult;  // lowest byte 0: the generator failed its test
        HardwareRandom hardware;
        EXPECT_STREQ(TokenChooserName(*hardware.chooser), "SoftwareOnly");
        EXPECT_EQ(hardware.init, kNoMethod);
    }
    Fake().devicePresent = false;
    HardwareRandom absent;
    EXPECT_STREQ(TokenChooserName(*absent.chooser), "SoftwareOnly");
}

TEST_F(HardwareRandomTest, GeneratesFourBytesPerDeviceNumber) {
    for (const std::uint32_t length : {0u, 1u, 3u, 4u, 5u, 6u, 8u, 127u, 128u}) {
        SCOPED_TRACE(length);
        HardwareRandom hardware;
        ASSERT_EQ(hardware.init, kOk);
        Fake().randomRequests = 0;
        Fake().nextRandomByte = 0;
        std::vector<std::uint8_t> out(length + 1, 0xEE);
        ASSERT_EQ(AlgGenerateRandomBytes(hardware.object, out.data(), length, nullptr), kOk);
        EXPECT_EQ(Fake().randomRequests, static_cast<int>((length + 3) / 4));
        for (std::uint32_t i = 0; i < length; ++i) EXPECT_EQ(out[i], i);
        EXPECT_EQ(out[length], 0xEE);  // nothing written past the request
    }
}

TEST_F(HardwareRandomTest, DeviceFailuresAre0x20BWithTheirMessage) {
    struct Case {
        std::uint32_t capabilityStatus;
        std::uint32_t randomStatus;
        Status init, generate;
        const char* message;
    } const cases[] = {
        {4, 0, kDeviceFailure, kOk, "There is an unknown system error. (ISD_EINPUT)"},
        {1, 0, kDeviceFailure, kOk, "There is an unknown error in hardware. (ISD_EUNKNOWN)"},
        {0, 1, kOk, kDeviceFailure,
         "The hardware device is not currently available. (ISD_ENOTAVAIL)"},
        {0, 2, kOk, kDeviceFailure,
         "The hardware device has been disabled and can no longer be used. (ISD_EDISABLED)"},
        {0, 16, kOk, kDeviceFailure,
         "The hardware device has failed internal tests and is no longer available. "
         "(ISD_ETESTFAIL)"},
        {0, 7, kOk, kDeviceFailure, "There is an unknown error in hardware. (ISD_EUNKNOWN)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        test::ResetFakePlatform();
        Fake().devicePresent = true;
        Fake().capabilityStatus = c.capabilityStatus;
        Fake().randomStatuses = {0, c.randomStatus};
        HardwareRandom hardware;
        EXPECT_EQ(hardware.init, c.init);
        if (c.init == kOk) {
            std::uint8_t out[12];
            std::memset(out, 0xEE, sizeof out);
            EXPECT_EQ(AlgGenerateRandomBytes(hardware.object, out, sizeof out, nullptr),
                      c.generate);
            // The bytes of the number that came before the failure are not handed out.
            for (const std::uint8_t byte : out) EXPECT_TRUE(byte == 0 || byte == 0xEE);
        }
        EXPECT_STREQ(hardware.LastError(), c.message);
    }
}

TEST_F(HardwareRandomTest, ListedMethodOutsideATokenChooserIsRefused) {
    const Method* const chooser[] = {&kHardwareRandomMethod, nullptr};
    AlgObject* object = nullptr;
    ASSERT_EQ(AlgCreate(&object), kOk);
    ASSERT_EQ(AlgSetInfo(object, InfoRandomHardware, nullptr), kOk);
    EXPECT_EQ(AlgRandomInit(object, chooser, nullptr), kNotSupported);
    EXPECT_EQ(Fake().capabilityRequests, 0);
    (void)AlgDestroy(&object);
}

}  // namespace
}  // namespace quillon::toolkit::provider
