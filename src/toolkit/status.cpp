#include "toolkit/status.h"

namespace quillon::toolkit {
namespace {

constexpr Status kTranslation[21] = {
    kOk,                  // 0
    kCancelled,           // 1
    kMethodFailure,       // 2
    kMethodStatus3,       // 3
    kMethodStatus4,       // 4
    kDataMalformed,       // 5
    kLengthOutOfRange,    // 6
    kModulusLength,       // 7
    kMethodFailure,       // 8: a retry that escaped its loop is a plain failure
    kNotSupported,        // 9
    kOutputTooSmall,      // 10
    kMethodStatus11,      // 11
    kMethodStatus12,      // 12
    kKeyFormUnavailable,  // 13
    kMethodFailure,       // 14
    kBadParameters,       // 15
    kOutOfMemory,         // 16
    kMethodStatus17,      // 17
    kDeviceFailure,       // 18
    kMethodStatus19,      // 19
    kMethodStatus20,      // 20
};

}  // namespace

Status TranslateMethodStatus(std::uint32_t methodStatus) {
    return methodStatus < 21 ? kTranslation[methodStatus] : kMethodFailure;
}

}  // namespace quillon::toolkit
