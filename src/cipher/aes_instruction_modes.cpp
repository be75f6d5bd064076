// ECB and CBC on the processor's AES instructions. The schedules are the ones the tables use:
// the encryption schedule is AESENC's round keys as they are, and the decryption schedule (the
// equivalent inverse cipher's, InvMixColumns applied to the middle round keys) is exactly what
// AESDEC takes. Only this file is compiled for the AES instructions; the modes layer calls it
// after CPUID reported them.
#include "cipher/aes_mode_set.h"

#if QUILLON_AES_X86

#include <immintrin.h>

#include "support/secure_wipe.h"

#define QUILLON_AES_NI __attribute__((target("aes,sse2")))
#define QUILLON_AES_NI_INLINE inline __attribute__((always_inline, target("aes,sse2")))

namespace quillon::cipher {
namespace {

constexpr std::size_t kBlock = 16;
// AESENC has a latency of several cycles and issues one or two a cycle: eight independent
// blocks keep the unit busy.
constexpr std::size_t kLanes = 8;

// The round keys copied to an aligned stack array, so that each round reads its key as one
// aligned memory operand (the 32-bit build has only eight vector registers, all of them busy
// with blocks). The copy is key material: wiped before the mode returns.
template <int kRounds>
struct RoundKeys {
    __m128i key[kRounds + 1];
};

template <int kRounds>
QUILLON_AES_NI_INLINE void LoadKeys(RoundKeys<kRounds>& keys, const AesKeySchedule& schedule) {
#pragma GCC unroll 15
    for (int r = 0; r <= kRounds; ++r) {
        keys.key[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(schedule.roundKeys + 4 * r));
    }
}

template <int kRounds>
QUILLON_AES_NI_INLINE void WipeKeys(RoundKeys<kRounds>& keys) {
    support::SecureWipe(keys.key, sizeof keys.key);
}

QUILLON_AES_NI_INLINE __m128i Load(const std::uint8_t* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

QUILLON_AES_NI_INLINE void Store(std::uint8_t* bytes, __m128i value) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), value);
}

// Rounds 1 .. Nr - 1 on n blocks side by side, round key by round key.
template <int kRounds, std::size_t n>
QUILLON_AES_NI_INLINE void EncryptMiddleRounds(__m128i (&x)[n], const RoundKeys<kRounds>& keys) {
#pragma GCC unroll 13
    for (int r = 1; r < kRounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < n; ++i) x[i] = _mm_aesenc_si128(x[i], keys.key[r]);
    }
}

template <int kRounds, std::size_t n>
QUILLON_AES_NI_INLINE void EncryptLanes(__m128i (&x)[n], const RoundKeys<kRounds>& keys) {
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = _mm_xor_si128(x[i], keys.key[0]);
    EncryptMiddleRounds(x, keys);
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = _mm_aesenclast_si128(x[i], keys.key[kRounds]);
}

template <int kRounds, std::size_t n>
QUILLON_AES_NI_INLINE void DecryptLanes(__m128i (&x)[n], const RoundKeys<kRounds>& keys) {
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = _mm_xor_si128(x[i], keys.key[0]);
#pragma GCC unroll 13
    for (int r = 1; r < kRounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < n; ++i) x[i] = _mm_aesdec_si128(x[i], keys.key[r]);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = _mm_aesdeclast_si128(x[i], keys.key[kRounds]);
}

// n blocks from in to out; every block is read before any is written, so out may equal in.
template <int kRounds, bool kEncrypt, std::size_t n>
QUILLON_AES_NI_INLINE void EcbLanes(const RoundKeys<kRounds>& keys, std::uint8_t* out,
                                    const std::uint8_t* in) {
    __m128i x[n];
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = Load(in + kBlock * i);
    if constexpr (kEncrypt) {
        EncryptLanes(x, keys);
    } else {
        DecryptLanes(x, keys);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) Store(out + kBlock * i, x[i]);
}

