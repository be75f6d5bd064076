// The nibble tables of the vector-permute AES engine, derived at compile time. The S-box's
// inversion runs in GF(2^8) seen as GF(16)[s]/(s^2 + a s + a): a byte holds k + i s as the
// nibbles (i, k), so every step is a 16-entry lookup (one byte shuffle) or an XOR.
//
// With j = i + k and the norm N = k^2 + a i k + a i^2 (= x times its conjugate),
//   io = j + 1 / (1/i + a/k) = N / (k + a i),    jo = (a i + k) + 1 / (1/i + 1/k) = N / j,
// and x^-1 = (k + a i)/N + (i/N) s, so 1/io is the inverse's constant coefficient and the
// s coefficient is (1/jo + 1/io) / (1 + a): each output table takes one of io, jo. Both need
// two lookups in a row after the nibbles, which keeps the round short. A zero divisor reads as
// "infinity", 0x80, whose high bit makes the next shuffle give 0 = 1/infinity; the identities
// above hold through those cases (checked below over all 256 bytes).
//
// Encryption keeps the state in the basis phi (AES bytes mapped to the tower field);
// decryption in psi = phi after the inverse of the S-box's linear part, so that the inverse
// S-box's input needs only a constant, which the round keys carry.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

namespace quillon::cipher::tower {

using Table = std::array<std::uint8_t, 16>;
using ByteMap = std::array<std::uint8_t, 256>;

namespace detail {

// Product in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr std::uint8_t AesMultiply(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if ((b >> bit) & 1) product ^= a;
        a = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
    }
    return product;
}

constexpr std::uint8_t AesInverse(std::uint8_t x) {
    // x^254 by squaring and multiplying.
    std::uint8_t result = 1;
    for (int bit = 7; bit >= 0; --bit) {
        result = AesMultiply(result, result);
        if ((254 >> bit) & 1) result = AesMultiply(result, x);
    }
    return result;
}

constexpr std::uint8_t RotateByte(std::uint8_t x, int n) {
    return static_cast<std::uint8_t>((x << n) | (x >> (8 - n)));
}

// The linear part of the S-box's affine map, and its inverse.
constexpr std::uint8_t AffineLinear(std::uint8_t x) {
    return static_cast<std::uint8_t>(x ^ RotateByte(x, 1) ^ RotateByte(x, 2) ^ RotateByte(x, 3) ^
                                     RotateByte(x, 4));
}
constexpr std::uint8_t AffineLinearInverse(std::uint8_t x) {
    return static_cast<std::uint8_t>(RotateByte(x, 1) ^ RotateByte(x, 3) ^ RotateByte(x, 6));
}

constexpr std::uint8_t kAffineConstant = 0x63;

constexpr std::uint8_t Sbox(std::uint8_t x) {
    return AffineLinear(AesInverse(x)) ^ kAffineConstant;
}
constexpr std::uint8_t InverseSbox(std::uint8_t y) {
    return AesInverse(AffineLinearInverse(y ^ kAffineConstant));
}

// GF(16) modulo z^4 + z + 1.
constexpr std::uint8_t NibbleMultiply(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    for (int bit = 0; bit < 4; ++bit) {
        if ((b >> bit) & 1) product ^= a;
        a = static_cast<std::uint8_t>(((a << 1) ^ ((a & 0x8) ? 0x13 : 0)) & 0xF);
    }
    return product;
}

constexpr std::uint8_t NibbleInverse(std::uint8_t x) {
    for (std::uint8_t y = 1; y < 16; ++y) {
        if (NibbleMultiply(x, y) == 1) return y;
    }
    return 0;
}

// The smallest a (not 0 or 1) for which s^2 + a s + a has no root in GF(16).
constexpr std::uint8_t FindA() {
    for (std::uint8_t a = 2; a < 16; ++a) {
        bool irreducible = true;
        for (std::uint8_t r = 0; r < 16; ++r) {
            if ((NibbleMultiply(r, r) ^ NibbleMultiply(a, r) ^ a) == 0) irreducible = false;
        }
        if (irreducible) return a;
    }
    return 0;
}

