// Big numbers: one owner type over OpenSSL's BIGNUM, and the handful of operations the
// public-key code needs. Numbers holding private values are made "secret": their limbs come from
// OpenSSL's secure allocation, which wipes them whenever they are regrown or released, and they
// carry the constant-time flag, so divisions and inverses that involve them take OpenSSL's
// constant-time paths. Exponentiations with a secret exponent are constant-time too. The secure
// allocation takes from a secure heap where one is set up (the DLL sets up its own, see
// platform/crypto_library.h; on Linux it is the application's choice), otherwise from the
// ordinary heap. A full secure heap is out of memory like any other.
//
// Every number and every scratch area is allocated, so making one and computing with one can
// fail: factories then give an empty object, operations false, and nothing is left half made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

struct bignum_st;
struct bignum_ctx;
struct bn_mont_ctx_st;

namespace quillon::bignum {

enum class MpiKind : std::uint8_t { kPublic, kSecret };

class Mpi {
  public:
    Mpi() = default;  // holds no number
    Mpi(const Mpi&) = delete;
    Mpi& operator=(const Mpi&) = delete;
    Mpi(Mpi&& other) noexcept : value_(std::exchange(other.value_, nullptr)), kind_(other.kind_) {}
    Mpi& operator=(Mpi&& other) noexcept {
        if (this != &other) {
            Reset();
            value_ = std::exchange(other.value_, nullptr);
            kind_ = other.kind_;
        }
        return *this;
    }
    ~Mpi() { Reset(); }

    // Zero, with room for about bitsHint bits so that results of that size need no regrowth.
    // Empty when out of memory, as for every factory.
    [[nodiscard]] static Mpi Make(MpiKind kind = MpiKind::kPublic, unsigned bitsHint = 0);
    [[nodiscard]] static Mpi FromUint(std::uint32_t value, MpiKind kind = MpiKind::kPublic);
    // Unsigned big-endian bytes; an empty span gives zero.
    [[nodiscard]] static Mpi FromBytes(std::span<const std::uint8_t> bigEndian,
                                       MpiKind kind = MpiKind::kPublic);

    [[nodiscard]] bool empty() const { return value_ == nullptr; }
    [[nodiscard]] MpiKind kind() const { return kind_; }
    [[nodiscard]] bignum_st* get() const { return value_; }

    // Bits of the magnitude; 0 for zero.
    [[nodiscard]] unsigned BitLength() const;
    [[nodiscard]] std::size_t ByteLength() const { return (BitLength() + 7) / 8; }
    [[nodiscard]] bool IsZero() const;
    [[nodiscard]] bool IsOdd() const;
    [[nodiscard]] bool IsNegative() const;
    [[nodiscard]] bool TestBit(unsigned bit) const;
    // False when out of memory.
    [[nodiscard]] bool SetBit(unsigned bit);
    // Clears every bit at position `bit` and above.
    void ClearBitsFrom(unsigned bit);

    // Writes the value big-endian, left-padded with zeros to exactly out.size() bytes. False
    // (out untouched) when the value is negative or needs more bytes.
    [[nodiscard]] bool ToBytes(std::span<std::uint8_t> out) const;

    // Releases the number; a secret one is wiped first.
    void Reset();

