// The DES round function on SSSE3 byte shuffles. The eight S-box inputs of a round sit in byte
// lanes. Each byte of lane k's two 16-byte table pieces holds S-box outputs for the input's first
// bit clear (low nibble) and set (high nibble): the first piece for the fifth bit set, the second
// the difference (XOR) of the two, which counts only where the fifth bit is clear. Sixteen
// PSHUFBs by the low four bits read all the pieces every round, each kept only in its lane
// (an index with bit 7 set reads zero), and XORed together. A mask by the first bit keeps one
// nibble, and P is two more shuffles that gather, for each output bit, its S-box's lane, a mask
// of its bit and PMOVMSKB. Lanes 8..15 hold a second, independent block's S-box inputs when two
// blocks go side by side (decryption, ECB): the same shuffles serve both, and P gathers each.
//
// Intrinsics need the target attribute (the 32-bit build's baseline has no SSSE3), and nothing
// here assumes an aligned stack: loads are unaligned and the compiler realigns what it spills.
#include "des/des_mode_set.h"

#if QUILLON_X86

#include <immintrin.h>

#include <array>

#include "des/des_tables.h"

#define QUILLON_DES_ENGINE_TARGET __attribute__((target("ssse3")))
#include "des/des_chain.h"

namespace quillon::des {
namespace {

struct alignas(16) Bytes16 {
    std::uint8_t byte[16];
};

// Lane k's pieces 2k (fifth bit set) and 2k + 1 (difference; fifth bit clear).
constexpr std::array<Bytes16, 16> kPieces = [] {
    std::array<Bytes16, 16> pieces{};
    for (int lane = 0; lane < 8; ++lane) {
        const int box = kLaneSbox[lane];
        for (unsigned low4 = 0; low4 < 16; ++low4) {
            unsigned pairs[2];
            for (unsigned fifth = 0; fifth < 2; ++fifth) {
                const unsigned input = fifth << 4 | low4;
                pairs[fifth] = SboxOutput(box, input) | SboxOutput(box, 32 | input) << 4;
            }
            pieces[2 * lane].byte[low4] = static_cast<std::uint8_t>(pairs[1]);
            pieces[2 * lane + 1].byte[low4] = static_cast<std::uint8_t>(pairs[0] ^ pairs[1]);
        }
    }
    return pieces;
}();

// For lane k: bit 7 in every lane but k and k + 8 (the same S-box of either block), so that a
// shuffle reads zero there.
constexpr std::array<Bytes16, 8> kOtherLanes = [] {
    std::array<Bytes16, 8> masks{};
    for (int lane = 0; lane < 8; ++lane) {
        for (int other = 0; other < 16; ++other) {
            masks[lane].byte[other] = other % 8 == lane ? 0x00 : 0x80;
        }
    }
    return masks;
}();

// For output bits 0..15 and 16..31 of the block in lanes 0..7 and of the one in lanes 8..15: the
// lane to gather, and the bit of it in either nibble.
struct Gather {
    Bytes16 lanes[2][2];
    Bytes16 bits[2];
};

constexpr Gather kGather = [] {
    Gather gather{};
    for (int position = 0; position < 32; ++position) {
        const OutputSource source = OutputSourceOf(position);
        for (int block = 0; block < 2; ++block) {
            gather.lanes[block][position / 16].byte[position % 16] =
                static_cast<std::uint8_t>(8 * block + source.lane);
        }
        gather.bits[position / 16].byte[position % 16] =
            static_cast<std::uint8_t>(0x11 << source.sboxBit);
    }
    return gather;
}();

QUILLON_DES_INLINE __m128i Load(const Bytes16& bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.byte));
}

