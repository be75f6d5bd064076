// libcrypto's set-up before the module's first big number.
#pragma once

namespace quillon::platform {

// Called before the first big-number operation. The DLL's own copy of libcrypto sets up its
// processor capabilities here, once, instead of at load; where libcrypto is a shared library
// that does so itself, nothing happens.
void PrepareCryptoLibrary();

}  // namespace quillon::platform
