#include "toolkit/provider/cert_status.h"

namespace quillon::toolkit {
namespace {

// Per thread, because the toolkit serves any number of threads with distinct objects.
thread_local const char* missingArgument = nullptr;

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
    missingArgument = name;
    return status;
}

const char* MissingArgumentName() {
    return missingArgument;
}

}  // namespace quillon::toolkit