// The S-box outputs of every lane, each a nibble in its lane; inputs holds the 6-bit S-box inputs.
QUILLON_DES_INLINE __m128i SboxOutputs(__m128i inputs) {
    const __m128i low4 = _mm_and_si128(inputs, _mm_set1_epi8(0x0F));
    // Bit 7 where the fifth bit is set: those lanes skip their difference piece.
    const __m128i fifthSet = _mm_slli_epi16(_mm_and_si128(inputs, _mm_set1_epi8(0x10)), 3);
    const __m128i low4UnlessFifth = _mm_or_si128(low4, fifthSet);
    __m128i found[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                        _mm_setzero_si128()};
#pragma GCC unroll 8
    for (int lane = 0; lane < 8; ++lane) {
        const __m128i others = Load(kOtherLanes[lane]);
        const __m128i always =
            _mm_shuffle_epi8(Load(kPieces[2 * lane]), _mm_or_si128(low4, others));
        const __m128i difference =
            _mm_shuffle_epi8(Load(kPieces[2 * lane + 1]), _mm_or_si128(low4UnlessFifth, others));
        found[lane & 3] = _mm_xor_si128(found[lane & 3], _mm_xor_si128(always, difference));
    }
    const __m128i pairs =
        _mm_xor_si128(_mm_xor_si128(found[0], found[1]), _mm_xor_si128(found[2], found[3]));
    // First bit set: keep the high nibble (0xFF ^ 0x0F), else the low one.
    const __m128i firstBit = _mm_and_si128(inputs, _mm_set1_epi8(0x20));
    const __m128i keep =
        _mm_xor_si128(_mm_cmpeq_epi8(firstBit, _mm_set1_epi8(0x20)), _mm_set1_epi8(0x0F));
    return _mm_and_si128(pairs, keep);
}

// P on the S-box outputs of the block in lanes 8 * block ..: each gathered byte is zero exactly
// where its output bit is clear.
QUILLON_DES_INLINE std::uint32_t Permute(__m128i nibbles, int block) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i clear0 =
        _mm_cmpeq_epi8(_mm_and_si128(_mm_shuffle_epi8(nibbles, Load(kGather.lanes[block][0])),
                                     Load(kGather.bits[0])),
                       zero);
    const __m128i clear1 =
        _mm_cmpeq_epi8(_mm_and_si128(_mm_shuffle_epi8(nibbles, Load(kGather.lanes[block][1])),
                                     Load(kGather.bits[1])),
                       zero);
    const unsigned clear = static_cast<unsigned>(_mm_movemask_epi8(clear0)) |
                           static_cast<unsigned>(_mm_movemask_epi8(clear1)) << 16;
    return ~clear;
}

// A half's two words of S-box lanes (des_tables.h): itself and itself rotated right by four.
QUILLON_DES_INLINE __m128i LaneWords(std::uint32_t half) {
    const std::uint32_t odd = (half >> 4) | (half << 28);
    return _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(half)),
                              _mm_cvtsi32_si128(static_cast<int>(odd)));
}

struct Shuffle {
    static constexpr int kSideBySide = 4;
    static constexpr int kWidth = 2;

    static QUILLON_DES_INLINE std::uint32_t Round(std::uint32_t half, std::uint64_t roundKey) {
        const __m128i key =
            _mm_set_epi32(0, 0, static_cast<int>(roundKey >> 32), static_cast<int>(roundKey));
        const __m128i inputs =
            _mm_and_si128(_mm_xor_si128(LaneWords(half), key), _mm_set1_epi8(0x3F));
        return Permute(SboxOutputs(inputs), 0);
    }

    static QUILLON_DES_INLINE void Rounds(const std::uint32_t* halves, std::uint64_t roundKey,
                                          std::uint32_t* out) {
        const int keyLow = static_cast<int>(roundKey), keyHigh = static_cast<int>(roundKey >> 32);
        const __m128i key = _mm_set_epi32(keyHigh, keyLow, keyHigh, keyLow);
        const __m128i words = _mm_unpacklo_epi64(LaneWords(halves[0]), LaneWords(halves[1]));
        const __m128i nibbles =
            SboxOutputs(_mm_and_si128(_mm_xor_si128(words, key), _mm_set1_epi8(0x3F)));
        out[0] = Permute(nibbles, 0);
        out[1] = Permute(nibbles, 1);
    }
};

}  // namespace

const ModeSet kShuffleModes = {Ecb<Shuffle>, PortableCbcEncrypt, CbcDecrypt<Shuffle>};

}  // namespace quillon::des

#endif
