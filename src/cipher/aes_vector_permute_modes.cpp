// ECB and CBC on SSSE3 byte shuffles, for processors without AES instructions: the S-box is an
// inversion in a tower field whose every step is a 16-entry lookup done by PSHUFB inside a
// register (aes_tower_field.h), so no key or data byte ever forms a memory address.
//
// ShiftRows is never done on its own. After m rounds the state is kept permuted by the inverse
// of ShiftRows^m; MixColumns' row rotation, conjugated by the same permutation, is another
// constant shuffle, and so are the round keys (permuted once per call). The last round puts the
// bytes in place with one shuffle. Several blocks run side by side for ECB and CBC decryption;
// CBC encryption is one chain, whose round is kept short: the round key enters off its path.
#include "cipher/aes_mode_set.h"

#if QUILLON_X86

#include <immintrin.h>

#include <array>

#include "cipher/aes_byte_arithmetic.h"
#include "cipher/aes_tower_field.h"
#include "support/secure_wipe.h"

#define QUILLON_AES_SHUFFLES inline __attribute__((always_inline, target("ssse3")))

namespace quillon::cipher {
namespace {

constexpr std::size_t kBlock = 16;

// Blocks in flight: enough independent shuffles to fill the units. The 32-bit build has eight
// vector registers, which two blocks already fill.
constexpr std::size_t kLanes = sizeof(void*) == 8 ? 4 : 2;

struct alignas(16) Vec {
    std::array<std::uint8_t, 16> bytes;
};

constexpr Vec Broadcast(std::uint8_t byte) {
    Vec v{};
    v.bytes.fill(byte);
    return v;
}

// A byte permutation as PSHUFB takes it: byte i of the result is byte p[i] of the source.
using Permutation = std::array<std::uint8_t, 16>;

// p after q: apply q, then p.
constexpr Permutation After(const Permutation& p, const Permutation& q) {
    Permutation r{};
    for (int i = 0; i < 16; ++i) r[i] = q[p[i]];
    return r;
}

constexpr Permutation Power(const Permutation& p, int n) {
    Permutation r{};
    for (int i = 0; i < 16; ++i) r[i] = static_cast<std::uint8_t>(i);
    for (int k = 0; k < n; ++k) r = After(p, r);
    return r;
}

// Byte 4c + r is row r of column c.
constexpr Permutation RowsOf(int (*source)(int column, int row)) {
    Permutation p{};
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) p[4 * c + r] = static_cast<std::uint8_t>(source(c, r));
    }
    return p;
}

// Each row takes the next row's byte of its column: MixColumns' a_(r+1).
constexpr Permutation kNextRow = RowsOf([](int c, int r) { return 4 * c + (r + 1) % 4; });
constexpr Permutation kShiftRows = RowsOf([](int c, int r) { return 4 * ((c + r) % 4) + r; });
constexpr Permutation kInvShiftRows =
    RowsOf([](int c, int r) { return 4 * ((c + 4 - r) % 4) + r; });

// The shuffles of round m (by m mod 4) for a cipher direction whose rows shift by `shift`.
struct Shuffles {
    Vec nextRow[4];     // the row rotation in the state's permuted frame
    Vec nextRow2[4];    // the same twice
    Vec nextRow3[4];    // and three times
    Vec unshiftKey[4];  // a round key into the permuted frame
    Vec place[4];       // the last round's shuffle into place
};

constexpr Vec AsVec(const Permutation& p) {
    return Vec{p};
}

constexpr Shuffles MakeShuffles(const Permutation& shift, const Permutation& unshift) {
    Shuffles s{};
    for (int m = 0; m < 4; ++m) {
        const Permutation rotate = After(Power(unshift, m), After(kNextRow, Power(shift, m)));
        s.nextRow[m] = AsVec(rotate);
        s.nextRow2[m] = AsVec(Power(rotate, 2));
        s.nextRow3[m] = AsVec(Power(rotate, 3));
        s.unshiftKey[m] = AsVec(Power(unshift, m));
        s.place[m] = AsVec(Power(shift, m));
    }
    return s;
}

alignas(16) constexpr Shuffles kEncryptShuffles = MakeShuffles(kShiftRows, kInvShiftRows);
alignas(16) constexpr Shuffles kDecryptShuffles = MakeShuffles(kInvShiftRows, kShiftRows);

