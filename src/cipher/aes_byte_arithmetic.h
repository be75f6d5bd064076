// GF(2^8) arithmetic on every byte of a machine word at once, with shifts, masks and XORs only:
// no byte indexes memory and none decides a branch, so it runs in the same time for any
// value. The portable engine's S-box and both key setups' InvMixColumns use it.
#pragma once

#include <cstdint>

namespace quillon::cipher::bytes {

template <typename Word>
constexpr Word Spread(std::uint8_t byte) {
    return static_cast<Word>(~Word{0} / 0xFF * byte);
}

// Each byte times x, modulo x^8 + x^4 + x^3 + x + 1.
template <typename Word>
inline Word Xtime(Word x) {
    const Word high = (x >> 7) & Spread<Word>(0x01);
    return static_cast<Word>(((x & Spread<Word>(0x7F)) << 1) ^ (high * 0x1B));
}

template <typename Word>
inline Word Multiply(Word a, Word b) {
    Word product = 0;
    for (int bit = 0; bit < 8; ++bit) {
        const Word mask = static_cast<Word>(((b >> bit) & Spread<Word>(0x01)) * 0xFF);
        product ^= a & mask;
        a = Xtime(a);
    }
    return product;
}

// Each byte to the power 254: its inverse, 0 for 0.
template <typename Word>
inline Word Inverse(Word x) {
    const Word x2 = Multiply(x, x);
    const Word x3 = Multiply(x2, x);
    const Word x6 = Multiply(x3, x3);
    const Word x12 = Multiply(x6, x6);
    const Word x15 = Multiply(x12, x3);
    Word x240 = x15;
    for (int i = 0; i < 4; ++i) x240 = Multiply(x240, x240);
    return Multiply(Multiply(x240, x12), x2);
}

// Each byte rotated left by n bits.
template <typename Word>
inline Word RotateBytes(Word x, int n) {
    const Word kept = Spread<Word>(static_cast<std::uint8_t>(0xFF << n));
    return static_cast<Word>(((x << n) & kept) | ((x >> (8 - n)) & ~kept));
}

template <typename Word>
inline Word SubBytes(Word x) {
    const Word y = Inverse(x);
    return static_cast<Word>(y ^ RotateBytes(y, 1) ^ RotateBytes(y, 2) ^ RotateBytes(y, 3) ^
                             RotateBytes(y, 4) ^ Spread<Word>(0x63));
}

template <typename Word>
inline Word InvSubBytes(Word y) {
    return Inverse(static_cast<Word>(RotateBytes(y, 1) ^ RotateBytes(y, 3) ^ RotateBytes(y, 6) ^
                                     Spread<Word>(0x05)));
}

inline std::uint32_t RotateRight(std::uint32_t x, int bits) {
    return (x >> bits) | (x << (32 - bits));
}

// InvMixColumns of one column held as a word (row r in byte r):
// out_r = 14 a_r + 11 a_(r+1) + 13 a_(r+2) + 9 a_(r+3).
inline std::uint32_t InvMixColumn(std::uint32_t a) {
    const std::uint32_t a2 = Xtime(a), a4 = Xtime(a2), a8 = Xtime(a4);
    return (a8 ^ a4 ^ a2) ^ RotateRight(a8 ^ a2 ^ a, 8) ^ RotateRight(a8 ^ a4 ^ a, 16) ^
           RotateRight(a8 ^ a, 24);
}

// The decryption schedule's InvMixColumns, for the engines without AESIMC.
inline void InvMixColumnsOfRoundKeys(std::uint32_t* words, int roundKeys) {
    for (int i = 0; i < 4 * roundKeys; ++i) words[i] = InvMixColumn(words[i]);
}

}  // namespace quillon::cipher::bytes
