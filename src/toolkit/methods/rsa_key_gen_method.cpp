// RSA key-pair generation (modulus 256 to 4096 bits; 2 primes at any size, 3 from 1024 bits,
// 4 from 2048 bits): the parameter rules and the random-byte budget of one attempt. The attempt
// itself (prime search, key assembly, pairwise test) is the key-generation engine's.
#include "toolkit/methods/methods.h"
#include "toolkit/rsa_records.h"

namespace quillon::toolkit {
namespace {

constexpr std::uint32_t kMinimumModulusBits = 256;
constexpr std::uint32_t kPrimeCountStatus = 21;  // not a table status: leaves as 0x208

std::uint32_t BitLength(const std::uint8_t* bytes, std::uint32_t length) {
    for (std::uint32_t i = 0; i < length; ++i) {
        if (bytes[i] == 0) continue;
        std::uint32_t bits = 8 * (length - i - 1);
        for (unsigned top = bytes[i]; top != 0; top >>= 1) ++bits;
        return bits;
    }
    return 0;
}

std::uint32_t Check(const RsaKeyGenRequest& request) {
    const std::uint32_t bits = request.modulusBits;
    if (bits < kMinimumModulusBits || bits > kRsaMaxModulusBits) return method::kModulusLength;
    const std::uint32_t primes = request.primeCount;
    const bool countAllowed =
        primes == 2 || (primes == 3 && bits >= 1024) || (primes == 4 && bits >= 2048);
    if (!countAllowed) return kPrimeCountStatus;
    const std::uint32_t exponentBits = BitLength(request.exponent, request.exponentLength);
    if (exponentBits < 2 || exponentBits >= bits) return method::kStatus4;
    if ((request.exponent[request.exponentLength - 1] & 1) == 0) return method::kStatus3;
    return method::kOk;
}

std::uint32_t RandomLength(const RsaKeyGenRequest& request) {
    const std::uint32_t perPrimes = request.primeCount * request.modulusBits;
    const std::uint32_t twoPrimes = ((request.modulusBits + 1) / 8) / 4 * 4 + 4;
    return perPrimes > twoPrimes ? perPrimes : twoPrimes;
}

std::uint32_t Attempt(const RsaKeyGenRequest&, const std::uint8_t*, std::uint32_t, RsaGeneratedKey&,
                      const SurrenderContext*) {
    return method::kNotSupported;
}

constexpr RsaKeyGenPrimitives kKeyGenPrimitives = {Check, RandomLength, Attempt};

}  // namespace

constinit const Method kRsaMultiPrimeKeyGenMethod = {InfoRsaMultiPrimeKeyGen, 0, nullptr,
                                                     &kKeyGenPrimitives};

}  // namespace quillon::toolkit
