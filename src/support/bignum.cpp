#include "support/bignum.h"

#include <gcrypt.h>

#include <cstring>

namespace quillon::support {
namespace {

// Secure pool made when this library is the one that initialises libgcrypt. Numbers beyond it
// go to libgcrypt's overflow pools, which are wiped on release just the same.
constexpr unsigned kSecurePoolBytes = 65536;

bool InitialiseLibrary() {
    // A host that finished its own initialisation chose its settings; leave them alone.
    if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P) != 0) return true;
    // The version check is libgcrypt's required first call and sets up its internals.
    gcry_check_version(nullptr);
    // Making the secure pool would otherwise drop a setuid host's privileges, and report an
    // unlockable pool or an overflow pool on stderr: a library must do neither.
    gcry_control(GCRYCTL_DISABLE_PRIV_DROP, 0);
    gcry_control(GCRYCTL_DISABLE_SECMEM_WARN, 0);
    gcry_control(GCRYCTL_INIT_SECMEM, kSecurePoolBytes, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
}

// libgcrypt resets the secure flag when a value is assigned (set_ui, set, scan). Restoring it
// keeps the limbs of a secret in secure memory and makes libgcrypt's temporaries for it secure
// (they are then wiped when freed). Moving a zero with no limbs in use is not allowed and not
// needed: it holds nothing.
void AfterWrite(const Mpi& result) {
    if (result.kind() != MpiKind::kSecret) return;
    gcry_mpi_t value = result.get();
    if (gcry_mpi_get_flag(value, GCRYMPI_FLAG_SECURE) != 0) return;
    if (gcry_mpi_cmp_ui(value, 0) == 0) return;
    gcry_mpi_set_flag(value, GCRYMPI_FLAG_SECURE);
}

bool IsPositive(const Mpi& m) {
    return gcry_mpi_cmp_ui(m.get(), 0) > 0;
}

}  // namespace

void MpiLibraryInit() {
    static const bool ready = InitialiseLibrary();
    (void)ready;
}

Mpi Mpi::Make(MpiKind kind, unsigned bitsHint) {
    MpiLibraryInit();
    Mpi number;
    number.kind_ = kind;
    // At least one limb, so that the secure flag always comes with secure limbs.
    const unsigned bits = bitsHint == 0 ? 64 : bitsHint;
    number.value_ = kind == MpiKind::kSecret ? gcry_mpi_snew(bits) : gcry_mpi_new(bits);
    return number;
}

Mpi Mpi::FromUint(std::uint32_t value, MpiKind kind) {
    Mpi number = Make(kind);
    gcry_mpi_set_ui(number.value_, value);
    AfterWrite(number);
    return number;
}

Mpi Mpi::FromBytes(std::span<const std::uint8_t> bigEndian, MpiKind kind) {
    // A public number is used as scanned: no second set of limbs, no copy.
    if (kind == MpiKind::kPublic && !bigEndian.empty()) {
        MpiLibraryInit();
        Mpi number;
        if (gcry_mpi_scan(&number.value_, GCRYMPI_FMT_USG, bigEndian.data(), bigEndian.size(),
                          nullptr) == 0) {
            return number;
        }
        // Only an allocation can fail here, and libgcrypt ends the process before reporting it.
        number.value_ = nullptr;
    }
    Mpi number = Make(kind, static_cast<unsigned>(bigEndian.size() * 8));
    if (bigEndian.empty()) return number;
    gcry_mpi_t scanned = nullptr;
    if (gcry_mpi_scan(&scanned, GCRYMPI_FMT_USG, bigEndian.data(), bigEndian.size(), nullptr) !=
        0) {
        // Only an allocation can fail here, and libgcrypt ends the process before reporting it.
        return number;
    }
    // Copied into the prepared (for a secret: secure) limbs; the scanned limbs are wiped.
    gcry_mpi_set(number.value_, scanned);
    gcry_mpi_release(scanned);
    AfterWrite(number);
    return number;
}

void Mpi::Reset() {
    gcry_mpi_release(value_);
    value_ = nullptr;
}

