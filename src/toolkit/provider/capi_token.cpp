// The CryptoAPI token methods: raw RSA with the private key of a CryptoAPI key container, encrypt
// side (signing) and decrypt side. CryptoAPI is reached only through "advapi32.dll", loaded when
// the method's session opens; where the library or one of its functions is missing the method
// reports "not supported" and takes no part.
#include <cstring>
#include <utility>

#include "platform/dynamic_library.h"
#include "support/checked_alloc.h"
#include "support/owner.h"
#include "support/secure_wipe.h"
#include "toolkit/provider/capi_key_reference.h"
#include "toolkit/provider/capi_session.h"
#include "toolkit/provider/provider_methods.h"
#include "toolkit/provider/token_chooser.h"
#include "toolkit/rsa_records.h"

namespace quillon::toolkit::provider {
namespace {

constexpr char kLibraryName[] = "advapi32.dll";
constexpr std::uint32_t kUnknownKeyBits = 4096;  // when the key will not tell its length

template <typename Function>
bool Resolve(platform::LibraryHandle library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(platform::LibrarySymbol(library, name));
    return function != nullptr;
}

bool ResolveCommon(platform::LibraryHandle library, capi::Functions& f) {
    return Resolve(library, "CryptAcquireContextA", f.acquireContext) &&
           Resolve(library, "CryptReleaseContext", f.releaseContext) &&
           Resolve(library, "CryptGetUserKey", f.getUserKey) &&
           Resolve(library, "CryptGetKeyParam", f.getKeyParam) &&
           Resolve(library, "CryptDestroyKey", f.destroyKey);
}

bool ResolveSigning(platform::LibraryHandle library, capi::Functions& f) {
    return ResolveCommon(library, f) && Resolve(library, "CryptCreateHash", f.createHash) &&
           Resolve(library, "CryptSetHashParam", f.setHashParam) &&
           Resolve(library, "CryptSignHashA", f.signHash) &&
           Resolve(library, "CryptDestroyHash", f.destroyHash);
}

bool ResolveDecrypting(platform::LibraryHandle library, capi::Functions& f) {
    return ResolveCommon(library, f) && Resolve(library, "CryptImportKey", f.importKey) &&
           Resolve(library, "CryptExportKey", f.exportKey);
}

// Unloads the session's library (if it was loaded) and wipes the session before it is freed.
void DestroySession(CapiSession** session) {
    CapiSession* opened = std::exchange(*session, nullptr);
    platform::FreeDynamicLibrary(opened->library);
    support::WipeAndRelease(opened, sizeof *opened);
}

using OwnedSession = support::Owner<CapiSession, DestroySession>;

MethodStatus Open(void** session, const methods::RsaRawPrimitives& primitives,
                  bool (*resolve)(platform::LibraryHandle, capi::Functions&)) {
    OwnedSession opened(support::New<CapiSession>());
    if (opened == nullptr) return method::kOutOfMemory;
    opened->primitives = primitives;
    opened->library = platform::LoadDynamicLibrary(kLibraryName);
    if (opened->library == nullptr || !resolve(opened->library, opened->functions)) {
        return method::kNotSupported;
    }
    *session = opened.Release();
    return method::kOk;
}

void Close(void* session) {
    auto* opened = static_cast<CapiSession*>(session);
    DestroySession(&opened);
}

constexpr methods::RsaRawPrimitives kSigning = {CapiBindKey, CapiSignBlock};
constexpr methods::RsaRawPrimitives kDecrypting = {CapiBindKey, CapiDecryptBlock};

MethodStatus OpenSigning(void** session) {
    return Open(session, kSigning, ResolveSigning);
}

MethodStatus OpenDecrypting(void** session) {
    return Open(session, kDecrypting, ResolveDecrypting);
}

// What the listed methods point at: a session that never opened (no library), which binding
// refuses as "not supported".
constinit CapiSession closedSigning = {kSigning, nullptr, {}, 0};
constinit CapiSession closedDecrypting = {kDecrypting, nullptr, {}, 0};

void ReleaseBoundKey(void* block, std::uint32_t length) {
    auto* bound = static_cast<CapiBoundKey*>(block);
    if (bound->userKey != 0) bound->session->functions.destroyKey(bound->userKey);
    if (bound->provider != 0) bound->session->functions.releaseContext(bound->provider, 0);
    support::WipeAndRelease(block, length);
}

}  // namespace

MethodStatus CapiFailure(CapiSession& session) {
    session.lastError = platform::LastSystemError();
    return method::kDeviceFailure;
}

void CapiReverse(std::uint8_t* bytes, std::uint32_t length) {
    for (std::uint32_t i = 0, j = length; i + 1 < j; ++i, --j) {
        const std::uint8_t byte = bytes[i];
        bytes[i] = bytes[j - 1];
        bytes[j - 1] = byte;
    }
}

MethodStatus CapiBindKey(AlgObject* object, KeyObject*, const Method* method, const void* keyRecord,
                         void** context, std::uint32_t* modulusLength) {
    auto& session = *static_cast<CapiSession*>(TokenSessionOf(method));
    if (session.library == nullptr) return method::kNotSupported;
    CapiKeyLocation location{};
    if (const MethodStatus status =
            CapiParseKeyReference(*static_cast<const CapiKeyReference*>(keyRecord), location);
        status != method::kOk) {
        return status;
    }
    auto* bound = support::New<CapiBoundKey>();
    if (bound == nullptr ||
        !MemoryAdopt(object->memory, bound, sizeof(CapiBoundKey), ReleaseBoundKey)) {
        return method::kOutOfMemory;
    }
    bound->session = &session;
    const capi::Functions& f = session.functions;
    if (!f.acquireContext(&bound->provider, location.container, location.provider,
                          location.providerType, 0)) {
        bound->provider = 0;
        return CapiFailure(session);
    }
    if (!f.getUserKey(bound->provider, location.keySpec, &bound->userKey)) {
        bound->userKey = 0;
        return CapiFailure(session);
    }
    std::uint32_t bits = 0;
    capi::Dword size = sizeof bits;
    if (!f.getKeyParam(bound->userKey, capi::kKeyLength, reinterpret_cast<std::uint8_t*>(&bits),
                       &size, 0) ||
        size != sizeof bits) {
        bits = kUnknownKeyBits;
    }
    bound->modulusLength = (bits + 7) / 8;
    if (bound->modulusLength > kRsaMaxModulusBytes) return method::kModulusLength;
    *context = bound;
    *modulusLength = bound->modulusLength;
    return method::kOk;
}

constinit const Method kCapiEncryptMethod = {InfoRsaRawPrivate, kEncryptSide, KeyInfoCapiReference,
                                             &closedSigning};
constinit const Method kCapiDecryptMethod = {InfoRsaRawPrivate, kDecryptSide, KeyInfoCapiReference,
                                             &closedDecrypting};

// The names carry ".QUILLON_CAPI" and the vendor's reversed domain, an opaque part of them.
constinit const TokenMethod kCapiEncryptToken = {
    &kCapiEncryptMethod, "TOKEN_RSA_CRT_ENCRYPT.QUILLON_CAPI.com.quillon", OpenSigning, Close};
constinit const TokenMethod kCapiDecryptToken = {
    &kCapiDecryptMethod, "TOKEN_RSA_CRT_DECRYPT.QUILLON_CAPI.com.quillon", OpenDecrypting, Close};

}  // namespace quillon::toolkit::provider
