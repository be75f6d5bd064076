// Replaces the platform's dynamic libraries: "advapi32.dll" is the fake CryptoAPI, any other
// name is loaded for real.
#include "fakes/crypto_api_fake.h"

#include <openssl/rand.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cerrno>
#include <cstring>
#include <map>

#include "platform/dynamic_library.h"
#include "toolkit/provider/capi_api.h"

namespace quillon::test {
namespace {

using namespace toolkit::provider::capi;

FakeCryptoApi fake;
std::uint32_t fakeError = 0;
bool fakeErrorSet = false;
char fakeLibrary;  // its address is the fake's handle

constexpr Handle kContext = 0x10, kUserKey = 0x20, kExponentOneKey = 0x30, kSessionKey = 0x40,
                 kHash = 0x50;
constexpr std::uint32_t kBadKeyset = 0x80090016, kNoKey = 0x8009000D, kBadData = 0x80090005,
                        kBadHash = 0x80090002;

std::uint8_t hashValue[20];
std::vector<std::uint8_t> sessionKey;
std::uint32_t sessionAlgorithm = 0;

Bool Fail(std::uint32_t error) {
    fakeError = error;
    fakeErrorSet = true;
    return 0;
}

std::uint32_t ModulusLength() {
    return static_cast<std::uint32_t>(RSA_size(fake.rsa));
}

void Reverse(std::uint8_t* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length / 2; ++i) std::swap(bytes[i], bytes[length - 1 - i]);
}

Bool QUILLON_SYSTEM_CALL AcquireContext(Handle* provider, const char* container,
                                        const char* providerName, Dword type, Dword) {
    if (container == nullptr || fake.container != container || providerName == nullptr ||
        fake.provider != providerName || type != fake.providerType) {
        return Fail(kBadKeyset);
    }
    ++fake.liveHandles;
    *provider = kContext;
    return 1;
}

Bool QUILLON_SYSTEM_CALL ReleaseContext(Handle provider, Dword) {
    if (provider != kContext) return Fail(kBadKeyset);
    --fake.liveHandles;
    return 1;
}

Bool QUILLON_SYSTEM_CALL GetUserKey(Handle provider, Dword keySpec, Handle* key) {
    if (provider != kContext || keySpec != fake.keySpec) return Fail(kNoKey);
    ++fake.liveHandles;
    *key = kUserKey;
    return 1;
}

Bool QUILLON_SYSTEM_CALL GetKeyParam(Handle key, Dword parameter, std::uint8_t* data, Dword* length,
                                     Dword) {
    if (key != kUserKey || parameter != kKeyLength || fake.keyLengthFails || *length < 4) {
        return Fail(kBadData);
    }
    const std::uint32_t bits = ModulusLength() * 8;
    std::memcpy(data, &bits, 4);
    *length = 4;
    return 1;
}

Bool QUILLON_SYSTEM_CALL DestroyKey(Handle) {
    --fake.liveHandles;
    return 1;
}

Bool QUILLON_SYSTEM_CALL CreateHash(Handle provider, Dword algorithm, Handle, Dword, Handle* hash) {
    if (provider != kContext || (algorithm != kCalgMd5 && algorithm != kCalgSha1)) {
        return Fail(kBadHash);
    }
    fake.hashAlgorithm = algorithm;
    ++fake.liveHandles;
    *hash = kHash;
    return 1;
}

Bool QUILLON_SYSTEM_CALL SetHashParam(Handle hash, Dword parameter, const std::uint8_t* data,
                                      Dword) {
    if (hash != kHash || parameter != kHashValue) return Fail(kBadHash);
    std::memcpy(hashValue, data, fake.hashAlgorithm == kCalgMd5 ? 16 : 20);
    return 1;
}

// PKCS #1 v1.5 signing of the hash, with its DigestInfo unless told otherwise.
Bool QUILLON_SYSTEM_CALL SignHash(Handle hash, Dword keySpec, const char*, Dword flags,
                                  std::uint8_t* signature, Dword* length) {
    fake.signKeySpecs.push_back(keySpec);
    fake.signFlags = flags;
    if (hash != kHash) return Fail(kBadHash);
    if (keySpec == kAtSignature && fake.signatureKeyFails) return Fail(kNoKey);
    if (fake.signMoreData || *length < ModulusLength()) {
        *length = ModulusLength();
        return Fail(kErrorMoreData);
    }
    static const std::uint8_t kMd5Info[] = {0x30, 0x20, 0x30, 0x0C, 0x06, 0x08, 0x2A, 0x86, 0x48,
                                            0x86, 0xF7, 0x0D, 0x02, 0x05, 0x05, 0x00, 0x04, 0x10};
    static const std::uint8_t kSha1Info[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E,
                                             0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};
    std::vector<std::uint8_t> payload;
    if ((flags & kNoHashOid) == 0) {
        if (fake.hashAlgorithm == kCalgMd5) {
            payload.assign(std::begin(kMd5Info), std::end(kMd5Info));
        } else {
            payload.assign(std::begin(kSha1Info), std::end(kSha1Info));
        }
    }
    payload.insert(payload.end(), hashValue,
                   hashValue + (fake.hashAlgorithm == kCalgMd5 ? 16 : 20));
    const int made = RSA_private_encrypt(static_cast<int>(payload.size()), payload.data(),
                                         signature, fake.rsa, RSA_PKCS1_PADDING);
    if (made <= 0) return Fail(kBadData);
    Reverse(signature, static_cast<std::size_t>(made));
    *length = static_cast<Dword>(made);
    return 1;
}

Bool QUILLON_SYSTEM_CALL DestroyHash(Handle) {
    --fake.liveHandles;
    return 1;
}

std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// The exponent-one public key, or a session key wrapped under the user's key.
Bool QUILLON_SYSTEM_CALL ImportKey(Handle provider, const std::uint8_t* blob, Dword length,
                                   Handle unwrapKey, Dword, Handle* key) {
    if (provider != kContext || length < 12) return Fail(kBadData);
    if (blob[0] == kPublicKeyBlob) {
        const bool exponentOne = length == 84 && LittleEndian32(blob + 4) == kCalgRsaKeyExchange &&
                                 std::memcmp(blob + 8, "RSA1", 4) == 0 &&
                                 LittleEndian32(blob + 12) == 512 &&
                                 LittleEndian32(blob + 16) == 1 && (blob[83] & 0x80) != 0;
        if (!exponentOne) return Fail(kBadData);
        ++fake.liveHandles;
        *key = kExponentOneKey;
        return 1;
    }
    if (blob[0] != kSimpleBlob || unwrapKey != kUserKey ||
        LittleEndian32(blob + 8) != kCalgRsaKeyExchange || length != 12 + ModulusLength()) {
        return Fail(kBadData);
    }
    const std::uint32_t algorithm = LittleEndian32(blob + 4);
    fake.importedSessionAlgorithms.push_back(algorithm);
    std::vector<std::uint8_t> wrapped(blob + 12, blob + length);
    Reverse(wrapped.data(), wrapped.size());
    std::vector<std::uint8_t> plain(ModulusLength());
    const int got = RSA_private_decrypt(static_cast<int>(wrapped.size()), wrapped.data(),
                                        plain.data(), fake.rsa, RSA_PKCS1_PADDING);
    if (got <= 0) return Fail(kBadData);
    const bool fits = (algorithm == kCalgRc4 && got <= 16) || (algorithm == kCalg3Des && got == 24);
    if (!fits) return Fail(kBadData);
    sessionKey.assign(plain.begin(), plain.begin() + got);
    sessionAlgorithm = algorithm;
    ++fake.liveHandles;
    *key = kSessionKey;
    return 1;
}

// The session key as a SIMPLEBLOB under the exponent-one key: its PKCS #1 block in clear.
Bool QUILLON_SYSTEM_CALL ExportKey(Handle key, Handle wrapKey, Dword blobType, Dword,
                                   std::uint8_t* blob, Dword* length) {
    if (key != kSessionKey || wrapKey != kExponentOneKey || blobType != kSimpleBlob) {
        return Fail(kBadData);
    }
    if (*length < 12 + 64) {
        *length = 12 + 64;
        return Fail(kErrorMoreData);
    }
    std::uint8_t block[64];
    block[0] = 0x00;
    block[1] = 0x02;
    const std::size_t padding = 64 - 3 - sessionKey.size();
    RAND_bytes(block + 2, static_cast<int>(padding));
    for (std::size_t i = 0; i < padding; ++i) {
        if (block[2 + i] == 0) block[2 + i] = 0x5A;
    }
    block[2 + padding] = 0x00;
    std::memcpy(block + 3 + padding, sessionKey.data(), sessionKey.size());
    Reverse(block, sizeof block);
    blob[0] = kSimpleBlob;
    blob[1] = kBlobVersion;
    blob[2] = blob[3] = 0;
    std::memcpy(blob + 4, &sessionAlgorithm, 4);
    const std::uint32_t wrapping = kCalgRsaKeyExchange;
    std::memcpy(blob + 8, &wrapping, 4);
    std::memcpy(blob + 12, block, 64);
    *length = 12 + 64;
    return 1;
}

const std::map<std::string, void*>& Exports() {
    static const std::map<std::string, void*> exports = {
        {"CryptAcquireContextA", reinterpret_cast<void*>(AcquireContext)},
        {"CryptReleaseContext", reinterpret_cast<void*>(ReleaseContext)},
        {"CryptGetUserKey", reinterpret_cast<void*>(GetUserKey)},
        {"CryptGetKeyParam", reinterpret_cast<void*>(GetKeyParam)},
        {"CryptDestroyKey", reinterpret_cast<void*>(DestroyKey)},
        {"CryptCreateHash", reinterpret_cast<void*>(CreateHash)},
        {"CryptSetHashParam", reinterpret_cast<void*>(SetHashParam)},
        {"CryptSignHashA", reinterpret_cast<void*>(SignHash)},
        {"CryptDestroyHash", reinterpret_cast<void*>(DestroyHash)},
        {"CryptImportKey", reinterpret_cast<void*>(ImportKey)},
        {"CryptExportKey", reinterpret_cast<void*>(ExportKey)},
    };
    return exports;
}

}  // namespace