using tower::kTables;
alignas(16) constexpr Vec kNibble = Broadcast(0x0F);
alignas(16) constexpr Vec kReciprocal{kTables.reciprocal};
alignas(16) constexpr Vec kAOver{kTables.aOver};
alignas(16) constexpr Vec kATimes{kTables.aTimes};
alignas(16) constexpr Vec kPhiLow{kTables.phiLow}, kPhiHigh{kTables.phiHigh};
alignas(16) constexpr Vec kPsiLow{kTables.psiLow}, kPsiHigh{kTables.psiHigh};
alignas(16) constexpr Vec kSIo{kTables.sIo}, kSJo{kTables.sJo};
alignas(16) constexpr Vec kS2Io{kTables.s2Io}, kS2Jo{kTables.s2Jo};
alignas(16) constexpr Vec kS3Io{kTables.s3Io}, kS3Jo{kTables.s3Jo};
alignas(16) constexpr Vec kSLastIo{kTables.sLastIo}, kSLastJo{kTables.sLastJo};
alignas(16) constexpr Vec kI9Io{kTables.i9Io}, kI9Jo{kTables.i9Jo};
alignas(16) constexpr Vec kI11Io{kTables.i11Io}, kI11Jo{kTables.i11Jo};
alignas(16) constexpr Vec kI13Io{kTables.i13Io}, kI13Jo{kTables.i13Jo};
alignas(16) constexpr Vec kI14Io{kTables.i14Io}, kI14Jo{kTables.i14Jo};
alignas(16) constexpr Vec kILastIo{kTables.iLastIo}, kILastJo{kTables.iLastJo};
alignas(16) constexpr Vec kPhiAffine = Broadcast(tower::kPhiAffineConstant);
alignas(16) constexpr Vec kInverseInput = Broadcast(tower::kInverseInputConstant);
alignas(16) constexpr Vec kAffine = Broadcast(tower::kAffineConstant);

QUILLON_AES_SHUFFLES __m128i Get(const Vec& v) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(v.bytes.data()));
}
QUILLON_AES_SHUFFLES __m128i Xor(__m128i a, __m128i b) {
    return _mm_xor_si128(a, b);
}
QUILLON_AES_SHUFFLES __m128i Shuffle(__m128i a, const Vec& p) {
    return _mm_shuffle_epi8(a, Get(p));
}
QUILLON_AES_SHUFFLES __m128i Lookup(const Vec& table, __m128i index) {
    return _mm_shuffle_epi8(Get(table), index);
}
QUILLON_AES_SHUFFLES __m128i LoadBlock(const std::uint8_t* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}
QUILLON_AES_SHUFFLES void StoreBlock(std::uint8_t* bytes, __m128i value) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), value);
}

QUILLON_AES_SHUFFLES __m128i ChangeBasis(__m128i x, const Vec& low, const Vec& high) {
    const __m128i nibble = Get(kNibble);
    return Xor(Lookup(low, _mm_and_si128(x, nibble)),
               Lookup(high, _mm_and_si128(_mm_srli_epi16(x, 4), nibble)));
}

// The tower-field inversion of every byte, as the two halves io and jo (aes_tower_field.h).
template <std::size_t n>
QUILLON_AES_SHUFFLES void Invert(const __m128i (&x)[n], __m128i (&io)[n], __m128i (&jo)[n]) {
    const __m128i nibble = Get(kNibble);
#pragma GCC unroll 8
    for (std::size_t b = 0; b < n; ++b) {
        const __m128i k = _mm_and_si128(x[b], nibble);
        const __m128i i = _mm_and_si128(_mm_srli_epi16(x[b], 4), nibble);
        const __m128i ri = Lookup(kReciprocal, i);
        const __m128i iak = Xor(ri, Lookup(kAOver, k));
        const __m128i ik = Xor(ri, Lookup(kReciprocal, k));
        io[b] = Xor(Lookup(kReciprocal, iak), Xor(i, k));
        jo[b] = Xor(Lookup(kReciprocal, ik), Xor(Lookup(kATimes, i), k));
    }
}

QUILLON_AES_SHUFFLES __m128i Output(const Vec& ioTable, const Vec& joTable, __m128i io,
                                    __m128i jo) {
    return Xor(Lookup(ioTable, io), Lookup(joTable, jo));
}

// The round keys in the state's basis and frame, with the S-box constants folded in. Key
// material: wiped before the mode returns.
template <int kRounds>
struct PreparedKeys {
    __m128i key[kRounds + 1];
};

