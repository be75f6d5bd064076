// libcrypto is the system's shared library here: it sets itself up when it is loaded, and
// whether secret numbers come from a secure heap is the application's choice for the process.
#include "platform/crypto_library.h"

namespace quillon::platform {

void PrepareCryptoLibrary() {}

void ReleaseSecureHeap() {}

}  // namespace quillon::platform
