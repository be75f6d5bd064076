#include "bignum/bignum.h"

#include <openssl/bn.h>

#include "platform/crypto_library.h"

namespace quillon::bignum {
namespace {

BIGNUM* NewNumber(MpiKind kind) {
    if (kind == MpiKind::kPublic) return BN_new();
    // The DLL's secure heap exists before the first secret limb is allocated.
    platform::PrepareCryptoLibrary();
    BIGNUM* number = BN_secure_new();
    if (number != nullptr) BN_set_flags(number, BN_FLG_CONSTTIME);
    return number;
}

bool IsPositive(const Mpi& m) {
    return !BN_is_zero(m.get()) && !BN_is_negative(m.get());
}

// base^exponent mod m for an even modulus, which Montgomery arithmetic cannot take. OpenSSL's
// reciprocal method refuses constant-time numbers, so it works on plain copies in the scratch
// (secure there when the scratch is secret). No key of any use has an even modulus.
bool PowmEven(Mpi& result, const Mpi& base, const Mpi& exponent, const Mpi& m,
              MpiScratch& scratch) {
    BN_CTX* ctx = scratch.get();
    BN_CTX_start(ctx);
    BIGNUM* plainBase = BN_CTX_get(ctx);
    BIGNUM* plainExponent = BN_CTX_get(ctx);
    BIGNUM* plainModulus = BN_CTX_get(ctx);
    const bool done =
        plainModulus != nullptr && BN_copy(plainModulus, m.get()) != nullptr &&
        BN_copy(plainExponent, exponent.get()) != nullptr &&
        BN_nnmod(plainBase, base.get(), plainModulus, ctx) != 0 &&
        BN_mod_exp_recp(result.get(), plainBase, plainExponent, plainModulus, ctx) != 0;
    BN_CTX_end(ctx);
    return done;
}

// base^exponent mod m for a public exponent and an odd m. OpenSSL turns to its constant-time
// exponentiation whenever an operand carries the constant-time flag; with a public exponent that
// buys nothing for a secret base already below the modulus, since the exponent's windows are
// public and the Montgomery products take the same time for every base. OpenSSL's own RSA runs
// its public-exponent work on secret bases so (encryption, the check of a private-key result),
// and it costs a fraction of the constant-time path. Such a base is exponentiated from a copy in
// the scratch, which does not carry the flag and is secure when the scratch is secret.
bool PowmPublicExponent(Mpi& result, const Mpi& base, const Mpi& exponent, const Mpi& m,
                        BN_MONT_CTX* form, MpiScratch& scratch) {
    BN_CTX* ctx = scratch.get();
    if (base.kind() == MpiKind::kPublic || base.IsNegative() || BN_ucmp(base.get(), m.get()) >= 0) {
        return BN_mod_exp_mont(result.get(), base.get(), exponent.get(), m.get(), ctx, form) != 0;
    }
    BN_CTX_start(ctx);
    BIGNUM* plainBase = BN_CTX_get(ctx);
    const bool done =
        plainBase != nullptr && BN_copy(plainBase, base.get()) != nullptr &&
        BN_mod_exp_mont(result.get(), plainBase, exponent.get(), m.get(), ctx, form) != 0;
    BN_CTX_end(ctx);
    return done;
}

}  // namespace

Mpi Mpi::Make(MpiKind kind, unsigned bitsHint) {
    Mpi number;
    number.kind_ = kind;
    number.value_ = NewNumber(kind);
    // Setting the top bit grows the limbs once; going back to zero keeps them.
    if (number.value_ != nullptr && bitsHint != 0) {
        if (BN_set_bit(number.value_, static_cast<int>(bitsHint - 1)) == 0) {
            number.Reset();
        } else {
            BN_zero(number.value_);
        }
    }
    return number;
}

Mpi Mpi::FromUint(std::uint32_t value, MpiKind kind) {
    Mpi number = Make(kind);
    if (!number.empty() && BN_set_word(number.value_, value) == 0) number.Reset();
    return number;
}

Mpi Mpi::FromBytes(std::span<const std::uint8_t> bigEndian, MpiKind kind) {
    Mpi number = Make(kind);
    if (number.empty() || bigEndian.empty()) return number;
    // Read into the number made above, so a secret's limbs are secure from the start.
    if (BN_bin2bn(bigEndian.data(), static_cast<int>(bigEndian.size()), number.value_) == nullptr) {
        number.Reset();
    }
    return number;
}

void Mpi::Reset() {
    if (kind_ == MpiKind::kSecret) {
        BN_clear_free(value_);
    } else {
        BN_free(value_);
    }
    value_ = nullptr;
}

unsigned Mpi::BitLength() const {
    return static_cast<unsigned>(BN_num_bits(value_));
}

bool Mpi::IsZero() const {
    return BN_is_zero(value_) != 0;
}

bool Mpi::IsOdd() const {
    return BN_is_odd(value_) != 0;
}

bool Mpi::IsNegative() const {
    return BN_is_negative(value_) != 0;
}

bool Mpi::TestBit(unsigned bit) const {
    return BN_is_bit_set(value_, static_cast<int>(bit)) != 0;
}

bool Mpi::SetBit(unsigned bit) {
    return BN_set_bit(value_, static_cast<int>(bit)) != 0;
}

void Mpi::ClearBitsFrom(unsigned bit) {
    // Nothing to clear when the number is shorter: OpenSSL then answers 0 and changes nothing.
    (void)BN_mask_bits(value_, static_cast<int>(bit));
}

bool Mpi::ToBytes(std::span<std::uint8_t> out) const {
    if (IsNegative() || ByteLength() > out.size()) return false;
    if (out.empty()) return true;
    return BN_bn2binpad(value_, out.data(), static_cast<int>(out.size())) >= 0;
}

MpiScratch MpiScratch::Make(MpiKind kind) {
    // Every exponentiation takes a scratch: libcrypto is ready before the first one.
    platform::PrepareCryptoLibrary();
    MpiScratch scratch;
    scratch.value_ = kind == MpiKind::kSecret ? BN_CTX_secure_new() : BN_CTX_new();
    return scratch;
}

void MpiScratch::Reset() {
    BN_CTX_free(value_);
    value_ = nullptr;
}

MpiMontgomery MpiMontgomery::Make(const Mpi& modulus, MpiScratch& scratch) {
    MpiMontgomery form;
    if (!modulus.IsOdd() || MpiCompareUint(modulus, 1) <= 0) return form;
    form.value_ = BN_MONT_CTX_new();
    if (form.value_ != nullptr && BN_MONT_CTX_set(form.value_, modulus.get(), scratch.get()) == 0) {
        form.Reset();
    }
    return form;
}

void MpiMontgomery::Reset() {
    BN_MONT_CTX_free(value_);  // clears its numbers before freeing them
    value_ = nullptr;
}

bool MpiPrepareForm(const Mpi& modulus, MpiMontgomery& form, MpiScratch& scratch) {
    if (!modulus.IsOdd()) return true;
    form = MpiMontgomery::Make(modulus, scratch);
    return !form.empty();
}

int MpiCompare(const Mpi& a, const Mpi& b) {
    return BN_cmp(a.get(), b.get());
}

int MpiCompareUint(const Mpi& a, std::uint32_t b) {
    if (a.IsNegative()) return -1;
    if (a.BitLength() > 32) return 1;
    const BN_ULONG value = BN_get_word(a.get());
    return value < b ? -1 : value > b ? 1 : 0;
}

bool MpiCopy(Mpi& result, const Mpi& a) {
    return result.get() == a.get() || BN_copy(result.get(), a.get()) != nullptr;
}

bool MpiAdd(Mpi& result, const Mpi& a, const Mpi& b) {
    return BN_add(result.get(), a.get(), b.get()) != 0;
}

bool MpiAddUint(Mpi& result, const Mpi& a, std::uint32_t b) {
    return MpiCopy(result, a) && BN_add_word(result.get(), b) != 0;
}

bool MpiSub(Mpi& result, const Mpi& a, const Mpi& b) {
    return BN_sub(result.get(), a.get(), b.get()) != 0;
}

bool MpiSubUint(Mpi& result, const Mpi& a, std::uint32_t b) {
    return MpiCopy(result, a) && BN_sub_word(result.get(), b) != 0;
}

bool MpiMul(Mpi& result, const Mpi& a, const Mpi& b, MpiScratch& scratch) {
    return BN_mul(result.get(), a.get(), b.get(), scratch.get()) != 0;
}

bool MpiMod(Mpi& result, const Mpi& a, const Mpi& m, MpiScratch& scratch) {
    return IsPositive(m) && BN_nnmod(result.get(), a.get(), m.get(), scratch.get()) != 0;
}

bool MpiPowm(Mpi& result, const Mpi& base, const Mpi& exponent, const Mpi& m, MpiScratch& scratch) {
    if (!IsPositive(m) || exponent.IsNegative()) return false;
    if (!m.IsOdd()) return PowmEven(result, base, exponent, m, scratch);
    if (exponent.kind() == MpiKind::kSecret) {
        return BN_mod_exp_mont_consttime(result.get(), base.get(), exponent.get(), m.get(),
                                         scratch.get(), nullptr) != 0;
    }
    return PowmPublicExponent(result, base, exponent, m, nullptr, scratch);
}

bool MpiToMontgomery(Mpi& result, const Mpi& a, const MpiMontgomery& form, MpiScratch& scratch) {
    return BN_to_montgomery(result.get(), a.get(), form.get(), scratch.get()) != 0;
}

bool MpiMulMontgomery(Mpi& result, const Mpi& a, const Mpi& b, const MpiMontgomery& form,
                      MpiScratch& scratch) {
    return BN_mod_mul_montgomery(result.get(), a.get(), b.get(), form.get(), scratch.get()) != 0;
}

bool MpiPowmMontgomery(Mpi& result, const Mpi& base, const Mpi& exponent, const Mpi& m,
                       const MpiMontgomery& form, MpiScratch& scratch) {
    if (exponent.IsNegative()) return false;
    if (exponent.kind() == MpiKind::kSecret) {
        return BN_mod_exp_mont_consttime(result.get(), base.get(), exponent.get(), m.get(),
                                         scratch.get(), form.get()) != 0;
    }
    return PowmPublicExponent(result, base, exponent, m, form.get(), scratch);
}

bool MpiPowmPair(const MpiPowmTask& first, const MpiPowmTask& second, MpiScratch& scratch) {
    if (first.exponent.IsNegative() || second.exponent.IsNegative()) return false;
    return BN_mod_exp_mont_consttime_x2(first.result.get(), first.base.get(), first.exponent.get(),
                                        first.m.get(), first.form.get(), second.result.get(),
                                        second.base.get(), second.exponent.get(), second.m.get(),
                                        second.form.get(), scratch.get()) != 0;
}

bool MpiGcd(Mpi& result, const Mpi& a, const Mpi& b, MpiScratch& scratch) {
    return BN_gcd(result.get(), a.get(), b.get(), scratch.get()) != 0;
}

MpiInverse MpiInvm(Mpi& result, const Mpi& a, const Mpi& m, MpiScratch& scratch) {
    if (MpiCompareUint(m, 2) < 0) return MpiInverse::kNone;
    Mpi reduced = Mpi::Make(a.kind());
    if (reduced.empty() || !MpiMod(reduced, a, m, scratch)) return MpiInverse::kOutOfMemory;
    if (BN_mod_inverse(result.get(), reduced.get(), m.get(), scratch.get()) != nullptr) {
        return MpiInverse::kFound;
    }
    // OpenSSL fails alike for no inverse and for no memory; the gcd tells them apart.
    Mpi divisor = Mpi::Make(a.kind());
    if (divisor.empty() || !MpiGcd(divisor, reduced, m, scratch)) return MpiInverse::kOutOfMemory;
    return MpiCompareUint(divisor, 1) == 0 ? MpiInverse::kOutOfMemory : MpiInverse::kNone;
}

std::uint32_t BytesModSmall(std::span<const std::uint8_t> bigEndian, std::uint32_t divisor) {
    // As many bytes per division as fit beside the remainder in 64 bits: six for divisors
    // below 2^16 (the sieve's small primes), four otherwise.
    const unsigned chunk = divisor <= 0xFFFF ? 6 : 4;
    std::uint64_t remainder = 0;
    std::size_t i = 0;
    const std::size_t head = bigEndian.size() % chunk;
    for (; i < head; ++i) remainder = (remainder << 8 | bigEndian[i]) % divisor;
    for (; i < bigEndian.size(); i += chunk) {
        std::uint64_t part = 0;
        for (unsigned k = 0; k < chunk; ++k) part = part << 8 | bigEndian[i + k];
        remainder = (remainder << (8 * chunk) | part) % divisor;
    }
    return static_cast<std::uint32_t>(remainder);
}

}  // namespace quillon::bignum
