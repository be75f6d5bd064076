// The InfoRandomFips186 method: the FIPS 186-2 generator with XKEY, a running SHA-1 of seed
// material, a pending flag and an update countdown.
//
// Seeding: an update counts the countdown down (from 2, it reaches 0 on the object's second
// update); when it is 0 and no seed is pending, the update opens a new batch and XKEY goes into
// the seed digest first. The data follow and the pending flag is set. So the first batch after
// creation is hashed without XKEY, every later batch as XKEY followed by the new material.
// Generation: a pending batch becomes XKEY (its SHA-1; the seed digest starts again), then each
// 20-byte block is x = G(XKEY), XKEY = (1 + XKEY + x) mod 2^b. A call always consumes whole
// blocks: bytes of a last partial block that were not output are discarded.
#include <algorithm>
#include <cstring>

#include "hash/sha1.h"
#include "support/secure_wipe.h"
#include "toolkit/methods/fips186_g.h"
#include "toolkit/methods/methods.h"
#include "toolkit/random_params.h"

namespace quillon::toolkit::methods {
namespace {

constexpr std::uint32_t kDefaultKeyLength = 20;
constexpr std::uint32_t kMaxKeyLength = 64;

struct Fips186State {
    std::uint8_t xkey[kMaxKeyLength];
    std::uint32_t keyLength;  // b / 8
    hash::Sha1Context seedDigest;
    bool pending;
    std::uint32_t countdown;
};

MethodStatus Fips186Update(void* context, const std::uint8_t* seed, std::uint32_t length) {
    auto& state = *static_cast<Fips186State*>(context);
    if (state.countdown > 0) --state.countdown;
    if (state.countdown == 0 && !state.pending) {
        hash::Sha1Update(state.seedDigest, state.xkey, state.keyLength);
    }
    hash::Sha1Update(state.seedDigest, seed, length);
    state.pending = true;
    return method::kOk;
}

MethodStatus Fips186Init(void* context, const void* parameters) {
    auto& state = *static_cast<Fips186State*>(context);
    std::memset(state.xkey, 0, sizeof state.xkey);
    state.keyLength = kDefaultKeyLength;
    hash::Sha1Init(state.seedDigest);
    state.pending = false;
    state.countdown = 2;
    if (parameters == nullptr) return method::kOk;
    const auto& given = *static_cast<const RandomFips186Params*>(parameters);
    if (given.key.length != 0) {
        std::memcpy(state.xkey, given.key.data, given.key.length);
        state.keyLength = given.key.length;
    }
    if (given.seed.length != 0) return Fips186Update(context, given.seed.data, given.seed.length);
    return method::kOk;
}

MethodStatus Fips186Generate(void* context, std::uint8_t* out, std::uint32_t length) {
    auto& state = *static_cast<Fips186State*>(context);
    if (length == 0) return method::kOk;
    if (state.pending) {
        // The new seed replaces the low-order 160 bits of XKEY (all of it when b = 160).
        state.pending = false;
        hash::Sha1Final(state.seedDigest, state.xkey + state.keyLength - hash::kSha1DigestLength);
        hash::Sha1Init(state.seedDigest);
    }
    std::uint8_t x[hash::kSha1DigestLength];
    while (length != 0) {
        Fips186G(state.xkey, state.keyLength, x);
        const std::uint32_t take = std::min<std::uint32_t>(length, hash::kSha1DigestLength);
        std::memcpy(out, x, take);
        out += take;
        length -= take;
        Fips186AdvanceKey(state.xkey, state.keyLength, x);
    }
    support::SecureWipe(x, sizeof x);
    return method::kOk;
}

constexpr RandomPrimitives kFips186Primitives = {sizeof(Fips186State), Fips186Init, Fips186Update,
                                                 Fips186Generate};

}  // namespace

constinit const Method kRandomFips186Method = {InfoRandomFips186, 0, nullptr, &kFips186Primitives};

}  // namespace quillon::toolkit::methods
