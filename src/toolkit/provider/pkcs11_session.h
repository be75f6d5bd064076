// A session with a PKCS #11 token: the token library loaded at run time and reached through
// C_GetFunctionList, the slot whose token fits the configured label, a read-write session and
// the user's login.
#pragma once

#include <p11-kit/pkcs11.h>

#include <cstdint>

#include "platform/dynamic_library.h"
#include "toolkit/status.h"

namespace quillon::toolkit::provider {

// What names a token: the library file, the token label (null: the first slot whose token
// information can be read) and the user PIN (null: none).
struct Pkcs11TokenConfig {
    const char* library;
    const char* label;
    const char* pin;
};

struct Pkcs11Session {
    platform::LibraryHandle library;
    CK_FUNCTION_LIST* functions;
    bool initialized;  // this session initialised the library, so closing it finalises it
    CK_SLOT_ID slot;
    CK_SESSION_HANDLE session;
    bool open;
    CK_RV lastError;  // the token's answer to the last call that failed
};

// 0 and an open session, kOutOfMemory out of memory, or kDeviceFailure (a token failure: no
// library, no function list, no fitting token, a refused login); nothing stays open on failure.
[[nodiscard]] Status Pkcs11OpenSession(const Pkcs11TokenConfig& config, Pkcs11Session& session);

// Closes the session, finalises the library if this session initialised it, unloads it.
void Pkcs11CloseSession(Pkcs11Session& session);

// Whether a configured label names a token's 32-byte label: the label is its start and every
// further byte is padding (at most 0x20, or above 0x7F).
[[nodiscard]] bool Pkcs11LabelMatches(const char* label, const CK_UTF8CHAR (&tokenLabel)[32]);

}  // namespace quillon::toolkit::provider
