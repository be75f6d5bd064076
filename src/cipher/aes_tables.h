// The AES lookup tables, derived at compile time from the FIPS-197 S-box definition (the
// multiplicative inverse in GF(2^8) followed by the affine map). Five families of four tables,
// 256 little-endian words each, 20 KB of constant data.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace quillon::cipher {

using AesTable = std::array<std::uint32_t, 256>;
using AesTableFamily = std::array<AesTable, 4>;

struct AesTables {
    AesTableFamily forward;      // encryption rounds 1 .. Nr-1
    AesTableFamily forwardLast;  // last encryption round, SubWord of the key setups
    AesTableFamily inverse;      // decryption rounds 1 .. Nr-1
    AesTableFamily inverseLast;  // last decryption round
    AesTableFamily inverseMix;   // InvMixColumns of the decryption key setup
};

namespace detail {

// Product in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr std::uint8_t GfMultiply(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    while (b != 0) {
        if (b & 1) product ^= a;
        a = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
        b >>= 1;
    }
    return product;
}

constexpr std::array<std::uint8_t, 256> MakeSbox() {
    // Walk the powers of the generator 3 to get logarithms, hence inverses.
    std::array<std::uint8_t, 256> power{}, logarithm{};
    std::uint8_t x = 1;
    for (int i = 0; i < 255; ++i) {
        power[i] = x;
        logarithm[x] = static_cast<std::uint8_t>(i);
        x = GfMultiply(x, 3);
    }
    std::array<std::uint8_t, 256> sbox{};
    for (int value = 0; value < 256; ++value) {
        const std::uint8_t inverse = value == 0 ? 0 : power[(255 - logarithm[value]) % 255];
        std::uint8_t affine = inverse;
        for (int shift = 1; shift <= 4; ++shift) {
            affine ^= static_cast<std::uint8_t>((inverse << shift) | (inverse >> (8 - shift)));
        }
        sbox[value] = static_cast<std::uint8_t>(affine ^ 0x63);
    }
    return sbox;
}

constexpr std::array<std::uint8_t, 256> Invert(const std::array<std::uint8_t, 256>& box) {
    std::array<std::uint8_t, 256> inverse{};
    for (int value = 0; value < 256; ++value)
        inverse[box[value]] = static_cast<std::uint8_t>(value);
    return inverse;
}

// A word from four bytes listed from the least significant.
constexpr std::uint32_t Word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return std::uint32_t{b0} | std::uint32_t{b1} << 8 | std::uint32_t{b2} << 16 |
           std::uint32_t{b3} << 24;
}

// Table k of a family is table 0 rotated left by 8k bits.
template <typename EntryOf>
constexpr AesTableFamily RotatedFamily(EntryOf entryOf) {
    AesTableFamily family{};
    for (int x = 0; x < 256; ++x) {
        const std::uint32_t first = entryOf(static_cast<std::uint8_t>(x));
        for (int k = 0; k < 4; ++k) family[k][x] = std::rotl(first, 8 * k);
    }
    return family;
}

constexpr AesTables MakeTables() {
    constexpr auto s = MakeSbox();
    constexpr auto is = Invert(s);
    const auto mul = GfMultiply;
    AesTables tables{};
    tables.forward =
        RotatedFamily([&](std::uint8_t x) { return Word(mul(s[x], 2), s[x], s[x], mul(s[x], 3)); });
    tables.forwardLast = RotatedFamily([&](std::uint8_t x) { return std::uint32_t{s[x]}; });
    tables.inverse = RotatedFamily([&](std::uint8_t x) {
        return Word(mul(is[x], 14), mul(is[x], 9), mul(is[x], 13), mul(is[x], 11));
    });
    tables.inverseLast = RotatedFamily([&](std::uint8_t x) { return std::uint32_t{is[x]}; });
    tables.inverseMix = RotatedFamily(
        [&](std::uint8_t x) { return Word(mul(x, 14), mul(x, 9), mul(x, 13), mul(x, 11)); });
    return tables;
}

}  // namespace detail

inline constexpr AesTables kAesTables = detail::MakeTables();

// Known entries (FIPS-197 figure 7 and 14; the well-known first T-table words).
static_assert(kAesTables.forwardLast[0][0x00] == 0x63 && kAesTables.forwardLast[0][0x53] == 0xED);
static_assert(kAesTables.forwardLast[1][0xFF] == 0x1600);
static_assert(kAesTables.inverseLast[0][0x00] == 0x52 &&
              kAesTables.inverseLast[3][0xFF] == 0x7D000000);
static_assert(kAesTables.forward[0][0] == 0xA56363C6 && kAesTables.forward[1][0] == 0x6363C6A5);
static_assert(kAesTables.inverse[0][0] == 0x50A7F451);
static_assert(kAesTables.inverseMix[0][1] == 0x0B0D090E);
static_assert(sizeof(AesTables) == 20 * 1024);

}  // namespace quillon::cipher