constexpr std::uint8_t kA = FindA();
static_assert(kA > 1);

// (k1 + i1 s)(k2 + i2 s), with s^2 = a s + a.
constexpr std::uint8_t TowerMultiply(std::uint8_t x, std::uint8_t y) {
    const std::uint8_t k1 = x & 0xF, i1 = x >> 4, k2 = y & 0xF, i2 = y >> 4;
    const std::uint8_t ii = NibbleMultiply(i1, i2);
    const std::uint8_t k = NibbleMultiply(k1, k2) ^ NibbleMultiply(kA, ii);
    const std::uint8_t i = NibbleMultiply(k1, i2) ^ NibbleMultiply(i1, k2) ^ NibbleMultiply(kA, ii);
    return static_cast<std::uint8_t>((i << 4) | k);
}

// A root of the AES polynomial in the tower field: the image of x, which fixes the isomorphism.
constexpr std::uint8_t FindRoot() {
    for (int y = 2; y < 256; ++y) {
        std::uint8_t power[9] = {1};
        for (int m = 1; m <= 8; ++m) {
            power[m] = TowerMultiply(power[m - 1], static_cast<std::uint8_t>(y));
        }
        if ((power[8] ^ power[4] ^ power[3] ^ power[1] ^ power[0]) == 0) {
            return static_cast<std::uint8_t>(y);
        }
    }
    return 0;
}

constexpr ByteMap MakePhi() {
    const std::uint8_t root = FindRoot();
    std::uint8_t power[8] = {1};
    for (int m = 1; m < 8; ++m) power[m] = TowerMultiply(power[m - 1], root);
    ByteMap phi{};
    for (int b = 0; b < 256; ++b) {
        for (int m = 0; m < 8; ++m) {
            if ((b >> m) & 1) phi[b] ^= power[m];
        }
    }
    return phi;
}

constexpr ByteMap Invert(const ByteMap& map) {
    ByteMap inverse{};
    for (int b = 0; b < 256; ++b) inverse[map[b]] = static_cast<std::uint8_t>(b);
    return inverse;
}

constexpr ByteMap kPhi = MakePhi();
constexpr ByteMap kPhiInverse = Invert(kPhi);

constexpr ByteMap MakePsi() {
    ByteMap psi{};
    for (int b = 0; b < 256; ++b) psi[b] = kPhi[AffineLinearInverse(static_cast<std::uint8_t>(b))];
    return psi;
}
constexpr ByteMap kPsi = MakePsi();

constexpr std::uint8_t ReciprocalOrInfinity(std::uint8_t n, std::uint8_t numerator) {
    return n == 0 ? 0x80 : NibbleMultiply(numerator, NibbleInverse(n));
}

constexpr Table MakeTable(auto entry) {
    Table table{};
    for (std::uint8_t n = 0; n < 16; ++n) table[n] = entry(n);
    return table;
}

// The part of x^-1 (as a tower byte) that io, and that jo, contributes.
constexpr std::uint8_t kOverOnePlusA = NibbleInverse(1 ^ kA);

constexpr std::uint8_t FromIo(std::uint8_t io) {
    const std::uint8_t u = io == 0 ? 0 : NibbleInverse(io);
    return static_cast<std::uint8_t>((NibbleMultiply(kOverOnePlusA, u) << 4) | u);
}
constexpr std::uint8_t FromJo(std::uint8_t jo) {
    const std::uint8_t w = jo == 0 ? 0 : NibbleInverse(jo);
    return static_cast<std::uint8_t>(NibbleMultiply(kOverOnePlusA, w) << 4);
}

// An output table: the contribution of io (or jo) to x^-1, through f, a linear map on AES bytes.
constexpr Table Output(std::uint8_t (*part)(std::uint8_t), auto f) {
    return MakeTable([=](std::uint8_t n) { return f(kPhiInverse[part(n)]); });
}