  private:
    bignum_st* value_ = nullptr;
    MpiKind kind_ = MpiKind::kPublic;
};

// Scratch numbers for one run of operations (OpenSSL's BN_CTX). Work that a secret passes
// through takes a secret one: its numbers come from the secure allocation and are wiped when
// released.
class MpiScratch {
  public:
    MpiScratch() = default;
    MpiScratch(const MpiScratch&) = delete;
    MpiScratch& operator=(const MpiScratch&) = delete;
    MpiScratch(MpiScratch&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    MpiScratch& operator=(MpiScratch&& other) noexcept {
        if (this != &other) {
            Reset();
            value_ = std::exchange(other.value_, nullptr);
        }
        return *this;
    }
    ~MpiScratch() { Reset(); }

    // Empty when out of memory.
    [[nodiscard]] static MpiScratch Make(MpiKind kind);
    [[nodiscard]] bool empty() const { return value_ == nullptr; }
    [[nodiscard]] bignum_ctx* get() const { return value_; }
    void Reset();

  private:
    bignum_ctx* value_ = nullptr;
};

// The Montgomery form of one odd modulus, prepared once and kept with the key or group it
// belongs to, so that exponentiations modulo it skip the preparation.
class MpiMontgomery {
  public:
    MpiMontgomery() = default;
    MpiMontgomery(const MpiMontgomery&) = delete;
    MpiMontgomery& operator=(const MpiMontgomery&) = delete;
    MpiMontgomery(MpiMontgomery&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    MpiMontgomery& operator=(MpiMontgomery&& other) noexcept {
        if (this != &other) {
            Reset();
            value_ = std::exchange(other.value_, nullptr);
        }
        return *this;
    }
    ~MpiMontgomery() { Reset(); }

    // For an odd modulus above 1; empty when out of memory. The modulus must stay alive and
    // unchanged while the form is used.
    [[nodiscard]] static MpiMontgomery Make(const Mpi& modulus, MpiScratch& scratch);
    [[nodiscard]] bool empty() const { return value_ == nullptr; }
    [[nodiscard]] bn_mont_ctx_st* get() const { return value_; }
    // Releases the form, wiped (the modulus may be a secret prime).
    void Reset();

  private:
    bn_mont_ctx_st* value_ = nullptr;
};

// The form of an odd modulus above 1 made into `form`; an even modulus (no usable key has one)
// leaves it empty, and exponentiations modulo it take the general path. False when out of
// memory.
[[nodiscard]] bool MpiPrepareForm(const Mpi& modulus, MpiMontgomery& form, MpiScratch& scratch);

// Sign of a - b: negative, zero or positive.
[[nodiscard]] int MpiCompare(const Mpi& a, const Mpi& b);
[[nodiscard]] int MpiCompareUint(const Mpi& a, std::uint32_t b);

// Results go to an existing number (made by a factory above) and may alias the inputs. False
// means out of memory unless the comment says more; the result is then unspecified.
[[nodiscard]] bool MpiCopy(Mpi& result, const Mpi& a);
[[nodiscard]] bool MpiAdd(Mpi& result, const Mpi& a, const Mpi& b);
[[nodiscard]] bool MpiAddUint(Mpi& result, const Mpi& a, std::uint32_t b);
[[nodiscard]] bool MpiSub(Mpi& result, const Mpi& a, const Mpi& b);
[[nodiscard]] bool MpiSubUint(Mpi& result, const Mpi& a, std::uint32_t b);
[[nodiscard]] bool MpiMul(Mpi& result, const Mpi& a, const Mpi& b, MpiScratch& scratch);
// result = a mod m, in [0, m) also for negative a. Also false when m is not positive.
[[nodiscard]] bool MpiMod(Mpi& result, const Mpi& a, const Mpi& m, MpiScratch& scratch);
// result = base^exponent mod m, in [0, m) also for a negative base; constant-time for a secret
// exponent and an odd modulus. A public exponent takes OpenSSL's general path even for a secret
// base below m, as OpenSSL's own RSA does for its public-exponent work; the scratch must then be
// secret. Also false when m is not positive or the exponent is negative.
[[nodiscard]] bool MpiPowm(Mpi& result, const Mpi& base, const Mpi& exponent, const Mpi& m,
                           MpiScratch& scratch);
// The same with m's prepared Montgomery form (m odd).
[[nodiscard]] bool MpiPowmMontgomery(Mpi& result, const Mpi& base, const Mpi& exponent,
                                     const Mpi& m, const MpiMontgomery& form, MpiScratch& scratch);
// result = a * R mod m for m's form, R its power of two: a into Montgomery form. a below m.
[[nodiscard]] bool MpiToMontgomery(Mpi& result, const Mpi& a, const MpiMontgomery& form,
                                   MpiScratch& scratch);
// result = a * b / R mod m (Montgomery's product), a and b below m. With b = c * R, the plain
// product a * c mod m.
[[nodiscard]] bool MpiMulMontgomery(Mpi& result, const Mpi& a, const Mpi& b,
                                    const MpiMontgomery& form, MpiScratch& scratch);
// Two constant-time exponentiations with secret exponents at once (a result may be its own
// base), each with its prepared form: OpenSSL runs them interleaved where the processor
// allows, as its own RSA does for the two halves of a private-key operation.
struct MpiPowmTask {
    Mpi& result;
    const Mpi& base;
    const Mpi& exponent;
    const Mpi& m;
    const MpiMontgomery& form;
};
[[nodiscard]] bool MpiPowmPair(const MpiPowmTask& first, const MpiPowmTask& second,
                               MpiScratch& scratch);
// result = gcd(a, b).
[[nodiscard]] bool MpiGcd(Mpi& result, const Mpi& a, const Mpi& b, MpiScratch& scratch);

enum class MpiInverse : std::uint8_t { kFound, kNone, kOutOfMemory };
// result = a^-1 mod m. kNone (result unspecified) when there is none or m is below 2.
[[nodiscard]] MpiInverse MpiInvm(Mpi& result, const Mpi& a, const Mpi& m, MpiScratch& scratch);

// Remainder of an unsigned big-endian number by a small divisor (the divisor must not be 0).
// Used by sieves, which take many remainders of one number and need no big-number object.
[[nodiscard]] std::uint32_t BytesModSmall(std::span<const std::uint8_t> bigEndian,
                                          std::uint32_t divisor);

}  // namespace quillon::bignum
