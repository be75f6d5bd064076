#include "toolkit/methods/rsa_keygen_engine.h"

#include <cstring>
#include <utility>

#include "bignum/bignum.h"

namespace quillon::toolkit::methods {
namespace {

using bignum::Mpi;
using bignum::MpiInverse;
using bignum::MpiKind;
using bignum::MpiMontgomery;
using bignum::MpiScratch;
using support::SecureBuffer;

// The sieve: flag i stands for the candidate x + 2i.
constexpr std::uint32_t kSieveFlags = 500;
// Small primes: every odd prime from 3 below 3 + 126 x 512, made window by window.
constexpr std::uint32_t kSmallPrimeWindows = 126;
constexpr std::uint32_t kSmallPrimeWindow = 512;
constexpr std::uint32_t kWindowOdds = kSmallPrimeWindow / 2;
constexpr std::uint32_t kFermatBases[] = {3, 5, 7, 11};
constexpr std::uint32_t kPairwiseMessage = 127;

unsigned BitLength(std::span<const std::uint8_t> bigEndian) {
    for (std::size_t i = 0; i < bigEndian.size(); ++i) {
        if (bigEndian[i] == 0) continue;
        unsigned bits = static_cast<unsigned>(8 * (bigEndian.size() - i - 1));
        for (unsigned top = bigEndian[i]; top != 0; top >>= 1) ++bits;
        return bits;
    }
    return 0;
}

void SetBit(std::span<std::uint8_t> bigEndian, unsigned bit) {
    bigEndian[bigEndian.size() - 1 - bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
}

// Clears every bit at position bit and above.
void ClearBitsFrom(std::span<std::uint8_t> bigEndian, unsigned bit) {
    for (std::size_t i = 0; i < bigEndian.size(); ++i) {
        const unsigned low = static_cast<unsigned>(8 * (bigEndian.size() - 1 - i));
        if (low >= bit) {
            bigEndian[i] = 0;
        } else if (bit - low < 8) {
            bigEndian[i] &= static_cast<std::uint8_t>((1u << (bit - low)) - 1);
        }
    }
}

// Bytes of the candidate for a prime of `bits` bits.
std::size_t CandidateBytes(unsigned bits) {
    return 2 * ((bits + 15) / 16);
}

// Sets the flags of every candidate x + 2j (j below kSieveFlags) that the odd prime s divides.
void SieveOut(std::uint8_t* flags, std::span<const std::uint8_t> x, std::uint32_t s) {
    const std::uint32_t r = bignum::BytesModSmall(x, s);
    std::uint32_t j = 0;
    if (r % 2 == 1) {
        j = (s - r) / 2;
    } else if (r != 0) {
        j = s - r / 2;
    }
    for (; j < kSieveFlags; j += s) flags[j] = 1;
}

// Sieves x's window with every small prime. The primes come from a sieve of the odd numbers of
// each window by the odd numbers whose squares fall below the window's end.
void SieveWithSmallPrimes(std::uint8_t* flags, std::uint8_t* composite,
                          std::span<const std::uint8_t> x) {
    for (std::uint32_t w = 0; w < kSmallPrimeWindows; ++w) {
        const std::uint32_t start = 3 + w * kSmallPrimeWindow;  // odd; composite[i]: start + 2i
        const std::uint32_t end = start + kSmallPrimeWindow;
        std::memset(composite, 0, kWindowOdds);
        for (std::uint32_t t = 3; t * t < end; t += 2) {
            std::uint32_t multiple = (start + t - 1) / t * t;
            if (multiple < t * t) multiple = t * t;
            if (multiple % 2 == 0) multiple += t;
            for (; multiple < end; multiple += 2 * t) composite[(multiple - start) / 2] = 1;
        }
        for (std::uint32_t i = 0; i < kWindowOdds; ++i) {
            if (composite[i] == 0) SieveOut(flags, x, start + 2 * i);
        }
    }
}

// a^candidate mod candidate = a for every base: method::kOk, method::kRetry when a base
// shows the candidate composite. The candidate's Montgomery form is prepared once for the
// bases; the exponentiations are constant-time, the candidate being a secret.
MethodStatus FermatTest(const Mpi& candidate, const Mpi (&bases)[std::size(kFermatBases)],
                        Mpi& result, MpiScratch& scratch) {
    const MpiMontgomery form = MpiMontgomery::Make(candidate, scratch);
    if (form.empty()) return method::kOutOfMemory;
    for (const Mpi& a : bases) {
        if (!MpiPowmMontgomery(result, a, candidate, candidate, form, scratch)) {
            return method::kOutOfMemory;
        }
        if (MpiCompare(result, a) != 0) return method::kRetry;
    }
    return method::kOk;
}

// Makes the candidate for a prime of `bits` bits from its random bytes (16-bit words, the first
// the least significant, each written most significant byte first), shapes it (below 2^bits,
// odd, top two bits set) and searches the window above it. method::kRetry when no candidate of
// the window passes.
MethodStatus FindPrime(std::span<const std::uint8_t> random, unsigned bits, const Mpi& e,
                       Mpi& prime) {
    const std::size_t length = CandidateBytes(bits);
    SecureBuffer x = SecureBuffer::Zeroed(length);
    SecureBuffer flags = SecureBuffer::Zeroed(kSieveFlags);
    SecureBuffer composite = SecureBuffer::Zeroed(kWindowOdds);
    if (!x.ok() || !flags.ok() || !composite.ok()) return method::kOutOfMemory;
    const std::size_t words = length / 2;
    for (std::size_t k = 0; k < words; ++k) {
        x.data()[2 * (words - 1 - k)] = random[2 * k];
        x.data()[2 * (words - 1 - k) + 1] = random[2 * k + 1];
    }
    ClearBitsFrom(x.span(), bits);
    SetBit(x.span(), 0);
    SetBit(x.span(), bits - 2);
    SetBit(x.span(), bits - 1);

    SieveWithSmallPrimes(flags.data(), composite.data(), x.span());
    composite.Reset();

    const Mpi base = Mpi::FromBytes(x.span(), MpiKind::kSecret);
    x.Reset();
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    Mpi candidate = Mpi::Make(MpiKind::kSecret, bits + 16);
    Mpi candidateMinusOne = Mpi::Make(MpiKind::kSecret, bits + 16);
    Mpi result = Mpi::Make(MpiKind::kSecret, bits + 16);
    Mpi bases[std::size(kFermatBases)];
    bool made = !base.empty() && !scratch.empty() && !candidate.empty() &&
                !candidateMinusOne.empty() && !result.empty();
    for (std::size_t i = 0; made && i < std::size(kFermatBases); ++i) {
        bases[i] = Mpi::FromUint(kFermatBases[i]);
        made = !bases[i].empty();
    }
    if (!made) return method::kOutOfMemory;
    for (std::uint32_t i = 0; i < kSieveFlags; ++i) {
        if (flags.data()[i] != 0) continue;
        if (!MpiAddUint(candidate, base, 2 * i) || !MpiSubUint(candidateMinusOne, candidate, 1) ||
            !MpiGcd(result, e, candidateMinusOne, scratch)) {
            return method::kOutOfMemory;
        }
        if (MpiCompareUint(result, 1) != 0) continue;
        const MethodStatus tested = FermatTest(candidate, bases, result, scratch);
        if (tested == method::kRetry) continue;
        if (tested != method::kOk) return tested;
        // A window that runs past 2^bits would give a modulus one bit too long.
        if (candidate.BitLength() != bits) return method::kRetry;
        prime = std::move(candidate);
        return method::kOk;
    }
    return method::kRetry;
}

// result = a^-1 mod m: method::kRetry when there is none (the attempt's primes do not fit the
// exponent), method::kOutOfMemory when it could not be computed.
MethodStatus Invert(Mpi& result, const Mpi& a, const Mpi& m, MpiScratch& scratch) {
    switch (MpiInvm(result, a, m, scratch)) {
        case MpiInverse::kFound:
            return method::kOk;
        case MpiInverse::kNone:
            return method::kRetry;
        case MpiInverse::kOutOfMemory:
            break;
    }
    return method::kOutOfMemory;
}

// Writes the numbers into one wiped block and points the key's fields at them.
MethodStatus StoreKey(RsaKeyGenKey& key, const Mpi& n, const Mpi& e, const Mpi& d,
                      std::uint32_t primeCount, const Mpi* primes, const Mpi* primeExponents,
                      const Mpi* coefficients) {
    const Mpi* numbers[3 + 3 * kRsaKeyGenMaxPrimes];
    std::size_t count = 0;
    numbers[count++] = &n;
    numbers[count++] = &e;
    numbers[count++] = &d;
    for (std::uint32_t i = 0; i < primeCount; ++i) numbers[count++] = &primes[i];
    for (std::uint32_t i = 0; i < primeCount; ++i) numbers[count++] = &primeExponents[i];
    for (std::uint32_t i = 0; i + 1 < primeCount; ++i) numbers[count++] = &coefficients[i];
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) total += numbers[i]->ByteLength();

    RsaKeyGenKey made;
    made.storage = SecureBuffer::Zeroed(total);
    if (!made.storage.ok()) return method::kOutOfMemory;
    std::span<const std::uint8_t> views[std::size(numbers)];
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::span<std::uint8_t> slice =
            made.storage.span().subspan(at, numbers[i]->ByteLength());
        if (!numbers[i]->ToBytes(slice)) return method::kFailure;
        views[i] = slice;
        at += slice.size();
    }
    std::size_t next = 0;
    made.modulus = views[next++];
    made.publicExponent = views[next++];
    made.privateExponent = views[next++];
    made.primeCount = primeCount;
    for (std::uint32_t i = 0; i < primeCount; ++i) made.primes[i] = views[next++];
    for (std::uint32_t i = 0; i < primeCount; ++i) made.primeExponents[i] = views[next++];
    for (std::uint32_t i = 0; i + 1 < primeCount; ++i) made.coefficients[i] = views[next++];
    key = std::move(made);
    return method::kOk;
}

}  // namespace