// An input table of a basis change: the image of the low nibble, or of the high one.
constexpr Table Input(const ByteMap& basis, int shift) {
    return MakeTable([&](std::uint8_t n) { return basis[n << shift]; });
}

}  // namespace detail

struct Tables {
    Table reciprocal;  // 1/n, 0 -> infinity
    Table aOver;       // a/n, 0 -> infinity
    Table aTimes;      // a n
    Table phiLow, phiHigh, psiLow, psiHigh;
    // Encryption: phi(S), phi(2 S), phi(3 S) for the middle rounds, S itself for the last;
    // without the affine constant, which the prepared round keys carry.
    Table sIo, sJo, s2Io, s2Jo, s3Io, s3Jo, sLastIo, sLastJo;
    // Decryption: psi(c S^-1) for the four InvMixColumns factors; S^-1 itself for the last.
    Table i9Io, i9Jo, i11Io, i11Jo, i13Io, i13Jo, i14Io, i14Jo, iLastIo, iLastJo;
};

constexpr Tables MakeTables() {
    using namespace detail;
    const auto sLinear = [](std::uint8_t x) { return AffineLinear(x); };
    const auto phiOf = [](auto f) { return [=](std::uint8_t x) { return kPhi[f(x)]; }; };
    const auto psiTimes = [](std::uint8_t c) {
        return [=](std::uint8_t x) { return kPsi[AesMultiply(c, x)]; };
    };
    const auto plain = [](std::uint8_t x) { return x; };
    const auto twice = [=](std::uint8_t x) { return AesMultiply(2, sLinear(x)); };
    const auto thrice = [=](std::uint8_t x) { return AesMultiply(3, sLinear(x)); };
    Tables t{};
    t.reciprocal = MakeTable([](std::uint8_t n) { return ReciprocalOrInfinity(n, 1); });
    t.aOver = MakeTable([](std::uint8_t n) { return ReciprocalOrInfinity(n, kA); });
    t.aTimes = MakeTable([](std::uint8_t n) { return NibbleMultiply(kA, n); });
    t.phiLow = Input(kPhi, 0);
    t.phiHigh = Input(kPhi, 4);
    t.psiLow = Input(kPsi, 0);
    t.psiHigh = Input(kPsi, 4);
    t.sIo = Output(FromIo, phiOf(sLinear));
    t.sJo = Output(FromJo, phiOf(sLinear));
    t.s2Io = Output(FromIo, phiOf(twice));
    t.s2Jo = Output(FromJo, phiOf(twice));
    t.s3Io = Output(FromIo, phiOf(thrice));
    t.s3Jo = Output(FromJo, phiOf(thrice));
    t.sLastIo = Output(FromIo, sLinear);
    t.sLastJo = Output(FromJo, sLinear);
    t.i9Io = Output(FromIo, psiTimes(9));
    t.i9Jo = Output(FromJo, psiTimes(9));
    t.i11Io = Output(FromIo, psiTimes(11));
    t.i11Jo = Output(FromJo, psiTimes(11));
    t.i13Io = Output(FromIo, psiTimes(13));
    t.i13Jo = Output(FromJo, psiTimes(13));
    t.i14Io = Output(FromIo, psiTimes(14));
    t.i14Jo = Output(FromJo, psiTimes(14));
    t.iLastIo = Output(FromIo, plain);
    t.iLastJo = Output(FromJo, plain);
    return t;
}

inline constexpr Tables kTables = MakeTables();

// What the round keys carry besides the key: the S-box's affine constant where the state is in
// phi (it passes MixColumns unchanged, 2 + 3 + 1 + 1 = 1), the constant the inverse S-box adds
// before its inversion where it is in psi, and the plain constant for the last encryption round.
inline constexpr std::uint8_t kPhiAffineConstant = detail::kPhi[detail::kAffineConstant];
inline constexpr std::uint8_t kInverseInputConstant =
    detail::kPhi[detail::AffineLinearInverse(detail::kAffineConstant)];
