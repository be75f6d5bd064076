// What the module gives back when it is unloaded while the process goes on: everything it made
// at first use and kept for the process, so that loading and unloading it again and again leaves
// nothing behind.
#pragma once

namespace quillon::frame {

// Releases the module generator (its random object and lock), the Diffie-Hellman group
// records, the certificate context, the raw RSA key-file cache and the security device's
// handle, and the DLL's secure heap. Each is made again at its next use, so the module also works
// after the call. Only when no other thread is inside the module.
void ReleaseModuleState();

}  // namespace quillon::frame
