#include "des/des_round_keys.h"

#include <array>

#include "des/des_tables.h"
#include "support/byte_order.h"

namespace quillon::des {
namespace {

constexpr std::uint32_t kHalfMask = 0x0FFFFFFF;

// A bit moved from one position to another (0 the least significant).
struct BitMove {
    std::uint8_t from;
    std::uint8_t to;
};

// PC-1: from the 64 key bits to C (bits 55..28) and D (bits 27..0) of one 56-bit word.
constexpr std::array<BitMove, 56> kPc1Moves = [] {
    std::array<BitMove, 56> moves{};
    for (int i = 0; i < 56; ++i) {
        moves[i] = {static_cast<std::uint8_t>(64 - kPc1[i]), static_cast<std::uint8_t>(55 - i)};
    }
    return moves;
}();

// PC-2: from C and D to the round key's byte lanes, each S-box's six bits in its lane.
constexpr std::array<BitMove, 48> kPc2Moves = [] {
    std::array<BitMove, 48> moves{};
    for (int lane = 0; lane < 8; ++lane) {
        for (int bit = 0; bit < 6; ++bit) {
            const int source = kPc2[6 * kLaneSbox[lane] + bit];
            moves[6 * lane + bit] = {static_cast<std::uint8_t>(56 - source),
                                     static_cast<std::uint8_t>(8 * lane + 5 - bit)};
        }
    }
    return moves;
}();

template <std::size_t kCount>
std::uint64_t MoveBits(std::uint64_t in, const std::array<BitMove, kCount>& moves) {
    std::uint64_t out = 0;
    for (const BitMove& move : moves) out |= ((in >> move.from) & 1) << move.to;
    return out;
}

std::uint32_t RotateHalf(std::uint32_t half, int shift) {
    return ((half << shift) | (half >> (28 - shift))) & kHalfMask;
}

// The 16 round keys of one key in encryption order, or reversed for decryption.
void OneKey(const std::uint8_t* key, bool encrypt, std::uint64_t* out) {
    const std::uint64_t cd = MoveBits(support::LoadBigEndian64(key), kPc1Moves);
    std::uint32_t c = static_cast<std::uint32_t>(cd >> 28) & kHalfMask;
    std::uint32_t d = static_cast<std::uint32_t>(cd) & kHalfMask;
    for (int round = 0; round < 16; ++round) {
        c = RotateHalf(c, kKeyShifts[round]);
        d = RotateHalf(d, kKeyShifts[round]);
        const std::uint64_t roundKey = MoveBits((std::uint64_t{c} << 28) | d, kPc2Moves);
        out[encrypt ? round : 15 - round] = roundKey;
    }
}

}  // namespace

void PrepareKeys(const std::uint8_t* key, bool triple, bool encrypt, RoundKeys& keys) {
    if (!triple) {
        OneKey(key, encrypt, keys.key);
        keys.stages = 1;
        return;
    }
    // Encryption runs K1 forward, K2 backward, K3 forward; decryption the reverse of that.
    const int first = encrypt ? 0 : 2;
    OneKey(key + 8 * first, encrypt, keys.key);
    OneKey(key + 8, !encrypt, keys.key + 16);
    OneKey(key + 8 * (2 - first), encrypt, keys.key + 32);
    keys.stages = 3;
}

}  // namespace quillon::des
