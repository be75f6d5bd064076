#include "toolkit/cert/cert_status.h"

#include "platform/thread_value.h"

namespace quillon::toolkit::cert {
namespace {

// The numbers are a contract with the module's callers: each name keeps its own.
static_assert(
    ToExportStatus(kCertOk) == 0 && ToExportStatus(kCertOutOfMemory) == 0x700 &&
    ToExportStatus(kCertInconsistent) == 0x701 && ToExportStatus(kCertCancelled) == 0x702 &&
    ToExportStatus(kCertMethodFailure) == 0x703 && ToExportStatus(kCertBadData) == 0x705 &&
    ToExportStatus(kCertLengthOutOfRange) == 0x706 && ToExportStatus(kCertNullArgument) == 0x707 &&
    ToExportStatus(kCertNoDevice) == 0x709 && ToExportStatus(kCertOutputTooSmall) == 0x70A &&
    ToExportStatus(kCertUnavailable) == 0x70B && ToExportStatus(kCertValidityOrder) == 0x70C &&
    ToExportStatus(kCertNotName) == 0x716 && ToExportStatus(kCertNotCertificate) == 0x727 &&
    ToExportStatus(kCertNotList) == 0x736 && ToExportStatus(kCertNotContext) == 0x73E &&
    ToExportStatus(kCertGeneralFailure) == 0x74B && ToExportStatus(kCertBadOptions) == 0x763);

// Certificate statuses begin here; a toolkit status from here up is one carried unchanged.
constexpr std::uint32_t kFirstCertCode = 0x700;

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
        case kUnavailable:
            return kCertUnavailable;
        default:
            return static_cast<std::uint32_t>(status) >= kFirstCertCode
                       ? static_cast<CertStatus>(status)
                       : kCertGeneralFailure;
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
