// The DES round function in plain integer code. Each of the 32 output bits (P already applied)
// is one bit of a 64-entry table, kept as one 64-bit word: rotating it right by the S-box input
// (a rotation counts modulo 64, so the bits above the input's byte do not matter) brings the
// entry to the output bit's place. A rotation by a secret count takes the same time whatever
// the count, and no address depends on a secret. One rotation and a mask per bit keep the
// chain from a round's input to its output short.
#include <array>

#include "des/des_tables.h"

#define QUILLON_DES_ENGINE_TARGET
#include "des/des_chain.h"

namespace quillon::des {
namespace {

constexpr std::uint64_t RotateRight(std::uint64_t value, unsigned shift) {
    return (value >> (shift & 63)) | (value << ((64 - shift) & 63));
}

// Each output bit's table rotated left by the bit's position, so that rotating right by the
// input leaves the entry there.
constexpr std::array<std::uint64_t, 32> kOutputTables = [] {
    std::array<std::uint64_t, 32> tables{};
    for (int position = 0; position < 32; ++position) {
        const OutputSource source = OutputSourceOf(position);
        std::uint64_t word = 0;
        for (unsigned input = 0; input < 64; ++input) {
            const unsigned out = SboxOutput(kLaneSbox[source.lane], input);
            word |= std::uint64_t{(out >> source.sboxBit) & 1u} << input;
        }
        tables[position] = RotateRight(word, (64 - position) & 63);  // rotating left by position
    }
    return tables;
}();

// The low 32 bits of table rotated right by the low six bits of input.
inline std::uint32_t Entries(std::uint64_t table, unsigned input) {
    if constexpr (sizeof(void*) >= 8) return static_cast<std::uint32_t>(RotateRight(table, input));
    // 32-bit targets shift a 64-bit word by a variable count with a branch on the count's bit 5:
    // swap the words by a mask instead, then shift 32-bit words only.
    const auto low = static_cast<std::uint32_t>(table),
               high = static_cast<std::uint32_t>(table >> 32);
    const std::uint32_t swap = (low ^ high) & (0u - ((input >> 5) & 1));
    const unsigned shift = input & 31;
    return ((low ^ swap) >> shift) | (((high ^ swap) << 1) << (31 - shift));
}

// The S-box lane behind each output bit.
constexpr std::array<int, 32> kOutputLanes = [] {
    std::array<int, 32> lanes{};
    for (int position = 0; position < 32; ++position)
        lanes[position] = OutputSourceOf(position).lane;
    return lanes;
}();

struct Portable {
    static constexpr int kSideBySide = 1;
    static constexpr int kWidth = 1;

    static inline void Rounds(const std::uint32_t* halves, std::uint64_t roundKey,
                              std::uint32_t* out) {
        out[0] = Round(halves[0], roundKey);
    }

    static inline std::uint32_t Round(std::uint32_t half, std::uint64_t roundKey) {
        const std::uint32_t odd = (half >> 4) | (half << 28);
        const std::uint32_t inputs[2] = {
            (half & 0x3F3F3F3F) ^ static_cast<std::uint32_t>(roundKey),
            (odd & 0x3F3F3F3F) ^ static_cast<std::uint32_t>(roundKey >> 32)};
        std::uint32_t out = 0;
#pragma GCC unroll 32
        for (int position = 0; position < 32; ++position) {
            const int lane = kOutputLanes[position];
            const unsigned input = inputs[lane >> 2] >> (8 * (lane & 3));
            out |= Entries(kOutputTables[position], input) & (std::uint32_t{1} << position);
        }
        return out;
    }
};

}  // namespace

void PortableCbcEncrypt(const RoundKeys& keys, std::uint8_t* data, std::size_t blocks,
                        std::uint8_t* iv) {
    CbcEncrypt<Portable>(keys, data, blocks, iv);
}

const ModeSet kPortableModes = {Ecb<Portable>, PortableCbcEncrypt, CbcDecrypt<Portable>};

}  // namespace quillon::des