template <int kRounds, bool kEncrypt>
QUILLON_AES_NI void Ecb(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                        std::size_t blocks) {
    RoundKeys<kRounds> keys;
    LoadKeys(keys, schedule);
    for (; blocks >= kLanes; blocks -= kLanes, in += kBlock * kLanes, out += kBlock * kLanes) {
        EcbLanes<kRounds, kEncrypt, kLanes>(keys, out, in);
    }
    for (; blocks != 0; --blocks, in += kBlock, out += kBlock) {
        EcbLanes<kRounds, kEncrypt, 1>(keys, out, in);
    }
    WipeKeys(keys);
}

// One chain: each block waits for the one before, so there is nothing to run side by side.
// The chain's critical path is the rounds alone: the last round takes the next plaintext block
// and round key 0 into its key, so its result is already the next block's first state, and
// the ciphertext comes from it with one XOR off that path.
template <int kRounds>
QUILLON_AES_NI void CbcEncryptChain(const AesKeySchedule& schedule, std::uint8_t* data,
                                    std::size_t blocks, std::uint8_t* iv) {
    RoundKeys<kRounds> keys;
    LoadKeys(keys, schedule);
    const __m128i last = keys.key[kRounds];
    __m128i state[1] = {_mm_xor_si128(Load(iv), _mm_xor_si128(Load(data), keys.key[0]))};
    std::uint8_t* at = data;
    for (; at != data + kBlock * (blocks - 1); at += kBlock) {
        EncryptMiddleRounds(state, keys);
        const __m128i next = _mm_xor_si128(Load(at + kBlock), keys.key[0]);
        state[0] = _mm_aesenclast_si128(state[0], _mm_xor_si128(last, next));
        Store(at, _mm_xor_si128(state[0], next));
    }
    EncryptMiddleRounds(state, keys);
    state[0] = _mm_aesenclast_si128(state[0], last);
    Store(at, state[0]);
    Store(iv, state[0]);
    WipeKeys(keys);
}

// n blocks decrypted side by side, each XORed with the ciphertext before it; all ciphertext of
// the group is read before the first plaintext is written over it.
template <int kRounds, std::size_t n>
QUILLON_AES_NI_INLINE void CbcDecryptLanes(const RoundKeys<kRounds>& keys, std::uint8_t* at,
                                           __m128i& chain) {
    __m128i x[n];
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) x[i] = Load(at + kBlock * i);
    DecryptLanes(x, keys);
    x[0] = _mm_xor_si128(x[0], chain);
#pragma GCC unroll 8
    for (std::size_t i = 1; i < n; ++i) x[i] = _mm_xor_si128(x[i], Load(at + kBlock * (i - 1)));
    chain = Load(at + kBlock * (n - 1));
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) Store(at + kBlock * i, x[i]);
}

template <int kRounds>
QUILLON_AES_NI void CbcDecryptChain(const AesKeySchedule& schedule, std::uint8_t* data,
                                    std::size_t blocks, std::uint8_t* iv) {
    RoundKeys<kRounds> keys;
    LoadKeys(keys, schedule);
    __m128i chain = Load(iv);
    for (; blocks >= kLanes; blocks -= kLanes, data += kBlock * kLanes) {
        CbcDecryptLanes<kRounds, kLanes>(keys, data, chain);
    }
    for (; blocks != 0; --blocks, data += kBlock) CbcDecryptLanes<kRounds, 1>(keys, data, chain);
    Store(iv, chain);
    WipeKeys(keys);
}

template <bool kEncrypt>
void EcbBySize(const AesKeySchedule& schedule, int rounds, std::uint8_t* out,
               const std::uint8_t* in, std::size_t blocks) {
    WithRounds(rounds, [&]<int kRounds>() { Ecb<kRounds, kEncrypt>(schedule, out, in, blocks); });
}

void CbcEncrypt(const AesKeySchedule& schedule, int rounds, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    WithRounds(rounds,
               [&]<int kRounds>() { CbcEncryptChain<kRounds>(schedule, data, blocks, iv); });
}

void CbcDecrypt(const AesKeySchedule& schedule, int rounds, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    WithRounds(rounds,
               [&]<int kRounds>() { CbcDecryptChain<kRounds>(schedule, data, blocks, iv); });
}

}  // namespace

constinit const AesModeSet kAesInstructionModes = {EcbBySize<true>, EcbBySize<false>, CbcEncrypt,
                                                   CbcDecrypt};

}  // namespace quillon::cipher

#endif
