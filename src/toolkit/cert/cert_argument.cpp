#include "toolkit/cert/cert_argument.h"

namespace quillon::cert {
namespace {

thread_local const char* theRefusedArgument = nullptr;

}  // namespace

CertStatus CertRefuseArgument(const char* name, CertStatus status) {
    theRefusedArgument = name;
    return status;
}

const char* CertLastRefusedArgument() {
    return theRefusedArgument;
}

}  // namespace quillon::cert
