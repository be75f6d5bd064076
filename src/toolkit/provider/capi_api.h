// The part of Windows CryptoAPI (advapi32.dll) that the CryptoAPI token methods call: types,
// constants and the signatures of the functions, which are looked up at run time. Kept here so
// that the toolkit needs no system header; the layout follows the Windows SDK.
#pragma once

#include <cstdint>

// CryptoAPI functions use the system's calling convention (stdcall on 32-bit Windows).
#if defined(_WIN32) && defined(__i386__)
#define QUILLON_SYSTEM_CALL __attribute__((stdcall))
#else
#define QUILLON_SYSTEM_CALL
#endif

namespace quillon::toolkit::provider::capi {

using Bool = std::int32_t;
using Dword = std::uint32_t;
using Handle = std::uintptr_t;  // HCRYPTPROV, HCRYPTKEY, HCRYPTHASH

inline constexpr Dword kCalgMd5 = 0x8003;
inline constexpr Dword kCalgSha1 = 0x8004;
inline constexpr Dword kCalgRc4 = 0x6801;
inline constexpr Dword kCalg3Des = 0x6603;
inline constexpr Dword kCalgRsaKeyExchange = 0xA400;
inline constexpr Dword kAtKeyExchange = 1;
inline constexpr Dword kAtSignature = 2;
inline constexpr Dword kHashValue = 2;      // HP_HASHVAL
inline constexpr Dword kKeyLength = 9;      // KP_KEYLEN, in bits
inline constexpr Dword kNoHashOid = 1;      // CRYPT_NOHASHOID
inline constexpr Dword kExportable = 1;     // CRYPT_EXPORTABLE
inline constexpr Dword kSimpleBlob = 1;     // SIMPLEBLOB
inline constexpr Dword kPublicKeyBlob = 6;  // PUBLICKEYBLOB
inline constexpr Dword kBlobVersion = 2;
inline constexpr Dword kErrorMoreData = 234;  // ERROR_MORE_DATA

using AcquireContextA = Bool(QUILLON_SYSTEM_CALL*)(Handle* provider, const char* container,
                                                   const char* providerName, Dword type,
                                                   Dword flags);
using ReleaseContext = Bool(QUILLON_SYSTEM_CALL*)(Handle provider, Dword flags);
using CreateHash = Bool(QUILLON_SYSTEM_CALL*)(Handle provider, Dword algorithm, Handle key,
                                              Dword flags, Handle* hash);
using SetHashParam = Bool(QUILLON_SYSTEM_CALL*)(Handle hash, Dword parameter,
                                                const std::uint8_t* data, Dword flags);
using SignHashA = Bool(QUILLON_SYSTEM_CALL*)(Handle hash, Dword keySpec, const char* description,
                                             Dword flags, std::uint8_t* signature, Dword* length);
using DestroyHash = Bool(QUILLON_SYSTEM_CALL*)(Handle hash);
using GetUserKey = Bool(QUILLON_SYSTEM_CALL*)(Handle provider, Dword keySpec, Handle* key);
using GetKeyParam = Bool(QUILLON_SYSTEM_CALL*)(Handle key, Dword parameter, std::uint8_t* data,
                                               Dword* length, Dword flags);
using DestroyKey = Bool(QUILLON_SYSTEM_CALL*)(Handle key);
using ImportKey = Bool(QUILLON_SYSTEM_CALL*)(Handle provider, const std::uint8_t* blob,
                                             Dword length, Handle unwrapKey, Dword flags,
                                             Handle* key);
using ExportKey = Bool(QUILLON_SYSTEM_CALL*)(Handle key, Handle wrapKey, Dword blobType,
                                             Dword flags, std::uint8_t* blob, Dword* length);

// The functions a session resolved; a side's method leaves the others null.
struct Functions {
    AcquireContextA acquireContext;
    ReleaseContext releaseContext;
    CreateHash createHash;
    SetHashParam setHashParam;
    SignHashA signHash;
    DestroyHash destroyHash;
    GetUserKey getUserKey;
    GetKeyParam getKeyParam;
    DestroyKey destroyKey;
    ImportKey importKey;
    ExportKey exportKey;
};

}  // namespace quillon::toolkit::provider::capi
