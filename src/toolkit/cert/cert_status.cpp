#include "toolkit/cert/cert_status.h"

#include "platform/thread_value.h"

namespace quillon::toolkit::cert {
namespace {

// A toolkit code that no method of this module produces, mapped for completeness.
constexpr Status kToolkitUnavailable = 0x219;

}  // namespace

CertStatus MapToCertStatus(Status status) {
    switch (status) {
        case kOk:
            return kCertOk;
        case kOutOfMemory:
            return kCertOutOfMemory;
        case kCancelled:
            return kCertCancelled;
        case kMethodFailure:
            return kCertMethodFailure;
        case kDataMalformed:
            return kCertMissingData;
        case kLengthOutOfRange:
            return kCertLengthOutOfRange;
        case kOutputTooSmall:
            return kCertOutputTooSmall;
        case kToolkitUnavailable:
            return kCertUnavailable;
        default:
            return status >= 0x700 ? status : kCertGeneralFailure;
    }
}

CertStatus NullArgument(const char* name) {
    return RefuseArgument(name, kCertNullArgument);
}

CertStatus RefuseArgument(const char* name, CertStatus status) {
    // Per thread, because the toolkit serves any number of threads with distinct objects.
    platform::SetThreadValue(name);
    return status;
}

const char* MissingArgumentName() {
    return static_cast<const char*>(platform::ThreadValue());
}

}  // namespace quillon::toolkit::cert