unsigned Mpi::BitLength() const {
    return gcry_mpi_get_nbits(value_);
}

bool Mpi::IsZero() const {
    return gcry_mpi_cmp_ui(value_, 0) == 0;
}

bool Mpi::IsNegative() const {
    return gcry_mpi_is_neg(value_) != 0;
}

bool Mpi::TestBit(unsigned bit) const {
    return gcry_mpi_test_bit(value_, bit) != 0;
}

void Mpi::SetBit(unsigned bit) {
    gcry_mpi_set_bit(value_, bit);
    AfterWrite(*this);
}

void Mpi::ClearBitsFrom(unsigned bit) {
    gcry_mpi_clear_highbit(value_, bit);
}

bool Mpi::ToBytes(std::span<std::uint8_t> out) const {
    if (IsNegative()) return false;
    const std::size_t length = ByteLength();
    if (length > out.size()) return false;
    const std::size_t padding = out.size() - length;
    std::size_t written = 0;
    if (length != 0 &&
        gcry_mpi_print(GCRYMPI_FMT_USG, out.data() + padding, length, &written, value_) != 0) {
        return false;
    }
    if (padding != 0) std::memset(out.data(), 0, padding);
    return true;
}

int MpiCompare(const Mpi& a, const Mpi& b) {
    return gcry_mpi_cmp(a.get(), b.get());
}

int MpiCompareUint(const Mpi& a, std::uint32_t b) {
    return gcry_mpi_cmp_ui(a.get(), b);
}

void MpiCopy(Mpi& result, const Mpi& a) {
    if (result.get() == a.get()) return;
    gcry_mpi_set(result.get(), a.get());
    AfterWrite(result);
}

void MpiAdd(Mpi& result, const Mpi& a, const Mpi& b) {
    gcry_mpi_add(result.get(), a.get(), b.get());
    AfterWrite(result);
}

void MpiAddUint(Mpi& result, const Mpi& a, std::uint32_t b) {
    gcry_mpi_add_ui(result.get(), a.get(), b);
    AfterWrite(result);
}

void MpiSub(Mpi& result, const Mpi& a, const Mpi& b) {
    gcry_mpi_sub(result.get(), a.get(), b.get());
    AfterWrite(result);
}

void MpiSubUint(Mpi& result, const Mpi& a, std::uint32_t b) {
    gcry_mpi_sub_ui(result.get(), a.get(), b);
    AfterWrite(result);
}

void MpiMul(Mpi& result, const Mpi& a, const Mpi& b) {
    gcry_mpi_mul(result.get(), a.get(), b.get());
    AfterWrite(result);
}

bool MpiMod(Mpi& result, const Mpi& a, const Mpi& m) {
    // libgcrypt ends the process on a zero divisor.
    if (!IsPositive(m)) return false;
    gcry_mpi_mod(result.get(), a.get(), m.get());
    AfterWrite(result);
    return true;
}

bool MpiPowm(Mpi& result, const Mpi& base, const Mpi& exponent, const Mpi& m) {
    if (!IsPositive(m) || exponent.IsNegative()) return false;
    gcry_mpi_powm(result.get(), base.get(), exponent.get(), m.get());
    AfterWrite(result);
    // A negative base gives a result in (-m, 0]; bring it into [0, m) like every other result.
    if (result.IsNegative()) MpiAdd(result, result, m);
    return true;
}

bool MpiGcd(Mpi& result, const Mpi& a, const Mpi& b) {
    const bool one = gcry_mpi_gcd(result.get(), a.get(), b.get()) != 0;
    AfterWrite(result);
    return one;
}

bool MpiInvm(Mpi& result, const Mpi& a, const Mpi& m) {
    if (MpiCompareUint(m, 2) < 0) return false;
    // libgcrypt wants the number reduced and non-negative.
    Mpi reduced = Mpi::Make(a.kind(), m.BitLength());
    if (!MpiMod(reduced, a, m)) return false;
    const bool found = gcry_mpi_invm(result.get(), reduced.get(), m.get()) != 0;
    AfterWrite(result);
    return found;
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

}  // namespace quillon::support