inline constexpr std::uint8_t kAffineConstant = detail::kAffineConstant;

namespace detail {

// The engine's steps on one byte, as the byte shuffles compute them (an index with its high
// bit set gives 0).
constexpr std::uint8_t Shuffle(const Table& table, std::uint8_t index) {
    return (index & 0x80) ? 0 : table[index & 0xF];
}

struct IoJo {
    std::uint8_t io, jo;
};

constexpr IoJo Invert(std::uint8_t x) {
    const std::uint8_t k = x & 0xF, i = x >> 4;
    const std::uint8_t ri = Shuffle(kTables.reciprocal, i);
    const std::uint8_t iak = ri ^ Shuffle(kTables.aOver, k);
    const std::uint8_t ik = ri ^ Shuffle(kTables.reciprocal, k);
    return {static_cast<std::uint8_t>(Shuffle(kTables.reciprocal, iak) ^ i ^ k),
            static_cast<std::uint8_t>(Shuffle(kTables.reciprocal, ik) ^ Shuffle(kTables.aTimes, i) ^
                                      k)};
}

constexpr std::uint8_t Through(const Table& io, const Table& jo, IoJo x) {
    return Shuffle(io, x.io) ^ Shuffle(jo, x.jo);
}

constexpr std::uint8_t ChangeBasis(const Table& low, const Table& high, std::uint8_t b) {
    return Shuffle(low, b & 0xF) ^ Shuffle(high, b >> 4);
}

// Every table against the definitions, over all 256 bytes.
constexpr bool TablesAgreeWithTheSbox() {
    const Tables& t = kTables;
    for (int b = 0; b < 256; ++b) {
        const auto x = static_cast<std::uint8_t>(b);
        if (ChangeBasis(t.phiLow, t.phiHigh, x) != kPhi[x]) return false;
        if (ChangeBasis(t.psiLow, t.psiHigh, x) != kPsi[x]) return false;
        // Encryption: x in phi.
        const IoJo forward = Invert(kPhi[x]);
        const std::uint8_t s = Sbox(x);
        if ((Through(t.sLastIo, t.sLastJo, forward) ^ kAffineConstant) != s) return false;
        if ((Through(t.sIo, t.sJo, forward) ^ kPhiAffineConstant) != kPhi[s]) return false;
        for (const std::uint8_t c : {std::uint8_t{2}, std::uint8_t{3}}) {
            const Table& io = c == 2 ? t.s2Io : t.s3Io;
            const Table& jo = c == 2 ? t.s2Jo : t.s3Jo;
            if ((Through(io, jo, forward) ^ kPhi[AesMultiply(c, kAffineConstant)]) !=
                kPhi[AesMultiply(c, s)]) {
                return false;
            }
        }
        // Decryption: the state byte x in psi, plus the inverse S-box's input constant.
        const IoJo backward = Invert(kPsi[x] ^ kInverseInputConstant);
        const std::uint8_t is = InverseSbox(x);
        if (Through(t.iLastIo, t.iLastJo, backward) != is) return false;
        struct Factor {
            const Table& io;
            const Table& jo;
            std::uint8_t c;
        } const factors[] = {{t.i9Io, t.i9Jo, 9},
                             {t.i11Io, t.i11Jo, 11},
                             {t.i13Io, t.i13Jo, 13},
                             {t.i14Io, t.i14Jo, 14}};
        for (const Factor& f : factors) {
            if (Through(f.io, f.jo, backward) != kPsi[AesMultiply(f.c, is)]) return false;
        }
    }
    return Sbox(0) == 0x63 && Sbox(0x53) == 0xED && InverseSbox(0xED) == 0x53;
}

static_assert(TablesAgreeWithTheSbox());

}  // namespace detail

}  // namespace quillon::cipher::tower
