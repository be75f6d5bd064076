// The DES definition tables (FIPS 46-3) and the layout every DES engine shares: which byte lane
// of a round's expanded half holds which S-box input, and where each bit of the round function's
// output comes from. The engines derive their own lookup tables from these at compile time.
#pragma once

#include <cstdint>

namespace quillon::des {

// FIPS 46-3, appendix 1: the S-boxes S1..S8, each as four rows of sixteen columns. The row is
// the first and last input bit, the column the four middle ones.
inline constexpr std::uint8_t kSboxes[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4, 9,  7,  2, 13, 12, 0,  5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9, 11, 5,  0, 14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0,  8,  13, 3, 12, 9,  7, 5,  10, 6,  1,  13, 0,  11, 7,  4, 9,
     1, 10, 14, 3,  5,  12, 2,  15, 8, 6,  1,  4, 11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0, 5,  9,  2,  6,  11, 13, 8,  1, 4,  10, 7, 9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2, 8,  4, 6, 15, 11, 1,  10, 9,  3, 14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4, 12, 5, 6, 11, 0,  14, 9,  2,  7, 11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3, 5,  8, 2, 1,  14, 7,  4,  10, 8, 13, 15, 12, 9,  0,  3,  5,  6,  11},
};

// FIPS 46-3: the permutation P of the round function, PC-1 and PC-2 of the key schedule and the
// left shifts of C and D per round. Bits are numbered from 1, the first being the most
// significant.
inline constexpr std::uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23,
                                        26, 5, 18, 31, 10, 2,  8,  24, 14, 32, 27,
                                        3,  9, 19, 13, 30, 6,  22, 11, 4,  25};
inline constexpr std::uint8_t kPc1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                          10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                          63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                          14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};
inline constexpr std::uint8_t kPc2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};
inline constexpr std::uint8_t kKeyShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};
// The initial permutation, against which the engines' shift-and-mask form is checked.
inline constexpr std::uint8_t kIp[64] = {
    58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
    14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
    27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};

// S-box `box` (0 for S1) on a 6-bit input whose first bit is the most significant.
constexpr unsigned SboxOutput(int box, unsigned input) {
    const unsigned row = ((input >> 4) & 2) | (input & 1);
    const unsigned column = (input >> 1) & 15;
    return kSboxes[box][row * 16 + column];
}

// The engines hold each 32-bit half rotated left by one bit. Then the eight 6-bit inputs of a
// round's S-boxes are whole bytes of two words, the half h itself and h rotated right by four,
// each masked with 0x3F3F3F3F: one 64-bit word of eight byte lanes, lane k the input of S-box
// kLaneSbox[k] (0 for S1), its first bit at bit 5. Round keys are laid out the same way.
inline constexpr int kLaneSbox[8] = {7, 5, 3, 1, 6, 4, 2, 0};

constexpr int LaneOfSbox(int box) {
    for (int lane = 0; lane < 8; ++lane) {
        if (kLaneSbox[lane] == box) return lane;
    }
    return -1;
}

// Where bit `position` (0 the least significant) of the round function's output, held rotated
// left by one bit like the halves, comes from: a bit of one S-box's 4-bit output (0 its least
// significant), through P.
struct OutputSource {
    int lane;
    int sboxBit;
};

constexpr OutputSource OutputSourceOf(int position) {
    const int unrotated = (position + 31) % 32;
    const int inputBit = kP[31 - unrotated];  // P names bits from 1, the most significant first
    const int box = (inputBit - 1) / 4;
    return {LaneOfSbox(box), 3 - (inputBit - 1) % 4};
}

// Every row of every S-box is a permutation of 0..15, as FIPS 46-3 prints them.
constexpr bool RowsArePermutations() {
    for (const auto& box : kSboxes) {
        for (int row = 0; row < 4; ++row) {
            unsigned seen = 0;
            for (int column = 0; column < 16; ++column) seen |= 1u << box[row * 16 + column];
            if (seen != 0xFFFF) return false;
        }
    }
    return true;
}
static_assert(RowsArePermutations());
static_assert(SboxOutput(0, 0) == 14 && SboxOutput(0, 63) == 13 && SboxOutput(7, 1) == 1);

}  // namespace quillon::des
