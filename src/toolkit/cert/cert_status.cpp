#include "toolkit/cert/cert_status.h"

#include "platform/thread_value.h"

namespace quillon::toolkit::cert {
namespace {

constexpr std::uint32_t Number(CertStatus status) {
    return static_cast<std::uint32_t>(status);
}

// The numbers are a contract with the module's callers: each name keeps its own.
static_assert(Number(kCertOk) == 0 && Number(kCertOutOfMemory) == 0x700 &&
              Number(kCertInconsistent) == 0x701 && Number(kCertCancelled) == 0x702 &&
              Number(kCertMethodFailure) == 0x703 && Number(kCertBadData) == 0x705 &&
              Number(kCertLengthOutOfRange) == 0x706 && Number(kCertNullArgument) == 0x707 &&
              Number(kCertNoDevice) == 0x709 && Number(kCertOutputTooSmall) == 0x70A &&
              Number(kCertUnavailable) == 0x70B && Number(kCertValidityOrder) == 0x70C &&
              Number(kCertNotName) == 0x716 && Number(kCertNotCertificate) == 0x727 &&
              Number(kCertNotList) == 0x736 && Number(kCertNotContext) == 0x73E &&
              Number(kCertGeneralFailure) == 0x74B && Number(kCertBadOptions) == 0x763);

// Certificate statuses begin here; a toolkit status from here up is one carried unchanged.
constexpr Status kFirstCertCode = 0x700;

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
            return kCertBadData;
        case kLengthOutOfRange:
            return kCertLengthOutOfRange;
        case kOutputTooSmall:
            return kCertOutputTooSmall;
        case kToolkitUnavailable:
            return kCertUnavailable;
        default:
            return status >= kFirstCertCode ? static_cast<CertStatus>(status) : kCertGeneralFailure;
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
