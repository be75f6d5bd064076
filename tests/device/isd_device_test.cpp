#include "device/isd_device.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/status_printer.h"
#include "fakes/security_device_fake.h"
#include "platform/device.h"
#include "quillon.h"

namespace quillon::device {
namespace {

using test::FakeDevice;

class IsdDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override { test::ResetFakeDevice(); }
    IsdDevice device;  // a fresh process view: not opened yet
};

TEST_F(IsdDeviceTest, NoDriverAnswersUnknownEverywhere) {
    std::uint32_t value = 77;
    EXPECT_EQ(device.GetRandomNumber(&value), kIsdUnknown);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(device.TestRandomGenerator(), kIsdUnknown);
    value = 77;
    EXPECT_EQ(device.GetCapability(5, &value), kIsdUnknown);
    EXPECT_EQ(value, 0u);
    value = 77;
    EXPECT_EQ(device.GetStatistic(1, &value), kIsdUnknown);
    EXPECT_EQ(value, 0u);
    // Every call tried to open again, each time under the mutex.
    EXPECT_EQ(FakeDevice().opens, 4);
    EXPECT_EQ(FakeDevice().mutexAcquired, 4);
    EXPECT_EQ(FakeDevice().mutexReleased, 4);
    EXPECT_EQ(FakeDevice().requests, 0);
}

TEST_F(IsdDeviceTest, OpensOnceWithSuccessAndByPlatform) {
    FakeDevice().present = true;
    std::uint32_t value = 0;
    EXPECT_EQ(device.GetRandomNumber(&value), kIsdOk);
    EXPECT_EQ(device.GetRandomNumber(&value), kIsdOk);
    EXPECT_EQ(device.TestRandomGenerator(), kIsdTestFailed);
    EXPECT_EQ(FakeDevice().opens, 1);
    EXPECT_EQ(FakeDevice().openedPath, "\\\\.\\ISECDRV");
    EXPECT_EQ(FakeDevice().openMode, platform::DeviceOpenMode::kReadWriteShared);

    struct Case {
        std::uint32_t platformId, minor;
        bool opens;
        platform::DeviceOpenMode mode;
    } const cases[] = {
        {1, 0, true, platform::DeviceOpenMode::kQueryOnlyDeleteOnClose},
        {1, 10, true, platform::DeviceOpenMode::kReadWriteShared},
        {1, 90, false, {}},
        {2, 0, true, platform::DeviceOpenMode::kReadWriteShared},
        {3, 0, false, {}},
        {0, 0, false, {}},
    };
    for (const Case& c : cases) {
        test::ResetFakeDevice();
        FakeDevice().version = {c.platformId, 4, c.minor};
        IsdDevice fresh;
        (void)fresh.TestRandomGenerator();
        EXPECT_EQ(FakeDevice().opens, c.opens ? 1 : 0) << c.platformId << "." << c.minor;
        if (c.opens) {
            EXPECT_EQ(FakeDevice().openMode, c.mode);
        }
    }

    test::ResetFakeDevice();
    FakeDevice().versionAvailable = false;
    IsdDevice unversioned;
    EXPECT_EQ(unversioned.TestRandomGenerator(), kIsdUnknown);
    EXPECT_EQ(FakeDevice().opens, 0);
    EXPECT_EQ(FakeDevice().mutexReleased, 1);
}

TEST_F(IsdDeviceTest, CloseGivesBackTheHandleAndTheNextRequestOpensAgain) {
    device.Close();  // nothing open: nothing closed
    EXPECT_EQ(FakeDevice().closes, 0);
    FakeDevice().present = true;
    std::uint32_t value = 0;
    EXPECT_EQ(device.GetRandomNumber(&value), kIsdOk);
    device.Close();
    EXPECT_EQ(FakeDevice().closes, 1);
    device.Close();
    EXPECT_EQ(FakeDevice().closes, 1);
    EXPECT_EQ(device.GetRandomNumber(&value), kIsdOk);
    EXPECT_EQ(FakeDevice().opens, 2);
}

TEST_F(IsdDeviceTest, RequestsCarryTheirCodesAndFields) {
    FakeDevice().present = true;
    std::uint32_t value = 0;
    (void)device.GetCapability(3, &value);
    EXPECT_EQ(FakeDevice().lastCode, 0x222010u);
    EXPECT_EQ(FakeDevice().lastRequest, (std::vector<std::uint32_t>{0xFFFF, 3, 0}));
    (void)device.GetRandomNumber(&value);
    EXPECT_EQ(FakeDevice().lastCode, 0x222014u);
    EXPECT_EQ(FakeDevice().lastRequest, (std::vector<std::uint32_t>{0xFFFF, 0}));
    (void)device.TestRandomGenerator();
    EXPECT_EQ(FakeDevice().lastCode, 0x222018u);
    EXPECT_EQ(FakeDevice().lastRequest, (std::vector<std::uint32_t>{0xFFFF, 0}));
    (void)device.GetStatistic(2, &value);
    EXPECT_EQ(FakeDevice().lastCode, 0x22201Cu);
    EXPECT_EQ(FakeDevice().lastRequest, (std::vector<std::uint32_t>{0xFFFF, 2, 0}));
}

TEST_F(IsdDeviceTest, IndexedQueriesRangesAndStatuses) {
    FakeDevice().present = true;
    struct Case {
        bool statistic;
        std::uint32_t index;
        std::uint32_t driverStatus;
        IsdStatus result;
        std::uint32_t value;
        bool sends;
    } const cases[] = {
        {false, 0, 0, kIsdInput, 0, false},   {false, 6, 0, kIsdInput, 0, false},
        {false, 1, 0, kIsdOk, 1234, true},    {false, 5, 0, kIsdOk, 1234, true},
        {false, 2, 4, kIsdInput, 0, true},    {false, 2, 1, kIsdUnknown, 0, true},
        {false, 2, 16, kIsdUnknown, 0, true}, {true, 3, 0, kIsdInput, 0, false},
        {true, 0, 0, kIsdInput, 0, false},    {true, 2, 0, kIsdOk, 1234, true},
        {true, 1, 2, kIsdUnknown, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.statistic ? "statistic " : "capability ") << c.index
                                        << " status " << c.driverStatus);
        const std::uint32_t code = c.statistic ? kIsdGetStatisticCode : kIsdGetCapabilityCode;
        FakeDevice().answers[code] = {c.driverStatus, 1234};
        const int before = FakeDevice().requests;
        std::uint32_t value = 99;
        const IsdStatus result = c.statistic ? device.GetStatistic(c.index, &value)
                                             : device.GetCapability(c.index, &value);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(FakeDevice().requests - before, c.sends ? 1 : 0);
    }
}

