// The DLL links its own copy of libcrypto, built without the load-time constructor its x86
// assembly registers (the DLL runs no foreign code at load): the processor capabilities that
// constructor would have set up are set up here, once, before the first big-number operation.
#include <windows.h>

#include "platform/crypto_library.h"

// libcrypto's own set-up of OPENSSL_ia32cap_P; not in its public headers.
extern "C" void OPENSSL_cpuid_setup(void);

namespace quillon::platform {
namespace {

INIT_ONCE capabilities = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK SetUpCapabilities(PINIT_ONCE, PVOID, PVOID*) {
    OPENSSL_cpuid_setup();
    return TRUE;
}

}  // namespace

void PrepareCryptoLibrary() {
    InitOnceExecuteOnce(&capabilities, SetUpCapabilities, nullptr, nullptr);
}

}  // namespace quillon::platform
