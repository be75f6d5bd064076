// The InfoRandomMultiStream method: the generator of the seeded random objects. It keeps one or
// more streams, each with its own 20-byte key. Seed material goes into every stream:
// key_s = SHA-1(key_s || s as 4 bytes big-endian || seed), so streams never share a key. Output
// blocks come from the streams in turn; a stream's block is
//     x = G(key) mod q,   key = (1 + key + x) mod 2^160,   output x,
// the x-value rule of FIPS 186-2 appendix 3.1, with q the 160-bit prime of the 1994 FIPS 186
// appendix 5 example. The block output is x, not the new key: a key that left the object would
// let anyone who saw one block compute every block after it. As with the other generator, a call
// consumes whole blocks.
#include <algorithm>
#include <cstring>

#include "hash/sha1.h"
#include "support/byte_order.h"
#include "support/secure_wipe.h"
#include "toolkit/methods/fips186_g.h"
#include "toolkit/methods/methods.h"
#include "toolkit/random_params.h"

namespace quillon::toolkit::methods {
namespace {

// FIPS 186 (1994) appendix 5: q = B20DB0B1 01DF0C66 24FC1392 BA55F77D 577481E5.
constexpr std::uint8_t kQ[20] = {0xB2, 0x0D, 0xB0, 0xB1, 0x01, 0xDF, 0x0C, 0x66, 0x24, 0xFC,
                                 0x13, 0x92, 0xBA, 0x55, 0xF7, 0x7D, 0x57, 0x74, 0x81, 0xE5};

struct MultiStreamState {
    std::uint32_t streamCount;
    std::uint32_t nextStream;
    std::uint8_t keys[kMaxRandomStreams][20];
};

// x = x mod q for a 160-bit x: q > 2^159, so one subtraction is enough. x becomes a secret
// value, so the subtraction always runs and a mask from its final borrow picks the result.
void ReduceModQ(std::uint8_t x[20]) {
    std::uint8_t difference[20];
    std::uint32_t borrow = 0;
    for (int i = 19; i >= 0; --i) {
        const std::uint32_t wide = std::uint32_t{x[i]} - kQ[i] - borrow;
        difference[i] = static_cast<std::uint8_t>(wide);
        borrow = wide >> 31;
    }
    // All-ones when x >= q (no borrow out of the top byte).
    const auto keep = static_cast<std::uint8_t>(borrow - 1);
    for (int i = 0; i < 20; ++i) {
        x[i] = static_cast<std::uint8_t>((difference[i] & keep) | (x[i] & ~keep));
    }
    support::SecureWipe(difference, sizeof difference);
}

MethodStatus MultiStreamInit(void* context, const void* parameters) {
    auto& state = *static_cast<MultiStreamState*>(context);
    std::memset(&state, 0, sizeof state);
    state.streamCount = parameters == nullptr
                            ? 1
                            : static_cast<const RandomMultiStreamParams*>(parameters)->streamCount;
    return method::kOk;
}

MethodStatus MultiStreamUpdate(void* context, const std::uint8_t* seed, std::uint32_t length) {
    auto& state = *static_cast<MultiStreamState*>(context);
    for (std::uint32_t s = 0; s < state.streamCount; ++s) {
        std::uint8_t index[4];
        support::StoreBigEndian32(index, s);
        hash::Sha1Context digest;
        hash::Sha1Init(digest);
        hash::Sha1Update(digest, state.keys[s], 20);
        hash::Sha1Update(digest, index, sizeof index);
        hash::Sha1Update(digest, seed, length);
        hash::Sha1Final(digest, state.keys[s]);
        support::SecureWipe(&digest, sizeof digest);
    }
    return method::kOk;
}

MethodStatus MultiStreamGenerate(void* context, std::uint8_t* out, std::uint32_t length) {
    auto& state = *static_cast<MultiStreamState*>(context);
    std::uint8_t x[20];
    while (length != 0) {
        std::uint8_t* key = state.keys[state.nextStream];
        state.nextStream = (state.nextStream + 1) % state.streamCount;
        Fips186G(key, 20, x);
        ReduceModQ(x);
        Fips186AdvanceKey(key, 20, x);
        const std::uint32_t take = std::min<std::uint32_t>(length, 20);
        std::memcpy(out, x, take);
        out += take;
        length -= take;
    }
    support::SecureWipe(x, sizeof x);
    return method::kOk;
}

constexpr RandomPrimitives kMultiStreamPrimitives = {sizeof(MultiStreamState), MultiStreamInit,
                                                     MultiStreamUpdate, MultiStreamGenerate};

}  // namespace

constinit const Method kRandomMultiStreamMethod = {InfoRandomMultiStream, 0, nullptr,
                                                   &kMultiStreamPrimitives};

}  // namespace quillon::toolkit::methods
