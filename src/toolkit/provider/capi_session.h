// The session of a CryptoAPI token method and a key bound to it: what the open operation, the
// binding and the two transforms (signing, decryption) share.
#pragma once

#include <cstdint>

#include "platform/dynamic_library.h"
#include "toolkit/methods/primitives.h"
#include "toolkit/provider/capi_api.h"

namespace quillon::toolkit::provider {

struct CapiSession {
    methods::RsaRawPrimitives primitives;  // first: the chooser entry's table points here
    platform::LibraryHandle library;
    capi::Functions functions;
    std::uint32_t lastError;  // GetLastError of the last failing CryptoAPI call
};

// The state of a bound method (the slot's context), held in the object's memory; releasing it
// destroys the user key and releases the CryptoAPI context. The object must not outlive the
// chooser whose session it uses.
struct CapiBoundKey {
    CapiSession* session;
    capi::Handle provider;
    capi::Handle userKey;
    std::uint32_t modulusLength;  // bytes
};

// Records the calling thread's last system error in the session; returns kDeviceFailure.
MethodStatus CapiFailure(CapiSession& session);

// Binding: parses the key reference, acquires the context, gets the user key and its length.
MethodStatus CapiBindKey(AlgObject* object, KeyObject* key, const Method* method,
                         const void* keyRecord, void** context, std::uint32_t* modulusLength);

// The transforms of the two sides (RsaRawPrimitives::transform): signing a PKCS #1 block of type
// 1, decrypting one block into a block of type 2.
MethodStatus CapiSignBlock(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                           std::uint32_t maxLength, const std::uint8_t* in, std::uint32_t inLength);
MethodStatus CapiDecryptBlock(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                              std::uint32_t maxLength, const std::uint8_t* in,
                              std::uint32_t inLength);

// Reverses bytes in place: CryptoAPI keeps numbers least significant byte first.
void CapiReverse(std::uint8_t* bytes, std::uint32_t length);

}  // namespace quillon::toolkit::provider
