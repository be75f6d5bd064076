// The DES round function in plain integer code. Each of the 32 output bits (P already applied)
// is one bit of a 64-entry table, kept as two 32-bit words (S-box inputs with the first bit
// clear, then set): the input's first bit picks a word with a mask, and rotating it right by the
// other five bits brings the entry to the output bit's place. A rotation by a secret count
// takes the same time whatever the count, and no address depends on a secret.
#include <array>

#include "des/des_tables.h"

#define QUILLON_DES_ENGINE_TARGET
#include "des/des_chain.h"

namespace quillon::des {
namespace {

constexpr std::uint32_t RotateRight(std::uint32_t value, unsigned shift) {
    return (value >> (shift & 31)) | (value << ((32 - shift) & 31));
}

// One output bit's table, both words rotated left by the bit's position so that rotating right
// by the input leaves the entry there.
struct OutputTable {
    std::uint32_t low;      // inputs 0..31
    std::uint32_t flipped;  // low ^ the word for inputs 32..63
    int lane;               // the S-box input that indexes it
};

constexpr std::array<OutputTable, 32> kOutputTables = [] {
    std::array<OutputTable, 32> tables{};
    for (int position = 0; position < 32; ++position) {
        const OutputSource source = OutputSourceOf(position);
        std::uint32_t words[2] = {0, 0};
        for (unsigned input = 0; input < 64; ++input) {
            const unsigned out = SboxOutput(kLaneSbox[source.lane], input);
            words[input >> 5] |= ((out >> source.sboxBit) & 1u) << (input & 31);
        }
        const unsigned back = (32 - position) & 31;  // rotating left by position
        tables[position] = {RotateRight(words[0], back), RotateRight(words[0] ^ words[1], back),
                            source.lane};
    }
    return tables;
}();

struct Portable {
    static constexpr int kSideBySide = 1;
    static constexpr int kWidth = 1;

    static inline void Rounds(const std::uint32_t* halves, std::uint64_t roundKey,
                              std::uint32_t* out) {
        out[0] = Round(halves[0], roundKey);
    }

    static inline std::uint32_t Round(std::uint32_t half, std::uint64_t roundKey) {
        const std::uint32_t inputs[2] = {
            (half & 0x3F3F3F3F) ^ static_cast<std::uint32_t>(roundKey),
            (RotateRight(half, 4) & 0x3F3F3F3F) ^ static_cast<std::uint32_t>(roundKey >> 32)};
        std::uint32_t out = 0;
#pragma GCC unroll 32
        for (int position = 0; position < 32; ++position) {
            const OutputTable& table = kOutputTables[position];
            const std::uint32_t input = inputs[table.lane >> 2] >> (8 * (table.lane & 3));
            const std::uint32_t firstBitSet = 0u - ((input >> 5) & 1);
            const std::uint32_t word = table.low ^ (table.flipped & firstBitSet);
            out |= RotateRight(word, input) & (std::uint32_t{1} << position);
        }
        return out;
    }
};

}  // namespace

const ModeSet kPortableModes = kChainModes<Portable>;

}  // namespace quillon::des
