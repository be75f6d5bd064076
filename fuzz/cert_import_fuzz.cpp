// A certificate's whole road through the exports on arbitrary bytes: CertCreateFromDer, then
// CertGetNames, CertBuildPkcs7 and RsaKeyFromCertificate on what it accepts. Nothing may read
// outside the input (ASan sees the exact-size heap block), and what is accepted must behave:
// failures leave the handle null, the texts are built once and kept, and the message always
// fits a buffer of the certificate's size plus its envelope, carries the certificate verbatim
// (the first DER element of the input: what follows it is ignored) and fails with -1 and an
// unchanged capacity when one byte short.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "quillon.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// ContentInfo, [0], SignedData, version, two empty SETs, the data ContentInfo, [0] certificates
// and their headers: a few dozen bytes around the certificate.
constexpr std::size_t kEnvelope = 96;

// Size of the DER element at the start of an accepted input: its header and contents.
std::size_t FirstElementSize(const std::uint8_t* der, std::size_t size) {
    Check(size >= 2);
    std::size_t length = der[1], header = 2;
    if ((length & 0x80) != 0) {
        const std::size_t count = length & 0x7F;
        Check(count >= 1 && count <= 4 && size >= 2 + count);
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | der[2 + i];
        header += count;
    }
    Check(size - header >= length);
    return header + length;
}

void CheckMessage(CertHandle* cert, const std::uint8_t* der, std::size_t size) {
    std::vector<std::uint8_t> out(size + kEnvelope);
    std::uint32_t capacity = static_cast<std::uint32_t>(out.size());
    Check(CertBuildPkcs7(out.data(), &capacity, cert) == 0);
    Check(capacity > size && capacity <= out.size());
    bool found = false;
    for (std::size_t at = 0; !found && at + size <= capacity; ++at) {
        found = std::memcmp(out.data() + at, der, size) == 0;
    }
    Check(found);
    const std::uint32_t length = capacity;
    capacity = length - 1;
    Check(CertBuildPkcs7(out.data(), &capacity, cert) == -1);
    Check(capacity == length - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so reading one byte past the end is caught.
    std::vector<std::uint8_t> der(data, data + size);
    CertHandle* cert = reinterpret_cast<CertHandle*>(std::uintptr_t{0x10});
    const std::int32_t status =
        CertCreateFromDer(&cert, der.data(), static_cast<std::uint32_t>(der.size()));
    if (status != 0) {
        Check(cert == nullptr);
        return 0;
    }
    Check(cert != nullptr);

    const char* subject = nullptr;
    const char* issuer = nullptr;
    const std::int32_t names = CertGetNames(&subject, &issuer, cert);
    // Success means both texts; a failure names the first that failed.
    Check(names != 0 || (subject != nullptr && issuer != nullptr));
    const char* subjectAgain = nullptr;
    const char* issuerAgain = nullptr;
    Check(CertGetNames(&subjectAgain, &issuerAgain, cert) == names);
    Check(subject == nullptr || subjectAgain == subject);
    Check(issuer == nullptr || issuerAgain == issuer);
    if (subject != nullptr) (void)std::strlen(subject);
    if (issuer != nullptr) (void)std::strlen(issuer);

    CheckMessage(cert, der.data(), FirstElementSize(der.data(), der.size()));

    KeyHandle* key = nullptr;
    const std::int32_t keyStatus = RsaKeyFromCertificate(&key, cert);
    Check((keyStatus == 0) == (key != nullptr));
    RsaDestroyKey(&key);

    CertDestroy(&cert);
    Check(cert == nullptr);
    return 0;
}
