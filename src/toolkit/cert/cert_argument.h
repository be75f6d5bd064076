// When the toolkit refuses an argument (0x707 for a required one that is null, 0x763 for
// message options it does not know) it names the argument: the name is kept per thread, so a
// caller can tell which one it was.
#pragma once

#include "toolkit/cert/cert_status.h"

namespace quillon::cert {

// Records name as this thread's refused argument and returns status.
[[nodiscard]] CertStatus CertRefuseArgument(const char* name, CertStatus status);

// A required argument that is null: 0x707 naming it.
[[nodiscard]] inline CertStatus CertMissingArgument(const char* name) {
    return CertRefuseArgument(name, kCertNullArgument);
}

// The name recorded by this thread's last refusal, or null when there was none.
[[nodiscard]] const char* CertLastRefusedArgument();

}  // namespace quillon::cert