TEST_F(IsdDeviceTest, NullValuePointers) {
    FakeDevice().present = true;
    // In range: the request still goes out, and the answer is "unknown".
    EXPECT_EQ(device.GetCapability(5, nullptr), kIsdUnknown);
    EXPECT_EQ(FakeDevice().requests, 1);
    EXPECT_EQ(device.GetCapability(9, nullptr), kIsdInput);
    EXPECT_EQ(FakeDevice().requests, 1);
    // The random number checks its pointer before anything else.
    test::ResetFakeDevice();
    IsdDevice fresh;
    EXPECT_EQ(fresh.GetRandomNumber(nullptr), kIsdUnknown);
    EXPECT_EQ(FakeDevice().opens, 0);
    EXPECT_EQ(FakeDevice().mutexAcquired, 0);
}

TEST_F(IsdDeviceTest, RandomNumberAndTestStatusMapping) {
    FakeDevice().present = true;
    struct Case {
        std::uint32_t status;
        IsdStatus randomResult;
        IsdStatus testResult;  // with a test value of 1
    } const cases[] = {{0, kIsdOk, kIsdOk},
                       {1, kIsdNotAvailable, kIsdNotAvailable},
                       {2, kIsdDisabled, kIsdDisabled},
                       {4, kIsdUnknown, kIsdUnknown},
                       {16, kIsdTestFailed, kIsdUnknown},
                       {0xFFFF, kIsdUnknown, kIsdUnknown},
                       {12345, kIsdUnknown, kIsdUnknown}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        FakeDevice().answers[kIsdGetRandomNumberCode] = {c.status, 0xCAFEBABE};
        FakeDevice().answers[kIsdTestRandomGeneratorCode] = {c.status, 1};
        std::uint32_t value = 5;
        EXPECT_EQ(device.GetRandomNumber(&value), c.randomResult);
        EXPECT_EQ(value, c.status == 0 ? 0xCAFEBABEu : 0u);
        EXPECT_EQ(device.TestRandomGenerator(), c.testResult);
    }
    // Only the lowest byte of the test result counts.
    FakeDevice().answers[kIsdTestRandomGeneratorCode] = {0, 0x100};
    EXPECT_EQ(device.TestRandomGenerator(), kIsdTestFailed);
    FakeDevice().answers[kIsdTestRandomGeneratorCode] = {0, 0x180};
    EXPECT_EQ(device.TestRandomGenerator(), kIsdOk);
}

TEST(IsdStatusMessage, TextsOfTheCodes) {
    EXPECT_STREQ(IsdStatusMessage(kIsdOk),
                 "There was no error.  The function executed successfully. (ISD_EOK)");
    EXPECT_STREQ(IsdStatusMessage(kIsdTestFailed),
                 "The hardware device has failed internal tests and is no longer available. "
                 "(ISD_ETESTFAIL)");
    EXPECT_STREQ(IsdStatusMessage(kIsdUnknown),
                 "There is an unknown error in hardware. (ISD_EUNKNOWN)");
    EXPECT_STREQ(IsdStatusMessage(IsdStatus{3}), "There is an unknown error in hardware.");
}

TEST(IsdExports, GoThroughTheProcessWideDevice) {
    test::ResetFakeDevice();
    std::uint32_t value = 8;
    EXPECT_EQ(IsdGetCapability(0, &value), ISD_EINPUT);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(IsdGetStatistic(1, &value), ISD_EUNKNOWN);
    EXPECT_EQ(IsdGetRandomNumber(nullptr), ISD_EUNKNOWN);
    EXPECT_EQ(IsdTestRandomGenerator(), ISD_EUNKNOWN);
    FakeDevice().present = true;
    FakeDevice().answers[kIsdGetRandomNumberCode] = {0, 42};
    EXPECT_EQ(IsdGetRandomNumber(&value), ISD_EOK);
    EXPECT_EQ(value, 42u);
}

}  // namespace
}  // namespace quillon::device