template <int kRounds>
QUILLON_AES_SHUFFLES void Wipe(PreparedKeys<kRounds>& keys) {
    support::SecureWipe(keys.key, sizeof keys.key);
}

inline const std::uint8_t* RoundKey(const AesKeySchedule& schedule, int r) {
    return reinterpret_cast<const std::uint8_t*>(schedule.roundKeys + 4 * r);
}

// Encryption: key 0 in phi; the middle keys in phi with the affine constant, in the frame of
// their round; the last key plain with the affine constant.
template <int kRounds>
QUILLON_AES_SHUFFLES void PrepareEncryptKeys(PreparedKeys<kRounds>& keys,
                                             const AesKeySchedule& schedule) {
    const Shuffles& s = kEncryptShuffles;
    keys.key[0] = ChangeBasis(LoadBlock(RoundKey(schedule, 0)), kPhiLow, kPhiHigh);
#pragma GCC unroll 13
    for (int m = 1; m < kRounds; ++m) {
        const __m128i k = ChangeBasis(LoadBlock(RoundKey(schedule, m)), kPhiLow, kPhiHigh);
        keys.key[m] = Shuffle(Xor(k, Get(kPhiAffine)), s.unshiftKey[m % 4]);
    }
    keys.key[kRounds] = Xor(LoadBlock(RoundKey(schedule, kRounds)), Get(kAffine));
}

// Decryption: keys in psi with the inverse S-box's input constant; a middle key also turned
// back by one row rotation, since it enters before the three rotations of InvMixColumns.
template <int kRounds>
QUILLON_AES_SHUFFLES void PrepareDecryptKeys(PreparedKeys<kRounds>& keys,
                                             const AesKeySchedule& schedule) {
    const Shuffles& s = kDecryptShuffles;
    keys.key[0] =
        Xor(ChangeBasis(LoadBlock(RoundKey(schedule, 0)), kPsiLow, kPsiHigh), Get(kInverseInput));
#pragma GCC unroll 13
    for (int m = 1; m < kRounds; ++m) {
        const __m128i k = ChangeBasis(LoadBlock(RoundKey(schedule, m)), kPsiLow, kPsiHigh);
        keys.key[m] =
            Shuffle(Shuffle(Xor(k, Get(kInverseInput)), s.unshiftKey[m % 4]), s.nextRow[m % 4]);
    }
    keys.key[kRounds] = LoadBlock(RoundKey(schedule, kRounds));
}

// Rounds 1 .. Nr - 1 on n states in phi (round key 0 added), and the last round's inversion.
// A middle round is S, then MixColumns as 2S + R(3S) + R^2(S) + R^3(S), every term straight
// from the inversion's tables, so that the shuffles run side by side.
template <int kRounds, std::size_t n>
QUILLON_AES_SHUFFLES void EncryptRounds(__m128i (&x)[n], __m128i (&io)[n], __m128i (&jo)[n],
                                        const PreparedKeys<kRounds>& keys) {
    const Shuffles& s = kEncryptShuffles;
#pragma GCC unroll 13
    for (int m = 1; m < kRounds; ++m) {
        Invert(x, io, jo);
#pragma GCC unroll 8
        for (std::size_t b = 0; b < n; ++b) {
            const __m128i a = Output(kSIo, kSJo, io[b], jo[b]);
            const __m128i twice = Xor(Output(kS2Io, kS2Jo, io[b], jo[b]), keys.key[m]);
            const __m128i thrice = Shuffle(Output(kS3Io, kS3Jo, io[b], jo[b]), s.nextRow[m % 4]);
            x[b] = Xor(Xor(twice, thrice),
                       Xor(Shuffle(a, s.nextRow2[m % 4]), Shuffle(a, s.nextRow3[m % 4])));
        }
    }
    Invert(x, io, jo);
}

// The last round's output in place: S (plain bytes, for the ciphertext) or phi(S) (the next
// CBC block's input, without a basis change on the chain's path).
template <int kRounds>
QUILLON_AES_SHUFFLES __m128i Placed(const Vec& ioTable, const Vec& joTable, __m128i io,
                                    __m128i jo) {
    return Shuffle(Output(ioTable, joTable, io, jo), kEncryptShuffles.place[kRounds % 4]);
}