MethodStatus RsaKeyGenCheck(const RsaKeyGenParameters& parameters) {
    const std::uint32_t bits = parameters.modulusBits;
    if (bits < kRsaKeyGenMinBits || bits > kRsaKeyGenMaxBits) return method::kModulusLength;
    const std::uint32_t primes = parameters.primeCount;
    const bool allowed =
        primes == 2 || (primes == 3 && bits >= 1024) || (primes == 4 && bits >= 2048);
    if (!allowed) return method::kPrimeCount;
    const unsigned exponentBits = BitLength(parameters.publicExponent);
    if (exponentBits < 2 || exponentBits >= bits) return method::kExponentLength;
    if ((parameters.publicExponent.back() & 1) == 0) return method::kEvenExponent;
    return method::kOk;
}

std::uint32_t RsaKeyGenRandomLength(const RsaKeyGenParameters& parameters) {
    const std::uint32_t perPrime = parameters.primeCount * parameters.modulusBits;
    const std::uint32_t twoPrimes = (parameters.modulusBits + 1) / 8 / 4 * 4 + 4;
    return perPrime > twoPrimes ? perPrime : twoPrimes;
}

MethodStatus RsaKeyGenAttempt(const RsaKeyGenParameters& parameters,
                              std::span<const std::uint8_t> random, RsaKeyGenKey& key,
                              const RsaKeyGenSurrender* surrender) {
    const MethodStatus checked = RsaKeyGenCheck(parameters);
    if (checked != method::kOk) return checked;
    // The candidate rule for more primes (a fixed interval per prime position) is not built.
    if (parameters.primeCount != 2) return method::kNotSupported;
    if (random.size() < RsaKeyGenRandomLength(parameters)) return method::kFailure;

    // Two primes of half the modulus each; with an odd modulus the first gets the extra bit.
    // The second prime's bytes start 2 x floor(b0 / 16) + 2 bytes after the first's.
    constexpr std::uint32_t kPrimes = 2;
    const unsigned half = parameters.modulusBits / 2;
    const unsigned bits[kPrimes] = {half + parameters.modulusBits % 2, half};
    const std::size_t offsets[kPrimes] = {0, 2 * (half / 16) + 2};
    const Mpi e = Mpi::FromBytes(parameters.publicExponent);
    if (e.empty()) return method::kOutOfMemory;
    Mpi primes[kPrimes];
    for (std::uint32_t i = 0; i < kPrimes; ++i) {
        const MethodStatus found =
            FindPrime(random.subspan(offsets[i], CandidateBytes(bits[i])), bits[i], e, primes[i]);
        if (found != method::kOk) return found;
    }
    const int order = MpiCompare(primes[0], primes[1]);
    if (order == 0) return method::kRetry;
    if (order < 0) std::swap(primes[0], primes[1]);
    if (surrender != nullptr && surrender->poll != nullptr &&
        surrender->poll(surrender->context) != 0) {
        return method::kCancelled;
    }

    const unsigned modulusBits = parameters.modulusBits;
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    Mpi n = Mpi::Make(MpiKind::kPublic, modulusBits);
    Mpi phi = Mpi::Make(MpiKind::kSecret, modulusBits);
    Mpi primeMinusOne[kPrimes];
    bool done = !scratch.empty() && !n.empty() && !phi.empty() && MpiCopy(n, primes[0]);
    for (std::uint32_t i = 0; done && i < kPrimes; ++i) {
        primeMinusOne[i] = Mpi::Make(MpiKind::kSecret, bits[0]);
        done = !primeMinusOne[i].empty() && MpiSubUint(primeMinusOne[i], primes[i], 1) &&
               (i == 0 ? MpiCopy(phi, primeMinusOne[0])
                       : MpiMul(n, n, primes[i], scratch) &&
                             MpiMul(phi, phi, primeMinusOne[i], scratch));
    }
    if (!done) return method::kOutOfMemory;
    // d modulo phi itself, not modulo the least common multiple.
    Mpi d = Mpi::Make(MpiKind::kSecret, modulusBits);
    if (d.empty()) return method::kOutOfMemory;
    if (const MethodStatus inverted = Invert(d, e, phi, scratch); inverted != method::kOk) {
        return inverted;
    }
    phi.Reset();

    const Mpi message = Mpi::FromUint(kPairwiseMessage);
    Mpi c = Mpi::Make(MpiKind::kPublic, modulusBits);
    Mpi m = Mpi::Make(MpiKind::kSecret, modulusBits);
    if (message.empty() || c.empty() || m.empty() || !MpiPowm(c, message, e, n, scratch) ||
        !MpiPowm(m, c, d, n, scratch)) {
        return method::kOutOfMemory;
    }
    if (MpiCompare(m, message) != 0) return method::kRetry;

    Mpi primeExponents[kPrimes];
    for (std::uint32_t i = 0; i < kPrimes; ++i) {
        primeExponents[i] = Mpi::Make(MpiKind::kSecret, bits[0]);
        if (primeExponents[i].empty() || !MpiMod(primeExponents[i], d, primeMinusOne[i], scratch)) {
            return method::kOutOfMemory;
        }
    }
    // Coefficient i = (product of primes 0 .. i - 1)^-1 mod prime i, with the two largest primes
    // exchanged for the computation: for two primes, q^-1 mod p.
    std::swap(primes[0], primes[1]);
    Mpi coefficients[kPrimes - 1];
    Mpi product = Mpi::Make(MpiKind::kSecret, modulusBits);
    if (product.empty() || !MpiCopy(product, primes[0])) return method::kOutOfMemory;
    for (std::uint32_t i = 1; i < kPrimes; ++i) {
        coefficients[i - 1] = Mpi::Make(MpiKind::kSecret, bits[0]);
        if (coefficients[i - 1].empty()) return method::kOutOfMemory;
        if (const MethodStatus inverted = Invert(coefficients[i - 1], product, primes[i], scratch);
            inverted != method::kOk) {
            return inverted;
        }
        if (!MpiMul(product, product, primes[i], scratch)) return method::kOutOfMemory;
    }
    std::swap(primes[0], primes[1]);
    return StoreKey(key, n, e, d, kPrimes, primes, primeExponents, coefficients);
}

MethodStatus RsaKeyGenGenerate(const RsaKeyGenParameters& parameters, RsaKeyGenRandomSource random,
                               void* randomContext, RsaKeyGenKey& key,
                               const RsaKeyGenSurrender* surrender) {
    const MethodStatus checked = RsaKeyGenCheck(parameters);
    if (checked != method::kOk) return checked;
    if (parameters.primeCount != 2) return method::kNotSupported;
    const std::uint32_t length = RsaKeyGenRandomLength(parameters);
    SecureBuffer bytes = SecureBuffer::Zeroed(length);
    if (!bytes.ok()) return method::kOutOfMemory;
    for (;;) {
        const MethodStatus drawn = random(randomContext, bytes.data(), length);
        if (drawn != method::kOk) return drawn;
        const MethodStatus status = RsaKeyGenAttempt(parameters, bytes.span(), key, surrender);
        if (status != method::kRetry) return status;
    }
}

}  // namespace quillon::toolkit::methods
