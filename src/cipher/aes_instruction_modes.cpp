// ECB and CBC on the processor's AES instructions, one block per 128-bit register, and the key
// setup's steps on AESKEYGENASSIST and AESIMC. The encryption schedule is AESENC's round keys
// as they are, and the decryption schedule (the equivalent inverse cipher's, InvMixColumns
// applied to the middle round keys) is exactly what AESDEC takes. Only this file and the vector
// engine are compiled for AES instructions; the modes layer calls them after CPUID reported
// them.
#include "cipher/aes_mode_set.h"

#if QUILLON_X86

#include <immintrin.h>

#define QUILLON_AES_LANES_TARGET "aes,sse2"
#include "cipher/aes_lanes.h"

namespace quillon::cipher {
namespace {

struct Xmm {
    using Register = __m128i;
    static constexpr std::size_t kBlocks = 1;
    static constexpr std::size_t kBytes = 16;

    static QUILLON_AES_LANES Register Load(const std::uint8_t* bytes) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    }
    static QUILLON_AES_LANES void Store(std::uint8_t* bytes, Register value) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), value);
    }
    static QUILLON_AES_LANES Register LoadKey(const std::uint32_t* words) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
    }
    static QUILLON_AES_LANES Register Xor(Register a, Register b) { return _mm_xor_si128(a, b); }
    static QUILLON_AES_LANES Register Encrypt(Register x, Register k) {
        return _mm_aesenc_si128(x, k);
    }
    static QUILLON_AES_LANES Register EncryptLast(Register x, Register k) {
        return _mm_aesenclast_si128(x, k);
    }
    static QUILLON_AES_LANES Register Decrypt(Register x, Register k) {
        return _mm_aesdec_si128(x, k);
    }
    static QUILLON_AES_LANES Register DecryptLast(Register x, Register k) {
        return _mm_aesdeclast_si128(x, k);
    }

    // The CBC chaining value is one block: one register.
    static QUILLON_AES_LANES __m128i LoadChain(const std::uint8_t* bytes) { return Load(bytes); }
    static QUILLON_AES_LANES void StoreChain(std::uint8_t* bytes, __m128i chain) {
        Store(bytes, chain);
    }
    static QUILLON_AES_LANES Register FirstPrevious(__m128i chain, const std::uint8_t*) {
        return chain;
    }
};

template <int kRounds, bool kEncrypt>
void Ecb(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
         std::size_t blocks) {
    (void)EcbLanesOver<Xmm, kRounds, kEncrypt>(schedule, out, in, blocks);
}

// Rounds 1 .. Nr - 1 of one block.
template <int kRounds>
QUILLON_AES_LANES __m128i EncryptMiddleRounds(__m128i state, const RoundKeys<Xmm, kRounds>& keys) {
#pragma GCC unroll 13
    for (int r = 1; r < kRounds; ++r) state = Xmm::Encrypt(state, keys.key[r]);
    return state;
}

// One chain: each block waits for the one before, so there is nothing to run side by side.
// The chain's critical path is the rounds alone: the last round takes the next plaintext block
// and round key 0 into its key, so its result is already the next block's first state, and
// the ciphertext comes from it with one XOR off that path.
template <int kRounds>
__attribute__((target(QUILLON_AES_LANES_TARGET))) void CbcEncryptChain(
    const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks, std::uint8_t* iv) {
    RoundKeys<Xmm, kRounds> keys;
    LoadKeys(keys, schedule);
    const __m128i first = keys.key[0], last = keys.key[kRounds];
    __m128i state = Xmm::Xor(Xmm::Load(iv), Xmm::Xor(Xmm::Load(data), first));
    std::uint8_t* at = data;
    for (; at != data + kBlock * (blocks - 1); at += kBlock) {
        const __m128i next = Xmm::Xor(Xmm::Load(at + kBlock), first);
        state = Xmm::EncryptLast(EncryptMiddleRounds(state, keys), Xmm::Xor(last, next));
        Xmm::Store(at, Xmm::Xor(state, next));
    }
    state = Xmm::EncryptLast(EncryptMiddleRounds(state, keys), last);
    Xmm::Store(at, state);
    Xmm::Store(iv, state);
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
    WithRounds(rounds, [&]<int kRounds>() {
        (void)CbcDecryptLanesOver<Xmm, kRounds>(schedule, data, blocks, iv);
    });
}

}  // namespace

// AESKEYGENASSIST's lowest word is SubWord of its source's second word.
__attribute__((target(QUILLON_AES_LANES_TARGET))) std::uint32_t AesInstructionSubWord(
    std::uint32_t word) {
    const __m128i x = _mm_shuffle_epi32(_mm_cvtsi32_si128(static_cast<int>(word)), 0);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_aeskeygenassist_si128(x, 0)));
}

__attribute__((target(QUILLON_AES_LANES_TARGET))) void AesInstructionInvMixColumns(
    std::uint32_t* words, int roundKeys) {
    for (int r = 0; r < roundKeys; ++r) {
        std::uint8_t* at = reinterpret_cast<std::uint8_t*>(words + 4 * r);
        Xmm::Store(at, _mm_aesimc_si128(Xmm::Load(at)));
    }
}

constinit const AesModeSet kAesInstructionModes = {
    EcbBySize<true>, EcbBySize<false>,      CbcEncrypt,
    CbcDecrypt,      AesInstructionSubWord, AesInstructionInvMixColumns};

}  // namespace quillon::cipher

#endif
