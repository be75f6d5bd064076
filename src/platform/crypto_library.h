// libcrypto's set-up before the module's first big number, and the secure heap's release with
// the module's state.
#pragma once

namespace quillon::platform {

// Called before the first big number is made. The DLL's own copy of libcrypto sets up its
// processor capabilities here, once, instead of at load, and a small secure heap for secret
// numbers (locked in memory where the system allows, and kept out of the crash dumps Windows
// Error Reporting writes where it offers that). Where libcrypto is the system's shared library,
// it sets itself up, and a secure heap is the application's choice for the whole process:
// nothing happens.
void PrepareCryptoLibrary();

// Gives back the DLL's secure heap with the rest of the module's state, when no secret number
// lives in it any more; the next big number sets it up again. Only while no other thread is
// inside the module. Nothing to give back where libcrypto is the system's.
void ReleaseSecureHeap();

}  // namespace quillon::platform
