// libcrypto's set-up before the module's first big number, and its release with the module.
#pragma once

namespace quillon::platform {

// Called before the first big number is made. The DLL's own copy of libcrypto sets up its
// processor capabilities here, once, instead of at load, and a small secure heap for secret
// numbers (locked in memory where the system allows, and kept out of the crash dumps Windows
// Error Reporting writes where it offers that). Where libcrypto is the system's shared library,
// it sets itself up, and a secure heap is the application's choice for the whole process:
// nothing happens.
void PrepareCryptoLibrary();

// Called when the DLL is unloaded while the process goes on: gives back what its copy of
// libcrypto made for the process. Nothing to give back where libcrypto is the system's.
void ReleaseCryptoLibrary();

}  // namespace quillon::platform
