#include "profile/cast5.h"

#include <bit>
#include <cstring>

#include "profile/cast5_sboxes.h"
#include "support/byte_order.h"
#include "support/constant_time.h"
#include "support/secure_wipe.h"

namespace quillon::profile {
namespace {

// One S-box read by a full scan: every entry is read and masked whatever the index, so neither
// an address nor a branch depends on the key or the data that make the index. At the sizes of a
// profile item the scans cost well under a millisecond.
struct ScannedSbox {
    const std::uint32_t* entries;

    std::uint32_t operator[](std::uint32_t index) const {
        std::uint32_t word = 0;
        for (std::uint32_t j = 0; j < 256; ++j) {
            word |= entries[j] & (0u - static_cast<std::uint32_t>(j == index));
        }
        return word;
    }
};

constexpr ScannedSbox S1{kCastSbox[0]};
constexpr ScannedSbox S2{kCastSbox[1]};
constexpr ScannedSbox S3{kCastSbox[2]};
constexpr ScannedSbox S4{kCastSbox[3]};
constexpr ScannedSbox S5{kCastSbox[4]};
constexpr ScannedSbox S6{kCastSbox[5]};
constexpr ScannedSbox S7{kCastSbox[6]};
constexpr ScannedSbox S8{kCastSbox[7]};

using Subkey = CastContext::Subkey;

using support::LoadBigEndian32;
using support::StoreBigEndian32;

bool HasMarker(const CastContext& context) {
    return std::memcmp(context.marker, kCastMarker, 15) == 0;
}

// The three round functions of RFC 2144 section 2.2; Ia is the most significant byte of I.
inline std::uint32_t F1(std::uint32_t d, const Subkey& k) {
    const std::uint32_t i = std::rotl(k.mask + d, static_cast<int>(k.rotate));
    // ((S1 ^ S2) - S3) + S4, regrouped (exact modulo 2^32).
    return (S1[i >> 24] ^ S2[(i >> 16) & 0xFF]) + (S4[i & 0xFF] - S3[(i >> 8) & 0xFF]);
}
inline std::uint32_t F2(std::uint32_t d, const Subkey& k) {
    const std::uint32_t i = std::rotl(k.mask ^ d, static_cast<int>(k.rotate));
    return ((S1[i >> 24] - S2[(i >> 16) & 0xFF]) + S3[(i >> 8) & 0xFF]) ^ S4[i & 0xFF];
}
inline std::uint32_t F3(std::uint32_t d, const Subkey& k) {
    const std::uint32_t i = std::rotl(k.mask - d, static_cast<int>(k.rotate));
    return ((S1[i >> 24] + S2[(i >> 16) & 0xFF]) ^ S3[(i >> 8) & 0xFF]) - S4[i & 0xFF];
}

// The round function type of round r (1-based): 1, 2, 3, 1, 2, 3, ...
template <int Round>
inline std::uint32_t F(std::uint32_t d, const Subkey* k) {
    if constexpr (Round % 3 == 1) {
        return F1(d, k[Round - 1]);
    } else if constexpr (Round % 3 == 2) {
        return F2(d, k[Round - 1]);
    } else {
        return F3(d, k[Round - 1]);
    }
}

// Each step is one Feistel round: (l, r) becomes (r, l ^ f(r)); writing the two halves
// alternately avoids the swap.
template <int Rounds>
inline void EncryptHalves(std::uint32_t& left, std::uint32_t& right, const Subkey* k) {
    std::uint32_t l = left, r = right;
    l ^= F<1>(r, k);
    r ^= F<2>(l, k);
    l ^= F<3>(r, k);
    r ^= F<4>(l, k);
    l ^= F<5>(r, k);
    r ^= F<6>(l, k);
    l ^= F<7>(r, k);
    r ^= F<8>(l, k);
    l ^= F<9>(r, k);
    r ^= F<10>(l, k);
    l ^= F<11>(r, k);
    r ^= F<12>(l, k);
    if constexpr (Rounds == 16) {
        l ^= F<13>(r, k);
        r ^= F<14>(l, k);
        l ^= F<15>(r, k);
        r ^= F<16>(l, k);
    }
    // The halves are swapped after the last round.
    left = r;
    right = l;
}

// The same Feistel network with the rounds in reverse order.
template <int Rounds>
inline void DecryptHalves(std::uint32_t& left, std::uint32_t& right, const Subkey* k) {
    std::uint32_t l = left, r = right;
    if constexpr (Rounds == 16) {
        l ^= F<16>(r, k);
        r ^= F<15>(l, k);
        l ^= F<14>(r, k);
        r ^= F<13>(l, k);
    }
    l ^= F<12>(r, k);
    r ^= F<11>(l, k);
    l ^= F<10>(r, k);
    r ^= F<9>(l, k);
    l ^= F<8>(r, k);
    r ^= F<7>(l, k);
    l ^= F<6>(r, k);
    r ^= F<5>(l, k);
    l ^= F<4>(r, k);
    r ^= F<3>(l, k);
    l ^= F<2>(r, k);
    r ^= F<1>(l, k);
    left = r;
    right = l;
}

// Keys of 80 bits or less run 12 rounds (RFC 2144 section 2.5).
bool IsShortKey(const CastContext& context) {
    return context.keyBits <= 80;
}

// CBC decryption of whole blocks from in to out, chaining through the context. out holds
// Decrypt(C) XOR previous C for every ciphertext block C.
template <int Rounds>
void CbcDecryptBlocks(CastContext& context, const std::uint8_t* in, std::uint8_t* out,
                      std::size_t blocks) {
    std::uint32_t chainLeft = LoadBigEndian32(context.chaining);
    std::uint32_t chainRight = LoadBigEndian32(context.chaining + 4);
    for (; blocks != 0; --blocks, in += 8, out += 8) {
        std::uint32_t left = LoadBigEndian32(in), right = LoadBigEndian32(in + 4);
        DecryptHalves<Rounds>(left, right, context.subkeys);
        StoreBigEndian32(out, left ^ chainLeft);
        StoreBigEndian32(out + 4, right ^ chainRight);
        chainLeft = LoadBigEndian32(in);
        chainRight = LoadBigEndian32(in + 4);
    }
    StoreBigEndian32(context.chaining, chainLeft);
    StoreBigEndian32(context.chaining + 4, chainRight);
}

void CbcDecrypt(CastContext& context, const std::uint8_t* in, std::uint8_t* out,
                std::size_t blocks) {
    if (IsShortKey(context)) {
        CbcDecryptBlocks<12>(context, in, out, blocks);
    } else {
        CbcDecryptBlocks<16>(context, in, out, blocks);
    }
}

// CBC encryption of whole blocks chaining through the context: each block is XORed with the
// chaining value and encrypted, and the result becomes the next chaining value. out receives
// the ciphertext blocks (it may be in), or nothing when null: the CBC-MAC keeps only the chain.
template <int Rounds>
void CbcEncryptBlocks(CastContext& context, const std::uint8_t* in, std::uint8_t* out,
                      std::size_t blocks) {
    std::uint32_t left = LoadBigEndian32(context.chaining);
    std::uint32_t right = LoadBigEndian32(context.chaining + 4);
    for (; blocks != 0; --blocks, in += 8) {
        left ^= LoadBigEndian32(in);
        right ^= LoadBigEndian32(in + 4);
        EncryptHalves<Rounds>(left, right, context.subkeys);
        if (out != nullptr) {
            StoreBigEndian32(out, left);
            StoreBigEndian32(out + 4, right);
            out += 8;
        }
    }
    StoreBigEndian32(context.chaining, left);
    StoreBigEndian32(context.chaining + 4, right);
}

void CbcEncrypt(CastContext& context, const std::uint8_t* in, std::uint8_t* out,
                std::size_t blocks) {
    if (IsShortKey(context)) {
        CbcEncryptBlocks<12>(context, in, out, blocks);
    } else {
        CbcEncryptBlocks<16>(context, in, out, blocks);
    }
}

// Moves input bytes into the block buffer until it is full or the input is used up.
void FillBlockBuffer(CastContext& context, const std::uint8_t*& input, std::uint32_t& length) {
    while (length != 0 && context.bufferedCount < 8) {
        context.blockBuffer[context.bufferedCount++] = *input++;
        --length;
    }
}

// RFC 2144 section 2.4: the 32 subkey words from the 16 key bytes x0..xF. Each step of the
// schedule is written as the RFC prints it, byte indices and S-boxes alike.
void ComputeSubkeys(const std::uint8_t key[16], CastContext::Subkey subkeys[16]) {
    std::uint8_t x[16], z[16];
    std::memcpy(x, key, 16);
    std::uint32_t k[32];
    const auto setX = [&x](int at, std::uint32_t word) { StoreBigEndian32(x + at, word); };
    const auto setZ = [&z](int at, std::uint32_t word) { StoreBigEndian32(z + at, word); };
    for (int half = 0; half < 32; half += 16) {
        setZ(0x0, LoadBigEndian32(x + 0x0) ^ S5[x[0xD]] ^ S6[x[0xF]] ^ S7[x[0xC]] ^ S8[x[0xE]] ^
                      S7[x[0x8]]);
        setZ(0x4, LoadBigEndian32(x + 0x8) ^ S5[z[0x0]] ^ S6[z[0x2]] ^ S7[z[0x1]] ^ S8[z[0x3]] ^
                      S8[x[0xA]]);
        setZ(0x8, LoadBigEndian32(x + 0xC) ^ S5[z[0x7]] ^ S6[z[0x6]] ^ S7[z[0x5]] ^ S8[z[0x4]] ^
                      S5[x[0x9]]);
        setZ(0xC, LoadBigEndian32(x + 0x4) ^ S5[z[0xA]] ^ S6[z[0x9]] ^ S7[z[0xB]] ^ S8[z[0x8]] ^
                      S6[x[0xB]]);
        k[half + 0] = S5[z[0x8]] ^ S6[z[0x9]] ^ S7[z[0x7]] ^ S8[z[0x6]] ^ S5[z[0x2]];
        k[half + 1] = S5[z[0xA]] ^ S6[z[0xB]] ^ S7[z[0x5]] ^ S8[z[0x4]] ^ S6[z[0x6]];
        k[half + 2] = S5[z[0xC]] ^ S6[z[0xD]] ^ S7[z[0x3]] ^ S8[z[0x2]] ^ S7[z[0x9]];
        k[half + 3] = S5[z[0xE]] ^ S6[z[0xF]] ^ S7[z[0x1]] ^ S8[z[0x0]] ^ S8[z[0xC]];

        setX(0x0, LoadBigEndian32(z + 0x8) ^ S5[z[0x5]] ^ S6[z[0x7]] ^ S7[z[0x4]] ^ S8[z[0x6]] ^
                      S7[z[0x0]]);
        setX(0x4, LoadBigEndian32(z + 0x0) ^ S5[x[0x0]] ^ S6[x[0x2]] ^ S7[x[0x1]] ^ S8[x[0x3]] ^
                      S8[z[0x2]]);
        setX(0x8, LoadBigEndian32(z + 0x4) ^ S5[x[0x7]] ^ S6[x[0x6]] ^ S7[x[0x5]] ^ S8[x[0x4]] ^
                      S5[z[0x1]]);
        setX(0xC, LoadBigEndian32(z + 0xC) ^ S5[x[0xA]] ^ S6[x[0x9]] ^ S7[x[0xB]] ^ S8[x[0x8]] ^
                      S6[z[0x3]]);
        k[half + 4] = S5[x[0x3]] ^ S6[x[0x2]] ^ S7[x[0xC]] ^ S8[x[0xD]] ^ S5[x[0x8]];
        k[half + 5] = S5[x[0x1]] ^ S6[x[0x0]] ^ S7[x[0xE]] ^ S8[x[0xF]] ^ S6[x[0xD]];
        k[half + 6] = S5[x[0x7]] ^ S6[x[0x6]] ^ S7[x[0x8]] ^ S8[x[0x9]] ^ S7[x[0x3]];
        k[half + 7] = S5[x[0x5]] ^ S6[x[0x4]] ^ S7[x[0xA]] ^ S8[x[0xB]] ^ S8[x[0x7]];

        setZ(0x0, LoadBigEndian32(x + 0x0) ^ S5[x[0xD]] ^ S6[x[0xF]] ^ S7[x[0xC]] ^ S8[x[0xE]] ^
                      S7[x[0x8]]);
        setZ(0x4, LoadBigEndian32(x + 0x8) ^ S5[z[0x0]] ^ S6[z[0x2]] ^ S7[z[0x1]] ^ S8[z[0x3]] ^
                      S8[x[0xA]]);
        setZ(0x8, LoadBigEndian32(x + 0xC) ^ S5[z[0x7]] ^ S6[z[0x6]] ^ S7[z[0x5]] ^ S8[z[0x4]] ^
                      S5[x[0x9]]);
        setZ(0xC, LoadBigEndian32(x + 0x4) ^ S5[z[0xA]] ^ S6[z[0x9]] ^ S7[z[0xB]] ^ S8[z[0x8]] ^
                      S6[x[0xB]]);
        k[half + 8] = S5[z[0x3]] ^ S6[z[0x2]] ^ S7[z[0xC]] ^ S8[z[0xD]] ^ S5[z[0x9]];
        k[half + 9] = S5[z[0x1]] ^ S6[z[0x0]] ^ S7[z[0xE]] ^ S8[z[0xF]] ^ S6[z[0xC]];
        k[half + 10] = S5[z[0x7]] ^ S6[z[0x6]] ^ S7[z[0x8]] ^ S8[z[0x9]] ^ S7[z[0x2]];
        k[half + 11] = S5[z[0x5]] ^ S6[z[0x4]] ^ S7[z[0xA]] ^ S8[z[0xB]] ^ S8[z[0x6]];

        setX(0x0, LoadBigEndian32(z + 0x8) ^ S5[z[0x5]] ^ S6[z[0x7]] ^ S7[z[0x4]] ^ S8[z[0x6]] ^
                      S7[z[0x0]]);
        setX(0x4, LoadBigEndian32(z + 0x0) ^ S5[x[0x0]] ^ S6[x[0x2]] ^ S7[x[0x1]] ^ S8[x[0x3]] ^
                      S8[z[0x2]]);
        setX(0x8, LoadBigEndian32(z + 0x4) ^ S5[x[0x7]] ^ S6[x[0x6]] ^ S7[x[0x5]] ^ S8[x[0x4]] ^
                      S5[z[0x1]]);
        setX(0xC, LoadBigEndian32(z + 0xC) ^ S5[x[0xA]] ^ S6[x[0x9]] ^ S7[x[0xB]] ^ S8[x[0x8]] ^
                      S6[z[0x3]]);
        k[half + 12] = S5[x[0x8]] ^ S6[x[0x9]] ^ S7[x[0x7]] ^ S8[x[0x6]] ^ S5[x[0x3]];
        k[half + 13] = S5[x[0xA]] ^ S6[x[0xB]] ^ S7[x[0x5]] ^ S8[x[0x4]] ^ S6[x[0x7]];
        k[half + 14] = S5[x[0xC]] ^ S6[x[0xD]] ^ S7[x[0x3]] ^ S8[x[0x2]] ^ S7[x[0x8]];
        k[half + 15] = S5[x[0xE]] ^ S6[x[0xF]] ^ S7[x[0x1]] ^ S8[x[0x0]] ^ S8[x[0xD]];
    }
    for (int round = 0; round < 16; ++round) {
        subkeys[round].mask = k[round];
        subkeys[round].rotate = k[16 + round] & 31;
    }
    support::SecureWipe(x, sizeof x);
    support::SecureWipe(z, sizeof z);
    support::SecureWipe(k, sizeof k);
}

}  // namespace

CastStatus CastInit(CastContext& context, const std::uint8_t* key, std::uint32_t keyBits) {
    support::SecureWipe(context.subkeys, sizeof context.subkeys);
    context.keyBits = static_cast<std::uint16_t>(keyBits);
    if (keyBits > 128 || keyBits < 40 || keyBits % 8 != 0) return CastStatus::kNoKey;
    std::uint8_t padded[16] = {};
    std::memcpy(padded, key, keyBits / 8);
    ComputeSubkeys(padded, context.subkeys);
    support::SecureWipe(padded, sizeof padded);
    std::memcpy(context.marker, kCastMarker, sizeof kCastMarker);
    return CastStatus::kOk;
}

CastStatus CastCbcDecryptUpdate(CastContext& context, const std::uint8_t* input,
                                std::uint8_t* output, std::uint32_t& length) {
    if (!HasMarker(context)) return CastStatus::kNoKey;
    std::uint32_t remaining = length;
    FillBlockBuffer(context, input, remaining);
    if (context.bufferedCount < 8) {
        length = 0;
        return CastStatus::kOk;
    }
    std::uint8_t* out = output;
    if (context.held != 0) {
        std::memcpy(out, context.heldBlock, 8);
        out += 8;
    }
    CbcDecrypt(context, context.blockBuffer, out, 1);
    out += 8;
    const std::size_t blocks = remaining / 8;
    CbcDecrypt(context, input, out, blocks);
    input += 8 * blocks;
    out += 8 * blocks;
    context.bufferedCount = remaining % 8;
    if (context.bufferedCount != 0) std::memcpy(context.blockBuffer, input, context.bufferedCount);
    std::memcpy(context.heldBlock, out - 8, 8);
    context.held = 1;
    length = static_cast<std::uint32_t>(out - output) - 8;
    return CastStatus::kOk;
}

CastStatus CastCbcDecryptFinal(CastContext& context, std::uint8_t* output, std::uint32_t& length) {
    if (!HasMarker(context)) return CastStatus::kNoKey;
    if (context.held == 0) {
        length = 0;
        return CastStatus::kOk;
    }
    std::memcpy(output, context.heldBlock, 8);
    context.held = 0;
    context.bufferedCount = 0;
    // The padding byte is secret until the verdict: only whether it is 1 to 8, and then the
    // length it leaves, go out (the reader hands out both), so they are computed without a
    // branch and declared public together.
    const std::uint32_t padding = context.heldBlock[7];
    const std::uint32_t validMask = support::ConstantTimeEqualMask(((padding - 1) & 0xFFu) >> 3, 0);
    std::uint32_t verdict[2] = {validMask & 1u, (8u - padding) & validMask};
    support::ConstantTimeDeclassify(verdict, sizeof verdict);
    length = verdict[1];
    return verdict[0] != 0 ? CastStatus::kOk : CastStatus::kBadInput;
}

CastStatus CastCbcEncrypt(CastContext& context, std::uint8_t* data, std::uint32_t length) {
    if (!HasMarker(context)) return CastStatus::kNoKey;
    if (length % 8 != 0) return CastStatus::kBadInput;
    CbcEncrypt(context, data, data, length / 8);
    return CastStatus::kOk;
}

CastStatus CastMacUpdate(CastContext& context, const std::uint8_t* data, std::uint32_t length) {
    if (!HasMarker(context)) return CastStatus::kNoKey;
    FillBlockBuffer(context, data, length);
    if (context.bufferedCount < 8) return CastStatus::kOk;
    const std::size_t blocks = length / 8;
    CbcEncrypt(context, context.blockBuffer, nullptr, 1);
    CbcEncrypt(context, data, nullptr, blocks);
    data += 8 * blocks;
    context.bufferedCount = length % 8;
    if (context.bufferedCount != 0) std::memcpy(context.blockBuffer, data, context.bufferedCount);
    context.macStarted = 1;
    return CastStatus::kOk;
}

void CastMacFinal(CastContext& context) {
    if (!HasMarker(context)) return;
    if (context.bufferedCount == 0 && context.macStarted != 0) return;
    std::memset(context.blockBuffer + context.bufferedCount, 0, 8 - context.bufferedCount);
    context.bufferedCount = 8;
    (void)CastMacUpdate(context, nullptr, 0);
}

CastStatus CastMacCompute(CastContext& context, const std::uint8_t* data, std::uint32_t length,
                          std::uint8_t* mac) {
    if (!HasMarker(context)) return CastStatus::kNoKey;
    std::memset(context.chaining, 0, sizeof context.chaining);
    context.bufferedCount = 0;
    context.macStarted = 0;
    (void)CastMacUpdate(context, data, length);
    CastMacFinal(context);
    if (mac != nullptr) std::memcpy(mac, context.chaining, sizeof context.chaining);
    return CastStatus::kOk;
}

std::int32_t CastMacVerify(CastContext& context, const std::uint8_t* data, std::uint32_t length,
                           const std::uint8_t* expected) {
    // Without a key the MAC would be the zero block it starts from; never call that a match.
    if (CastMacCompute(context, data, length, nullptr) != CastStatus::kOk) return 0;
    // Constant time: a mismatch position tells nothing. The verdict itself is what the caller
    // gets, so it is public.
    bool match = support::ConstantTimeEqual(context.chaining, {expected, sizeof context.chaining});
    support::ConstantTimeDeclassify(&match, sizeof match);
    return match ? 1 : 0;
}

}  // namespace quillon::profile
