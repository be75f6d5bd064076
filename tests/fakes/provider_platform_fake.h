// A scripted platform for the provider tests: the operating system's version, the security
// device's answers and the process-state polls, with counts of what the provider asked.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/os_version.h"

namespace quillon::test {

struct FakePlatform {
    bool versionAvailable = true;
    platform::OsVersion version{2, 10, 0};

    // The security device: absent, or answering every request with the status given here.
    bool devicePresent = false;
    std::uint32_t testStatus = 0;
    std::uint32_t testResult = 1;
    std::uint32_t capabilityStatus = 0;
    std::deque<std::uint32_t> randomStatuses;  // one per request, then 0
    std::uint8_t nextRandomByte = 0;           // random numbers count up byte by byte
    int testRequests = 0;
    int capabilityRequests = 0;
    std::uint32_t lastCapabilityIndex = 0;
    int randomRequests = 0;

    bool toolHelpAvailable = true;
    int processStatePolls = 0;
    int toolHelpPolls = 0;
    int refreshPolls = 0;
    std::vector<std::uint32_t> itemLengths;  // of every item fed, in order
};

// The one fake of the test program; ResetFakePlatform restores the defaults (NT family, no device).
FakePlatform& Fake();
void ResetFakePlatform();

}  // namespace quillon::test
