#include "toolkit/cert/cert_status.h"

namespace quillon::toolkit {
namespace {

// Per thread, because the toolkit serves any number of threads with distinct objects.
thread_local const char* theRefusedArgument = nullptr;

}  // namespace

CertStatus NullArgument(const char* name) {
    return RefuseArgument(name, kCertNullArgument);
}

CertStatus RefuseArgument(const char* name, CertStatus status) {
    theRefusedArgument = name;
    return status;
}

const char* MissingArgumentName() {
    return theRefusedArgument;
}

}  // namespace quillon::toolkit
