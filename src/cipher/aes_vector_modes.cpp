// ECB and CBC decryption on the processor's vector AES instructions (VAES on 256-bit
// registers): two blocks per register, each round key broadcast to both halves. CBC
// encryption is one chain and gains nothing from width: it is the 128-bit engine's, and so is
// a single block left over.
#include "cipher/aes_mode_set.h"

#if QUILLON_X86

#include <immintrin.h>

#define QUILLON_AES_LANES_TARGET "vaes,avx2,aes"
#include "cipher/aes_lanes.h"

namespace quillon::cipher {
namespace {

struct Ymm {
    using Register = __m256i;
    static constexpr std::size_t kBlocks = 2;
    static constexpr std::size_t kBytes = 32;

    static QUILLON_AES_LANES Register Load(const std::uint8_t* bytes) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
    }
    static QUILLON_AES_LANES void Store(std::uint8_t* bytes, Register value) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes), value);
    }
    static QUILLON_AES_LANES Register LoadKey(const std::uint32_t* words) {
        return _mm256_broadcastsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(words)));
    }
    static QUILLON_AES_LANES Register Xor(Register a, Register b) { return _mm256_xor_si256(a, b); }
    static QUILLON_AES_LANES Register Encrypt(Register x, Register k) {
        return _mm256_aesenc_epi128(x, k);
    }
    static QUILLON_AES_LANES Register EncryptLast(Register x, Register k) {
        return _mm256_aesenclast_epi128(x, k);
    }
    static QUILLON_AES_LANES Register Decrypt(Register x, Register k) {
        return _mm256_aesdec_epi128(x, k);
    }
    static QUILLON_AES_LANES Register DecryptLast(Register x, Register k) {
        return _mm256_aesdeclast_epi128(x, k);
    }

    // The CBC chaining value is one block, half a register.
    static QUILLON_AES_LANES __m128i LoadChain(const std::uint8_t* bytes) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    }
    static QUILLON_AES_LANES void StoreChain(std::uint8_t* bytes, __m128i chain) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), chain);
    }
    // What the first register's two blocks follow: the chaining value, then its first block.
    static QUILLON_AES_LANES Register FirstPrevious(__m128i chain, const std::uint8_t* at) {
        return _mm256_inserti128_si256(_mm256_castsi128_si256(chain), LoadChain(at), 1);
    }
};

template <int kRounds, bool kEncrypt>
void Ecb(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
         std::size_t blocks) {
    const std::size_t left = EcbLanesOver<Ymm, kRounds, kEncrypt>(schedule, out, in, blocks);
    if (left == 0) return;
    const std::size_t done = kBlock * (blocks - left);
    (kEncrypt ? kAesInstructionModes.ecbEncrypt : kAesInstructionModes.ecbDecrypt)(
        schedule, kRounds, out + done, in + done, left);
}

template <int kRounds>
void CbcDecryptChain(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                     std::uint8_t* iv) {
    const std::size_t left = CbcDecryptLanesOver<Ymm, kRounds>(schedule, data, blocks, iv);
    if (left == 0) return;
    kAesInstructionModes.cbcDecrypt(schedule, kRounds, data + kBlock * (blocks - left), left, iv);
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

// The key setup is the 128-bit engine's: one word or one round key at a time.
constinit const AesModeSet kAesVectorModes = {
    EcbBySize<true>, EcbBySize<false>,      CbcEncrypt,
    CbcDecrypt,      AesInstructionSubWord, AesInstructionInvMixColumns};

}  // namespace quillon::cipher

#endif
