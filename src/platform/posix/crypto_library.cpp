// libcrypto is a shared library here, which sets itself up when it is loaded.
#include "platform/crypto_library.h"

namespace quillon::platform {

void PrepareCryptoLibrary() {}

}  // namespace quillon::platform
