#include "keyagree/raw_rsa.h"

#include <cstring>

#include "keyagree/raw_rsa_key_file.h"
#include "support/bignum.h"
#include "support/bignum_crt.h"
#include "support/byte_order.h"
#include "support/secure_buffer.h"

namespace quillon::keyagree {
namespace {

using support::Mpi;
using support::MpiKind;
using support::MpiMontgomery;
using support::MpiScratch;

constexpr std::uint8_t kMarker = 0xFF;

// Out of memory is the operation's own failure status; anything else is the key file's.
std::int32_t KeyFileResult(KeyFileStatus status, std::int32_t outOfMemory) {
    return status == KeyFileStatus::kOutOfMemory ? outOfMemory : kRawRsaKeyFile;
}

}  // namespace

std::int32_t RawRsaWrap(const char* path, std::uint8_t* buffer, std::uint32_t length) {
    if (path == nullptr || buffer == nullptr || length == 0) return kRawRsaArgument;
    Mpi n, e;
    char tag[kKeyTagLength];
    std::memcpy(tag, kNoKeyTag, kKeyTagLength);
    const ComponentRequest requests[] = {{'n', false, &n}, {'e', false, &e}};
    const KeyFileStatus found = KeyFileFindComponents(path, nullptr, requests, tag);
    if (found != KeyFileStatus::kOk) return KeyFileResult(found, kRawRsaNoNumber);

    // The marker keeps leading zero bytes of the secret through the round trip.
    const std::size_t markedSize = std::size_t{length} + 1;
    if (markedSize == 0) return kRawRsaNoNumber;
    support::SecureBuffer marked = support::SecureBuffer::Zeroed(markedSize);
    if (!marked.ok()) return kRawRsaNoNumber;
    marked.data()[0] = kMarker;
    std::memcpy(marked.data() + 1, buffer, length);
    const Mpi m = Mpi::FromBytes(marked.span(), MpiKind::kSecret);
    marked.Reset();
    if (m.empty()) return kRawRsaNoNumber;

    // A zero modulus leaves nothing to compute modulo, and a marked number not below n would
    // wrap into an envelope that can never be unwrapped: the secret would be lost.
    if (n.IsZero() || MpiCompare(m, n) >= 0) return kRawRsaFailed;
    // The plain bytes pass through the exponentiation: its scratch is secret.
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    Mpi c = Mpi::Make(MpiKind::kPublic, n.BitLength());
    if (scratch.empty() || c.empty() || !MpiPowm(c, m, e, n, scratch)) return kRawRsaNoNumber;
    // Key-file lines are shorter than 2048 characters, so c has far fewer than 65536 bits.
    const unsigned bits = c.BitLength();
    const std::size_t bytes = (bits + 7) / 8;
    std::memcpy(buffer, tag, kKeyTagLength);
    support::StoreBigEndian16(buffer + 8, static_cast<std::uint16_t>(bits));
    if (!c.ToBytes({buffer + kRawRsaHeader, bytes})) return kRawRsaFailed;
    KeyFileForget(path);
    return static_cast<std::int32_t>(kRawRsaHeader + bytes);
}

std::int32_t RawRsaUnwrap(const char* path, std::uint8_t* buffer, std::uint32_t length) {
    if (path == nullptr || buffer == nullptr || length == 0) return kRawRsaArgument;
    char recorded[kKeyTagLength];
    std::memcpy(recorded, kNoKeyTag, kKeyTagLength);
    if (length < kKeyTagLength) {
        // No whole tag to read; the key file still answers first, as for any input.
        const KeyFileStatus loaded = KeyFileFindComponents(path, nullptr, {}, recorded);
        return loaded != KeyFileStatus::kOk ? KeyFileResult(loaded, kRawRsaFailed) : kRawRsaFailed;
    }
    char tag[kKeyTagLength];
    std::memcpy(tag, buffer, kKeyTagLength);
    // 'e' is required although the computation does not use it. The primes are kept q first:
    // the recombination below is Garner's with u = p^-1 mod q.
    Mpi n, e, d, u;
    Mpi primes[2];
    const ComponentRequest requests[] = {{'n', false, &n},        {'e', false, &e},
                                         {'d', true, &d},         {'p', true, &primes[1]},
                                         {'q', true, &primes[0]}, {'u', true, &u}};
    const KeyFileStatus found = KeyFileFindComponents(path, tag, requests, recorded);
    if (found != KeyFileStatus::kOk) return KeyFileResult(found, kRawRsaFailed);

    if (length < kRawRsaHeader) return kRawRsaFailed;  // no bit count after the tag
    const std::uint32_t bits = support::LoadBigEndian16(buffer + 8);
    const std::uint32_t cBytes = (bits + 7) / 8;
    if (bits > kRawRsaMaxBits || cBytes > length - kRawRsaHeader) return kRawRsaFailed;
    const Mpi c = Mpi::FromBytes({buffer + kRawRsaHeader, cBytes});
    if (c.empty()) return kRawRsaFailed;
    // Primes below 2 leave no modulus for a half of the computation.
    if (MpiCompareUint(primes[0], 1) <= 0 || MpiCompareUint(primes[1], 1) <= 0) {
        return kRawRsaFailed;
    }

    // m2 = c^(d mod (q - 1)) mod q, m1 = c^(d mod (p - 1)) mod p, m = m1 + (u (m2 - m1) mod q) p;
    // every intermediate is secret. Any step that fails ran out of memory.
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    if (scratch.empty()) return kRawRsaFailed;
    Mpi exponents[2];
    MpiMontgomery forms[2];
    Mpi halves[2];
    for (int i = 0; i < 2; ++i) {
        const unsigned primeBits = primes[i].BitLength();
        Mpi lessOne = Mpi::Make(MpiKind::kSecret, primeBits);
        exponents[i] = Mpi::Make(MpiKind::kSecret, primeBits);
        halves[i] = Mpi::Make(MpiKind::kSecret, primeBits);
        if (lessOne.empty() || exponents[i].empty() || halves[i].empty() ||
            !MpiSubUint(lessOne, primes[i], 1) || !MpiMod(exponents[i], d, lessOne, scratch) ||
            !support::MpiPrepareForm(primes[i], forms[i], scratch)) {
            return kRawRsaFailed;
        }
    }
    Mpi m = Mpi::Make(MpiKind::kSecret, primes[0].BitLength() + primes[1].BitLength());
    if (m.empty() || !support::MpiCrtHalves(halves, c, primes, forms, exponents, scratch) ||
        !support::MpiCrtCombine(m, halves[0], halves[1], primes[0], primes[1], forms[0], u,
                                scratch)) {
        return kRawRsaFailed;
    }
    // Nothing is written unless m^e mod n gives the envelope's number back (modulo n, as the
    // halves read it): a damaged component or a fault in a half would give a wrong result that
    // also reveals a factor of n to whoever sees it. The comparison is between public numbers
    // when the result is right.
    Mpi check = Mpi::Make(MpiKind::kSecret, n.BitLength());
    Mpi reduced = Mpi::Make(MpiKind::kPublic, n.BitLength());
    if (check.empty() || reduced.empty() || !MpiMod(reduced, c, n, scratch) ||
        !MpiPowm(check, m, e, n, scratch) || MpiCompare(check, reduced) != 0) {
        return kRawRsaFailed;
    }

    // Only a result that starts with the marker and whose secret fits the buffer is written:
    // anything else means a wrong key or damaged input, and the caller's bytes stay as they are.
    const std::size_t mBytes = m.ByteLength();
    if (mBytes == 0 || mBytes - 1 > length) return kRawRsaFailed;
    support::SecureBuffer plain = support::SecureBuffer::Zeroed(mBytes);
    if (!plain.ok()) return kRawRsaFailed;
    if (!m.ToBytes(plain.span()) || plain.data()[0] != kMarker) return kRawRsaFailed;
    std::memcpy(buffer, plain.data() + 1, mBytes - 1);
    return static_cast<std::int32_t>(mBytes - 1);
}

std::uint16_t HostToBigEndian16Value(std::uint32_t value) {
    // The number whose bytes in this host's memory are the low 16 bits, big-endian.
    std::uint8_t bytes[2];
    support::StoreBigEndian16(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
    std::uint16_t result = 0;
    std::memcpy(&result, bytes, sizeof result);
    return result;
}

}  // namespace quillon::keyagree
