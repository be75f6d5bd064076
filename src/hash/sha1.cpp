#include "hash/sha1.h"

#include <atomic>
#include <bit>
#include <cstring>

#include "platform/cpu_features.h"
#include "support/byte_order.h"

#if QUILLON_X86
#include <immintrin.h>
#endif

namespace quillon::hash {
namespace {

using support::LoadBigEndian32;
using support::StoreBigEndian32;

using CompressFunction = void (*)(std::uint32_t*, const std::uint8_t*, std::size_t);

// The compression for this processor, null until the first call chooses it. Threads that find it
// null all choose the same one, so no guard is needed, and the call through it saves no registers:
// a small digest makes two calls between its own work.
std::atomic<CompressFunction> chosenCompress{nullptr};

[[gnu::noinline]] CompressFunction ChooseCompress() {
    const CompressFunction compress =
        Sha1HasShaInstructions() ? Sha1CompressShaInstructions : Sha1CompressGeneric;
    chosenCompress.store(compress, std::memory_order_relaxed);
    return compress;
}

}  // namespace

// One round: e += rotl(a, 5) + f(b, c, d) + K + W; b = rotl(b, 30). The callers rotate the
// roles of a..e instead of moving values. The schedule keeps the last 16 words of W.
#define SHA1_W0(i) (w[i] = LoadBigEndian32(block + 4 * (i)))
#define SHA1_W(i) \
    (w[(i)&15] =  \
         std::rotl(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))
#define SHA1_R0(a, b, c, d, e, i)                                          \
    e += std::rotl(a, 5) + (d ^ (b & (c ^ d))) + 0x5A827999u + SHA1_W0(i); \
    b = std::rotl(b, 30)
#define SHA1_R1(a, b, c, d, e, i)                                         \
    e += std::rotl(a, 5) + (d ^ (b & (c ^ d))) + 0x5A827999u + SHA1_W(i); \
    b = std::rotl(b, 30)
#define SHA1_R2(a, b, c, d, e, i)                                 \
    e += std::rotl(a, 5) + (b ^ c ^ d) + 0x6ED9EBA1u + SHA1_W(i); \
    b = std::rotl(b, 30)
#define SHA1_R3(a, b, c, d, e, i)                                               \
    e += std::rotl(a, 5) + ((b & c) + (d & (b ^ c))) + 0x8F1BBCDCu + SHA1_W(i); \
    b = std::rotl(b, 30)
#define SHA1_R4(a, b, c, d, e, i)                                 \
    e += std::rotl(a, 5) + (b ^ c ^ d) + 0xCA62C1D6u + SHA1_W(i); \
    b = std::rotl(b, 30)
#define SHA1_FIVE(R, i)        \
    R(a, b, c, d, e, (i));     \
    R(e, a, b, c, d, (i) + 1); \
    R(d, e, a, b, c, (i) + 2); \
    R(c, d, e, a, b, (i) + 3); \
    R(b, c, d, e, a, (i) + 4)

void Sha1CompressGeneric(std::uint32_t state[5], const std::uint8_t* block, std::size_t count) {
    std::uint32_t w[16];
    for (; count != 0; --count, block += kSha1BlockLength) {
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        SHA1_FIVE(SHA1_R0, 0);
        SHA1_FIVE(SHA1_R0, 5);
        SHA1_FIVE(SHA1_R0, 10);
        SHA1_R0(a, b, c, d, e, 15);
        SHA1_R1(e, a, b, c, d, 16);
        SHA1_R1(d, e, a, b, c, 17);
        SHA1_R1(c, d, e, a, b, 18);
        SHA1_R1(b, c, d, e, a, 19);
        SHA1_FIVE(SHA1_R2, 20);
        SHA1_FIVE(SHA1_R2, 25);
        SHA1_FIVE(SHA1_R2, 30);
        SHA1_FIVE(SHA1_R2, 35);
        SHA1_FIVE(SHA1_R3, 40);
        SHA1_FIVE(SHA1_R3, 45);
        SHA1_FIVE(SHA1_R3, 50);
        SHA1_FIVE(SHA1_R3, 55);
        SHA1_FIVE(SHA1_R4, 60);
        SHA1_FIVE(SHA1_R4, 65);
        SHA1_FIVE(SHA1_R4, 70);
        SHA1_FIVE(SHA1_R4, 75);
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
    // The schedule words are message-derived: no copy of key material stays on the stack.
    std::memset(w, 0, sizeof w);
    __asm__ __volatile__("" : : "r"(w) : "memory");
}

#undef SHA1_W0
#undef SHA1_W
#undef SHA1_R0
#undef SHA1_R1
#undef SHA1_R2
#undef SHA1_R3
#undef SHA1_R4
#undef SHA1_FIVE

bool Sha1HasShaInstructions() {
    return platform::ProcessorFeatures().sha;
}

#if QUILLON_X86

// Four rounds per instruction. The message words travel in groups of four, W0 in the highest
// lane; group i >= 4 is msg2(msg1(W[i-4], W[i-3]) ^ W[i-2], W[i-1]). E for a group comes from
// sha1nexte of the ABCD that entered the previous group.
#define SHA1_GROUP_SCHEDULE(i)                                                           \
    m[(i)&3] = _mm_sha1msg2_epu32(                                                       \
        _mm_xor_si128(_mm_sha1msg1_epu32(m[(i)&3], m[((i) + 1) & 3]), m[((i) + 2) & 3]), \
        m[((i) + 3) & 3])
#define SHA1_GROUP(i)                            \
    e = _mm_sha1nexte_epu32(previous, m[(i)&3]); \
    previous = abcd;                             \
    abcd = _mm_sha1rnds4_epu32(abcd, e, (i) / 5)
#define SHA1_GROUP_NEXT(i)  \
    SHA1_GROUP_SCHEDULE(i); \
    SHA1_GROUP(i)

__attribute__((target("sha,sse4.1,ssse3"))) void Sha1CompressShaInstructions(
    std::uint32_t state[5], const std::uint8_t* block, std::size_t count) {
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; count != 0; --count, block += kSha1BlockLength) {
        const __m128i abcdSaved = abcd, e0Saved = e0;
        // Four separate loads, not a loop: the groups then stay in registers instead of going
        // through the stack.
        const auto* words = reinterpret_cast<const __m128i*>(block);
        __m128i m[4] = {_mm_shuffle_epi8(_mm_loadu_si128(words), byteSwap),
                        _mm_shuffle_epi8(_mm_loadu_si128(words + 1), byteSwap),
                        _mm_shuffle_epi8(_mm_loadu_si128(words + 2), byteSwap),
                        _mm_shuffle_epi8(_mm_loadu_si128(words + 3), byteSwap)};
        __m128i e = _mm_add_epi32(e0, m[0]);
        __m128i previous = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, e, 0);
        SHA1_GROUP(1);
        SHA1_GROUP(2);
        SHA1_GROUP(3);
        SHA1_GROUP_NEXT(4);
        SHA1_GROUP_NEXT(5);
        SHA1_GROUP_NEXT(6);
        SHA1_GROUP_NEXT(7);
        SHA1_GROUP_NEXT(8);
        SHA1_GROUP_NEXT(9);
        SHA1_GROUP_NEXT(10);
        SHA1_GROUP_NEXT(11);
        SHA1_GROUP_NEXT(12);
        SHA1_GROUP_NEXT(13);
        SHA1_GROUP_NEXT(14);
        SHA1_GROUP_NEXT(15);
        SHA1_GROUP_NEXT(16);
        SHA1_GROUP_NEXT(17);
        SHA1_GROUP_NEXT(18);
        SHA1_GROUP_NEXT(19);
        e0 = _mm_sha1nexte_epu32(previous, e0Saved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
}

#undef SHA1_GROUP_SCHEDULE
#undef SHA1_GROUP
#undef SHA1_GROUP_NEXT

#else

void Sha1CompressShaInstructions(std::uint32_t state[5], const std::uint8_t* blocks,
                                 std::size_t count) {
    Sha1CompressGeneric(state, blocks, count);
}

#endif

void Sha1Compress(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count) {
    CompressFunction compress = chosenCompress.load(std::memory_order_relaxed);
    if (compress == nullptr) compress = ChooseCompress();
    compress(state, blocks, count);
}

void Sha1Init(Sha1Context& context) {
    std::memcpy(context.state, kSha1InitialState, sizeof context.state);
    support::MdStart(context.input);
}

void Sha1Update(Sha1Context& context, const std::uint8_t* data, std::size_t length) {
    support::MdUpdate(context.input, data, length,
                      [&context](const std::uint8_t* blocks, std::size_t count) {
                          Sha1Compress(context.state, blocks, count);
                      });
}

void Sha1Final(Sha1Context& context, std::uint8_t* digest) {
    support::MdFinish(context.input, support::MdLengthOrder::kBigEndian,
                      [&context](const std::uint8_t* blocks, std::size_t count) {
                          Sha1Compress(context.state, blocks, count);
                      });
    for (int i = 0; i < 5; ++i) StoreBigEndian32(digest + 4 * i, context.state[i]);
}

}  // namespace quillon::hash