// n blocks, plain bytes in and out.
template <int kRounds, std::size_t n>
QUILLON_AES_SHUFFLES void EncryptLanes(__m128i (&x)[n], const PreparedKeys<kRounds>& keys) {
    __m128i io[n], jo[n];
#pragma GCC unroll 8
    for (std::size_t b = 0; b < n; ++b)
        x[b] = Xor(ChangeBasis(x[b], kPhiLow, kPhiHigh), keys.key[0]);
    EncryptRounds(x, io, jo, keys);
#pragma GCC unroll 8
    for (std::size_t b = 0; b < n; ++b) {
        x[b] = Xor(Placed<kRounds>(kSLastIo, kSLastJo, io[b], jo[b]), keys.key[kRounds]);
    }
}

// A middle round of the equivalent inverse cipher: InvMixColumns by Horner's rule in the row
// rotation R, ((9S R + 13S) R + 11S) R + 14S, the key added with the first term.
template <int kRounds, std::size_t n>
QUILLON_AES_SHUFFLES void DecryptLanes(__m128i (&x)[n], const PreparedKeys<kRounds>& keys) {
    const Shuffles& s = kDecryptShuffles;
    __m128i io[n], jo[n];
#pragma GCC unroll 8
    for (std::size_t b = 0; b < n; ++b)
        x[b] = Xor(ChangeBasis(x[b], kPsiLow, kPsiHigh), keys.key[0]);
#pragma GCC unroll 13
    for (int m = 1; m < kRounds; ++m) {
        Invert(x, io, jo);
#pragma GCC unroll 8
        for (std::size_t b = 0; b < n; ++b) {
            const Vec& rotate = s.nextRow[m % 4];
            __m128i y = Xor(Output(kI9Io, kI9Jo, io[b], jo[b]), keys.key[m]);
            y = Xor(Shuffle(y, rotate), Output(kI13Io, kI13Jo, io[b], jo[b]));
            y = Xor(Shuffle(y, rotate), Output(kI11Io, kI11Jo, io[b], jo[b]));
            x[b] = Xor(Shuffle(y, rotate), Output(kI14Io, kI14Jo, io[b], jo[b]));
        }
    }
    Invert(x, io, jo);
#pragma GCC unroll 8
    for (std::size_t b = 0; b < n; ++b) {
        x[b] = Xor(Shuffle(Output(kILastIo, kILastJo, io[b], jo[b]), s.place[kRounds % 4]),
                   keys.key[kRounds]);
    }
}

template <int kRounds, bool kEncrypt, std::size_t n>
QUILLON_AES_SHUFFLES void EcbLanes(const PreparedKeys<kRounds>& keys, std::uint8_t* out,
                                   const std::uint8_t* in) {
    __m128i x[n];
#pragma GCC unroll 8
    for (std::size_t b = 0; b < n; ++b) x[b] = LoadBlock(in + kBlock * b);
    if constexpr (kEncrypt) {
        EncryptLanes(x, keys);
    } else {
        DecryptLanes(x, keys);
    }
#pragma GCC unroll 8
    for (std::size_t b = 0; b < n; ++b) StoreBlock(out + kBlock * b, x[b]);
}

template <int kRounds, bool kEncrypt>
__attribute__((target("ssse3"))) void EcbRun(const AesKeySchedule& schedule, std::uint8_t* out,
                                             const std::uint8_t* in, std::size_t blocks) {
    PreparedKeys<kRounds> keys;
    if constexpr (kEncrypt) {
        PrepareEncryptKeys(keys, schedule);
    } else {
        PrepareDecryptKeys(keys, schedule);
    }
    for (; blocks >= kLanes; blocks -= kLanes, in += kBlock * kLanes, out += kBlock * kLanes) {
        EcbLanes<kRounds, kEncrypt, kLanes>(keys, out, in);
    }
    for (; blocks != 0; --blocks, in += kBlock, out += kBlock) {
        EcbLanes<kRounds, kEncrypt, 1>(keys, out, in);
    }
    Wipe(keys);
}

