#include "keyagree/raw_rsa.h"

#include <cstring>

#include "bignum/bignum.h"
#include "bignum/bignum_crt.h"
#include "keyagree/raw_rsa_key_file.h"
#include "keyagree/raw_rsa_private_key.h"
#include "support/byte_order.h"
#include "support/secure_buffer.h"

namespace quillon::keyagree {
namespace {

using bignum::Mpi;
using bignum::MpiKind;
using bignum::MpiScratch;

constexpr std::uint8_t kMarker = 0xFF;

// Out of memory is the operation's own failure status; anything else is the key file's.
RawRsaStatus KeyFileResult(KeyFileStatus status, RawRsaStatus outOfMemory) {
    return status == KeyFileStatus::kOutOfMemory ? outOfMemory : kRawRsaKeyFile;
}

// Holds a reference to the cached key for the length of an unwrap.
class KeyReference {
  public:
    explicit KeyReference(KeyFileDerived* derived) : derived_(derived) {}
    ~KeyReference() { KeyFileDerived::Release(derived_); }
    KeyReference(const KeyReference&) = delete;
    KeyReference& operator=(const KeyReference&) = delete;

  private:
    KeyFileDerived* derived_;
};

// result = base^e mod n, on n's prepared form when it has one.
bool PublicPowm(const RawRsaPrivateKey& key, Mpi& result, const Mpi& base, MpiScratch& scratch) {
    return key.modulusForm.empty()
               ? MpiPowm(result, base, key.e, key.n, scratch)
               : MpiPowmMontgomery(result, base, key.e, key.n, key.modulusForm, scratch);
}

}  // namespace

RawRsaStatus RawRsaWrap(const char* path, std::uint8_t* buffer, std::uint32_t length,
                        std::uint32_t& produced) {
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
    produced = static_cast<std::uint32_t>(kRawRsaHeader + bytes);
    return kRawRsaDone;
}

RawRsaStatus RawRsaUnwrap(const char* path, std::uint8_t* buffer, std::uint32_t length,
                          std::uint32_t& produced) {
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
    KeyFileDerived* derived = nullptr;
    const KeyFileStatus found = KeyFileFindDerived(path, tag, DeriveRawRsaPrivateKey, derived);
    if (found != KeyFileStatus::kOk) return KeyFileResult(found, kRawRsaFailed);
    const KeyReference reference(derived);
    const auto& key = static_cast<const RawRsaPrivateKey&>(*derived);

    if (length < kRawRsaHeader) return kRawRsaFailed;  // no bit count after the tag
    const std::uint32_t bits = support::LoadBigEndian16(buffer + 8);
    const std::uint32_t cBytes = (bits + 7) / 8;
    if (bits > kRawRsaMaxBits || cBytes > length - kRawRsaHeader) return kRawRsaFailed;
    const Mpi c = Mpi::FromBytes({buffer + kRawRsaHeader, cBytes});
    if (c.empty() || !key.usable) return kRawRsaFailed;

    // The envelope's number goes in blinded (modulo n, as the halves read it); then
    // m2 = x^(d mod (q - 1)) mod q, m1 = x^(d mod (p - 1)) mod p, m = m1 + (u (m2 - m1) mod q) p;
    // every intermediate is secret. Any step that fails ran out of memory.
    const unsigned nBits = key.n.BitLength();
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    Mpi reduced = Mpi::Make(MpiKind::kPublic, nBits);
    Mpi blinded = Mpi::Make(MpiKind::kSecret, nBits);
    Mpi unblinder = Mpi::Make(MpiKind::kSecret, nBits);
    Mpi m = Mpi::Make(MpiKind::kSecret, nBits);
    Mpi halves[2];
    for (int i = 0; i < 2; ++i) halves[i] = Mpi::Make(MpiKind::kSecret, nBits);
    if (scratch.empty() || reduced.empty() || blinded.empty() || unblinder.empty() || m.empty() ||
        halves[0].empty() || halves[1].empty() || !MpiMod(reduced, c, key.n, scratch)) {
        return kRawRsaFailed;
    }
    // Only a key with an even modulus, which no usable key has, goes without blinding.
    const bool blinding = key.blinding.started();
    if (blinding ? !key.blinding.Blind(blinded, unblinder, reduced, key.n, key.modulusForm, scratch)
                 : !MpiCopy(blinded, reduced)) {
        return kRawRsaFailed;
    }
    if (!bignum::MpiCrtHalves(halves, blinded, key.primes, key.forms, key.exponents, scratch) ||
        !bignum::MpiCrtCombine(m, halves[0], halves[1], key.primes[0], key.primes[1], key.forms[0],
                               key.coefficient, scratch)) {
        return kRawRsaFailed;
    }
    // Nothing is written unless m^e mod n gives the blinded number back: a damaged component or
    // a fault in a half would give a wrong result that also reveals a factor of n to whoever
    // sees it. Both are still blinded, so the check's time tells nothing of the result.
    if (!PublicPowm(key, halves[0], m, scratch) || MpiCompare(halves[0], blinded) != 0 ||
        (blinding && !bignum::RsaBlinding::Unblind(m, m, unblinder, key.modulusForm, scratch))) {
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
    produced = static_cast<std::uint32_t>(mBytes - 1);
    return kRawRsaDone;
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
