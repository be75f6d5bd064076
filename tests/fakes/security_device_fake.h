// A scripted security device standing in for the platform's: the ISD tests decide whether the
// driver is there and what it answers, and read back what was sent.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/os_version.h"

namespace quillon::test {

struct FakeSecurityDevice {
    struct Answer {
        std::uint32_t status = 0;
        std::uint32_t value = 0;  // written into the request's last word
    };

    bool versionAvailable = true;
    platform::OsVersion version{2, 6, 1};
    bool present = false;
    std::map<std::uint32_t, Answer> answers;  // by control code

    int mutexAcquired = 0;
    int mutexReleased = 0;
    int opens = 0;
    int closes = 0;
    std::string openedPath;
    platform::DeviceOpenMode openMode{};
    int requests = 0;
    std::uint32_t lastCode = 0;
    std::vector<std::uint32_t> lastRequest;  // as sent, before the answer
};

// The one fake device of the test program, reset to its defaults by Reset().
FakeSecurityDevice& FakeDevice();
void ResetFakeDevice();

}  // namespace quillon::test
