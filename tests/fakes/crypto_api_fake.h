// A stand-in for advapi32.dll behind the platform's dynamic-library seam: one key container
// whose key is an OpenSSL RSA key, answering the CryptoAPI calls of the token methods the way
// CryptoAPI does (numbers least significant byte first, session keys as SIMPLEBLOBs). Other
// library names go to the real dynamic linker.
#pragma once

#include <openssl/rsa.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace quillon::test {

struct FakeCryptoApi {
    bool present = false;
    std::set<std::string> missing;  // functions the library lacks

    // The one container: its name, provider, type, key kind and key.
    std::string container = "vpn";
    std::string provider = "Fake RSA Provider";
    std::uint32_t providerType = 1;
    std::uint32_t keySpec = 1;
    RSA* rsa = nullptr;
    bool keyLengthFails = false;     // CryptGetKeyParam refuses KP_KEYLEN
    bool signatureKeyFails = false;  // signing with AT_SIGNATURE fails (no such key)
    bool signMoreData = false;       // CryptSignHashA asks for a larger buffer

    // What the methods did.
    int loads = 0;
    int frees = 0;
    int liveHandles = 0;  // contexts, keys and hashes not yet released
    std::uint32_t hashAlgorithm = 0;
    std::uint32_t signFlags = 0;
    std::vector<std::uint32_t> signKeySpecs;
    std::vector<std::uint32_t> importedSessionAlgorithms;
};

FakeCryptoApi& FakeCapi();
void ResetFakeCapi();

}  // namespace quillon::test
