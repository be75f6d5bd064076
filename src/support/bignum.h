// Big numbers: one owner type over libgcrypt's multi-precision integers, and the handful of
// operations the public-key code needs. Numbers holding private values are made "secret": their
// limbs live in libgcrypt's secure memory when the host set it up, libgcrypt's own temporaries
// for them are secure too, and every number is wiped when released.
//
// libgcrypt allocates for itself and ends the process when it runs out of memory, so making a
// number or computing with one cannot fail; the operations that report failure do so for
// arithmetic reasons (zero modulus, no inverse, negative value).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

struct gcry_mpi;

namespace quillon::support {

enum class MpiKind : std::uint8_t { kPublic, kSecret };

// Prepares libgcrypt once per process, thread-safely. A host that finished its own libgcrypt
// initialisation keeps its settings; otherwise the library is initialised without a locked
// secure pool (so no privileges are dropped and no memory is locked on the host's behalf) and
// without warnings on the standard error stream. Every Mpi factory calls it.
void MpiLibraryInit();

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
    [[nodiscard]] static Mpi Make(MpiKind kind = MpiKind::kPublic, unsigned bitsHint = 0);
    [[nodiscard]] static Mpi FromUint(std::uint32_t value, MpiKind kind = MpiKind::kPublic);
    // Unsigned big-endian bytes; an empty span gives zero.
    [[nodiscard]] static Mpi FromBytes(std::span<const std::uint8_t> bigEndian,
                                       MpiKind kind = MpiKind::kPublic);

    [[nodiscard]] bool empty() const { return value_ == nullptr; }
    [[nodiscard]] MpiKind kind() const { return kind_; }
    [[nodiscard]] gcry_mpi* get() const { return value_; }

    // Bits of the magnitude; 0 for zero.
    [[nodiscard]] unsigned BitLength() const;
    [[nodiscard]] std::size_t ByteLength() const { return (BitLength() + 7) / 8; }
    [[nodiscard]] bool IsZero() const;
    [[nodiscard]] bool IsNegative() const;
    [[nodiscard]] bool TestBit(unsigned bit) const;
    void SetBit(unsigned bit);
    // Clears every bit at position `bit` and above.
    void ClearBitsFrom(unsigned bit);

    // Writes the value big-endian, left-padded with zeros to exactly out.size() bytes. False
    // (out untouched) when the value is negative or needs more bytes.
    [[nodiscard]] bool ToBytes(std::span<std::uint8_t> out) const;

    // Gives the number back to libgcrypt, which wipes its limbs.
    void Reset();

  private:
    gcry_mpi* value_ = nullptr;
    MpiKind kind_ = MpiKind::kPublic;
};

// Sign of a - b: negative, zero or positive.
[[nodiscard]] int MpiCompare(const Mpi& a, const Mpi& b);
[[nodiscard]] int MpiCompareUint(const Mpi& a, std::uint32_t b);

// Results go to an existing number (made by a factory above) and may alias the inputs.
void MpiCopy(Mpi& result, const Mpi& a);
void MpiAdd(Mpi& result, const Mpi& a, const Mpi& b);
void MpiAddUint(Mpi& result, const Mpi& a, std::uint32_t b);
void MpiSub(Mpi& result, const Mpi& a, const Mpi& b);
void MpiSubUint(Mpi& result, const Mpi& a, std::uint32_t b);
void MpiMul(Mpi& result, const Mpi& a, const Mpi& b);
// result = a mod m, in [0, m) also for negative a. False when m is not positive.
[[nodiscard]] bool MpiMod(Mpi& result, const Mpi& a, const Mpi& m);
// result = base^exponent mod m. False when m is not positive or the exponent is negative.
[[nodiscard]] bool MpiPowm(Mpi& result, const Mpi& base, const Mpi& exponent, const Mpi& m);
// result = gcd(a, b); true when it is 1.
bool MpiGcd(Mpi& result, const Mpi& a, const Mpi& b);
// result = a^-1 mod m. False (result unspecified) when there is none or m is below 2.
[[nodiscard]] bool MpiInvm(Mpi& result, const Mpi& a, const Mpi& m);

// Remainder of an unsigned big-endian number by a small divisor (the divisor must not be 0).
// Used by sieves, which take many remainders of one number and need no big-number object.
[[nodiscard]] std::uint32_t BytesModSmall(std::span<const std::uint8_t> bigEndian,
                                          std::uint32_t divisor);

}  // namespace quillon::support