FakeCryptoApi& FakeCapi() {
    return fake;
}

void ResetFakeCapi() {
    fake = FakeCryptoApi{};
    fakeErrorSet = false;
    sessionKey.clear();
}

}  // namespace quillon::test

// The system's own loader, for every library but the faked one.
namespace quillon::test {
namespace {

#if defined(_WIN32)
void* LoadReal(const char* name) {
    return reinterpret_cast<void*>(LoadLibraryA(name));
}
void* RealSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void FreeReal(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}
std::uint32_t RealLastError() {
    return static_cast<std::uint32_t>(GetLastError());
}
#else
void* LoadReal(const char* name) {
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}
void* RealSymbol(void* library, const char* name) {
    return dlsym(library, name);
}
void FreeReal(void* library) {
    dlclose(library);
}
std::uint32_t RealLastError() {
    return static_cast<std::uint32_t>(errno);
}
#endif

}  // namespace
}  // namespace quillon::test

namespace quillon::platform {

LibraryHandle LoadDynamicLibrary(const char* name) {
    if (std::strcmp(name, "advapi32.dll") != 0) return test::LoadReal(name);
    if (!test::fake.present) return nullptr;
    ++test::fake.loads;
    return &test::fakeLibrary;
}

void* LibrarySymbol(LibraryHandle library, const char* name) {
    if (library != &test::fakeLibrary) {
        return library != nullptr ? test::RealSymbol(library, name) : nullptr;
    }
    if (test::fake.missing.count(name) != 0) return nullptr;
    const auto found = test::Exports().find(name);
    return found != test::Exports().end() ? found->second : nullptr;
}

void FreeDynamicLibrary(LibraryHandle library) {
    if (library == &test::fakeLibrary) {
        ++test::fake.frees;
    } else if (library != nullptr) {
        test::FreeReal(library);
    }
}

std::uint32_t LastSystemError() {
    if (test::fakeErrorSet) {
        test::fakeErrorSet = false;
        return test::fakeError;
    }
    return test::RealLastError();
}

}  // namespace quillon::platform