// One chain. The next block's input is taken in phi straight from the last round's tables:
// phi(C) + phi(P') + phi(k0), where phi(C) is the placed phi(S) plus phi of the last key (and
// the affine constant); the plaintext's basis change runs beside the rounds.
template <int kRounds>
__attribute__((target("ssse3"))) void CbcEncryptChain(const AesKeySchedule& schedule,
                                                      std::uint8_t* data, std::size_t blocks,
                                                      std::uint8_t* iv) {
    PreparedKeys<kRounds> keys;
    PrepareEncryptKeys(keys, schedule);
    const __m128i link = Xor(keys.key[0], ChangeBasis(keys.key[kRounds], kPhiLow, kPhiHigh));
    __m128i x[1] = {
        Xor(ChangeBasis(Xor(LoadBlock(iv), LoadBlock(data)), kPhiLow, kPhiHigh), keys.key[0])};
    __m128i io[1], jo[1], ciphertext = x[0];
    for (std::uint8_t* at = data; at != data + kBlock * blocks; at += kBlock) {
        EncryptRounds(x, io, jo, keys);
        ciphertext = Xor(Placed<kRounds>(kSLastIo, kSLastJo, io[0], jo[0]), keys.key[kRounds]);
        if (at + kBlock != data + kBlock * blocks) {
            const __m128i next = Xor(ChangeBasis(LoadBlock(at + kBlock), kPhiLow, kPhiHigh), link);
            x[0] = Xor(Placed<kRounds>(kSIo, kSJo, io[0], jo[0]), next);
        }
        StoreBlock(at, ciphertext);
    }
    StoreBlock(iv, ciphertext);
    Wipe(keys);
}

// n blocks decrypted side by side, each XORed with the ciphertext before it (the chaining
// value for the first); all ciphertext of the group is read before any plaintext is written.
template <int kRounds, std::size_t n>
QUILLON_AES_SHUFFLES void CbcDecryptLanes(const PreparedKeys<kRounds>& keys, std::uint8_t* at,
                                          __m128i& chain) {
    __m128i x[n];
#pragma GCC unroll 8
    for (std::size_t b = 0; b < n; ++b) x[b] = LoadBlock(at + kBlock * b);
    DecryptLanes(x, keys);
    x[0] = Xor(x[0], chain);
#pragma GCC unroll 8
    for (std::size_t b = 1; b < n; ++b) x[b] = Xor(x[b], LoadBlock(at + kBlock * (b - 1)));
    chain = LoadBlock(at + kBlock * (n - 1));
#pragma GCC unroll 8
    for (std::size_t b = 0; b < n; ++b) StoreBlock(at + kBlock * b, x[b]);
}

template <int kRounds>
__attribute__((target("ssse3"))) void CbcDecryptRun(const AesKeySchedule& schedule,
                                                    std::uint8_t* data, std::size_t blocks,
                                                    std::uint8_t* iv) {
    PreparedKeys<kRounds> keys;
    PrepareDecryptKeys(keys, schedule);
    __m128i chain = LoadBlock(iv);
    for (; blocks >= kLanes; blocks -= kLanes, data += kBlock * kLanes) {
        CbcDecryptLanes<kRounds, kLanes>(keys, data, chain);
    }
    for (; blocks != 0; --blocks, data += kBlock) CbcDecryptLanes<kRounds, 1>(keys, data, chain);
    StoreBlock(iv, chain);
    Wipe(keys);
}

template <bool kEncrypt>
void Ecb(const AesKeySchedule& schedule, int rounds, std::uint8_t* out, const std::uint8_t* in,
         std::size_t blocks) {
    WithRounds(rounds,
               [&]<int kRounds>() { EcbRun<kRounds, kEncrypt>(schedule, out, in, blocks); });
}

void CbcEncrypt(const AesKeySchedule& schedule, int rounds, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    WithRounds(rounds,
               [&]<int kRounds>() { CbcEncryptChain<kRounds>(schedule, data, blocks, iv); });
}

void CbcDecrypt(const AesKeySchedule& schedule, int rounds, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    WithRounds(rounds, [&]<int kRounds>() { CbcDecryptRun<kRounds>(schedule, data, blocks, iv); });
}

// The S-box on the word's four bytes (the other twelve lanes hold zero and are dropped).
__attribute__((target("ssse3"))) std::uint32_t SubWord(std::uint32_t word) {
    const __m128i x[1] = {
        ChangeBasis(_mm_cvtsi32_si128(static_cast<int>(word)), kPhiLow, kPhiHigh)};
    __m128i io[1], jo[1];
    Invert(x, io, jo);
    return static_cast<std::uint32_t>(
        _mm_cvtsi128_si32(Xor(Output(kSLastIo, kSLastJo, io[0], jo[0]), Get(kAffine))));
}

}  // namespace

constinit const AesModeSet kAesVectorPermuteModes = {
    Ecb<true>, Ecb<false>, CbcEncrypt, CbcDecrypt, SubWord, bytes::InvMixColumnsOfRoundKeys};

}  // namespace quillon::cipher

#endif
