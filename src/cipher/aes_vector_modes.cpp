// ECB and CBC decryption on the processor's vector AES instructions (VAES on 256-bit
// registers): two blocks per register, eight registers in flight. The schedules are used as the
// 128-bit AES instructions use them, each round key broadcast to both halves. CBC encryption
// is one chain and gains nothing from width: it is the 128-bit engine's. A single block left
// over goes to the 128-bit engine as well.
#include "cipher/aes_mode_set.h"

#if QUILLON_AES_X86

#include <immintrin.h>

#include "support/secure_wipe.h"

#define QUILLON_VAES __attribute__((target("vaes,avx2,aes")))
#define QUILLON_VAES_INLINE inline __attribute__((always_inline, target("vaes,avx2,aes")))

namespace quillon::cipher {
namespace {

constexpr std::size_t kBlock = 16;
constexpr std::size_t kPair = 2 * kBlock;
// Registers of two blocks each side by side: sixteen blocks in flight.
constexpr std::size_t kLanes = 8;

// The round keys, each in both halves of a register, copied to the stack so that every round
// reads its key as one memory operand; key material, wiped before the mode returns.
template <int kRounds>
struct RoundKeys {
    __m256i key[kRounds + 1];
};

template <int kRounds>
QUILLON_VAES_INLINE void LoadKeys(RoundKeys<kRounds>& keys, const AesKeySchedule& schedule) {
#pragma GCC unroll 15
    for (int r = 0; r <= kRounds; ++r) {
        keys.key[r] = _mm256_broadcastsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(schedule.roundKeys + 4 * r)));
    }
}

template <int kRounds>
QUILLON_VAES_INLINE void WipeKeys(RoundKeys<kRounds>& keys) {
    support::SecureWipe(keys.key, sizeof keys.key);
}

QUILLON_VAES_INLINE __m256i LoadPair(const std::uint8_t* bytes) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

QUILLON_VAES_INLINE void StorePair(std::uint8_t* bytes, __m256i value) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes), value);
}

template <int kRounds, std::size_t n>
QUILLON_VAES_INLINE void EncryptLanes(__m256i (&x)[n], const RoundKeys<kRounds>& keys) {
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = _mm256_xor_si256(x[i], keys.key[0]);
#pragma GCC unroll 13
    for (int r = 1; r < kRounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < n; ++i) x[i] = _mm256_aesenc_epi128(x[i], keys.key[r]);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = _mm256_aesenclast_epi128(x[i], keys.key[kRounds]);
}

template <int kRounds, std::size_t n>
QUILLON_VAES_INLINE void DecryptLanes(__m256i (&x)[n], const RoundKeys<kRounds>& keys) {
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = _mm256_xor_si256(x[i], keys.key[0]);
#pragma GCC unroll 13
    for (int r = 1; r < kRounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < n; ++i) x[i] = _mm256_aesdec_epi128(x[i], keys.key[r]);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = _mm256_aesdeclast_epi128(x[i], keys.key[kRounds]);
}

// n pairs of blocks from in to out; every block is read before any is written, so out may
// equal in.
template <int kRounds, bool kEncrypt, std::size_t n>
QUILLON_VAES_INLINE void EcbLanes(const RoundKeys<kRounds>& keys, std::uint8_t* out,
                                  const std::uint8_t* in) {
    __m256i x[n];
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = LoadPair(in + kPair * i);
    if constexpr (kEncrypt) {
        EncryptLanes(x, keys);
    } else {
        DecryptLanes(x, keys);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) StorePair(out + kPair * i, x[i]);
}

template <int kRounds, bool kEncrypt>
QUILLON_VAES void Ecb(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                      std::size_t blocks) {
    RoundKeys<kRounds> keys;
    LoadKeys(keys, schedule);
    for (; blocks >= 2 * kLanes;
         blocks -= 2 * kLanes, in += kPair * kLanes, out += kPair * kLanes) {
        EcbLanes<kRounds, kEncrypt, kLanes>(keys, out, in);
    }
    for (; blocks >= 2; blocks -= 2, in += kPair, out += kPair) {
        EcbLanes<kRounds, kEncrypt, 1>(keys, out, in);
    }
    WipeKeys(keys);
    if (blocks != 0) {
        (kEncrypt ? kAesInstructionModes.ecbEncrypt : kAesInstructionModes.ecbDecrypt)(
            schedule, kRounds, out, in, 1);
    }
}

// n pairs decrypted side by side, each block XORed with the ciphertext before it (for the
// first block, the chaining value); all ciphertext of the group is read before the first
// plaintext is written over it.
template <int kRounds, std::size_t n>
QUILLON_VAES_INLINE void CbcDecryptLanes(const RoundKeys<kRounds>& keys, std::uint8_t* at,
                                         __m128i& chain) {
    __m256i x[n];
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = LoadPair(at + kPair * i);
    DecryptLanes(x, keys);
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    x[0] = _mm256_xor_si256(x[0], _mm256_inserti128_si256(_mm256_castsi128_si256(chain), first, 1));
#pragma GCC unroll 8
    for (std::size_t i = 1; i < n; ++i) {
        x[i] = _mm256_xor_si256(x[i], LoadPair(at + kPair * i - kBlock));
    }
    chain = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + kPair * n - kBlock));
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) StorePair(at + kPair * i, x[i]);
}

template <int kRounds>
QUILLON_VAES void CbcDecryptChain(const AesKeySchedule& schedule, std::uint8_t* data,
                                  std::size_t blocks, std::uint8_t* iv) {
    RoundKeys<kRounds> keys;
    LoadKeys(keys, schedule);
    __m128i chain = _mm_loadu_si128(reinterpret_cast<const __m128i*>(iv));
    for (; blocks >= 2 * kLanes; blocks -= 2 * kLanes, data += kPair * kLanes) {
        CbcDecryptLanes<kRounds, kLanes>(keys, data, chain);
    }
    for (; blocks >= 2; blocks -= 2, data += kPair) CbcDecryptLanes<kRounds, 1>(keys, data, chain);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(iv), chain);
    WipeKeys(keys);
    if (blocks != 0) kAesInstructionModes.cbcDecrypt(schedule, kRounds, data, 1, iv);
}

template <bool kEncrypt>
void EcbBySize(const AesKeySchedule& schedule, int rounds, std::uint8_t* out,
               const std::uint8_t* in, std::size_t blocks) {
    WithRounds(rounds, [&]<int kRounds>() { Ecb<kRounds, kEncrypt>(schedule, out, in, blocks); });
}

void CbcEncrypt(const AesKeySchedule& schedule, int rounds, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    kAesInstructionModes.cbcEncrypt(schedule, rounds, data, blocks, iv);
}

void CbcDecrypt(const AesKeySchedule& schedule, int rounds, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    WithRounds(rounds,
               [&]<int kRounds>() { CbcDecryptChain<kRounds>(schedule, data, blocks, iv); });
}

}  // namespace

constinit const AesModeSet kAesVectorModes = {EcbBySize<true>, EcbBySize<false>, CbcEncrypt,
                                              CbcDecrypt};

}  // namespace quillon::cipher

#endif
