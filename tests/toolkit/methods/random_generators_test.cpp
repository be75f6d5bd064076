// The two SHA-1 random generators through toolkit random objects, each against a model written
// here on OpenSSL's SHA-1 (and its raw compression for G, its big numbers for mod q).
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/sha.h>

#include <cstring>
#include <random>
#include <vector>

#include "common/status_printer.h"
#include "common/toolkit_objects.h"
#include "common/vector_file.h"
#include "toolkit/random_params.h"

namespace {

using namespace quillon::toolkit;
using quillon::test::Alg;
using quillon::test::Bytes;
using quillon::test::ToHex;

// ---- Models ------------------------------------------------------------------------------

Bytes G(const Bytes& c) {
    SHA_CTX context;
    SHA1_Init(&context);
    unsigned char block[64] = {};
    std::memcpy(block, c.data(), c.size());
    SHA1_Transform(&context, block);
    const unsigned int words[5] = {context.h0, context.h1, context.h2, context.h3, context.h4};
    Bytes x;
    for (unsigned int word : words) {
        for (int shift = 24; shift >= 0; shift -= 8)
            x.push_back(static_cast<uint8_t>(word >> shift));
    }
    return x;
}

// key = (1 + key + x) mod 2^(8 |key|)
void Advance(Bytes& key, const Bytes& x) {
    BIGNUM *k = BN_bin2bn(key.data(), static_cast<int>(key.size()), nullptr),
           *v = BN_bin2bn(x.data(), static_cast<int>(x.size()), nullptr);
    BN_add(k, k, v);
    BN_add_word(k, 1);
    BN_mask_bits(k, static_cast<int>(8 * key.size()));
    key.assign(key.size(), 0);
    BN_bn2binpad(k, key.data(), static_cast<int>(key.size()));
    BN_free(k);
    BN_free(v);
}

Bytes Sha1(const Bytes& data) {
    Bytes out(20);
    SHA1(data.data(), data.size(), out.data());
    return out;
}

// The FIPS 186 generator as its rules are written, for comparison.
struct Fips186Model {
    Bytes xkey = Bytes(20, 0);
    Bytes seed;  // the pending batch
    bool pending = false;
    int countdown = 2;

    void Update(const Bytes& data) {
        if (countdown > 0) --countdown;
        if (countdown == 0 && !pending) seed.insert(seed.end(), xkey.begin(), xkey.end());
        seed.insert(seed.end(), data.begin(), data.end());
        pending = true;
    }
    Bytes Generate(size_t n) {
        Bytes out;
        if (n == 0) return out;
        if (pending) {
            const Bytes digest = Sha1(seed);
            std::copy(digest.begin(), digest.end(), xkey.end() - 20);
            seed.clear();
            pending = false;
        }
        while (out.size() < n) {
            const Bytes x = G(xkey);
            out.insert(out.end(), x.begin(), x.begin() + std::min<size_t>(20, n - out.size()));
            Advance(xkey, x);
        }
        return out;
    }
};

Bytes Generate(AlgObject* object, size_t n) {
    Bytes out(n);
    EXPECT_EQ(AlgGenerateRandomBytes(object, out.data(), static_cast<uint32_t>(n), nullptr), kOk);
    return out;
}

void Update(AlgObject* object, const Bytes& data) {
    EXPECT_EQ(AlgRandomUpdate(object, data.data(), static_cast<uint32_t>(data.size()), nullptr),
              kOk);
}

// A random object of the kind, created and initialised as every user makes one.
void MakeRandom(Alg& alg, InfoType kind, const void* parameters = nullptr) {
    ASSERT_EQ(AlgSetInfo(alg, kind, parameters), kOk);
    ASSERT_EQ(AlgRandomInit(alg, DefaultChooser, nullptr), kOk);
}

// ---- FIPS 186 --------------------------------------------------------------------------------

TEST(Fips186Generator, KnownAnswerWithXkeyZero) {
    const quillon::test::VectorFile vectors("fips186.txt");
    EXPECT_EQ(ToHex(G(Bytes(20, 0))), ToHex(vectors.Get("G_zero_key_output")));
    Alg alg;
    MakeRandom(alg, InfoRandomFips186);
    EXPECT_EQ(ToHex(Generate(alg, 40)), ToHex(vectors.Get("GEN0_first40")));
}

TEST(Fips186Generator, EachCallConsumesWholeBlocks) {
    const quillon::test::VectorFile vectors("fips186.txt");
    const Bytes x0 = vectors.Get("GEN0_x_0"), x1 = vectors.Get("GEN0_x_1");
    Alg twice, once;
    MakeRandom(twice, InfoRandomFips186);
    MakeRandom(once, InfoRandomFips186);
    const Bytes first = Generate(twice, 10), second = Generate(twice, 10);
    const Bytes whole = Generate(once, 20);
    EXPECT_EQ(ToHex(first), ToHex(Bytes(whole.begin(), whole.begin() + 10)));
    EXPECT_NE(ToHex(second), ToHex(Bytes(whole.begin() + 10, whole.end())));
    EXPECT_EQ(ToHex(second), ToHex(Bytes(x1.begin(), x1.begin() + 10)));
    EXPECT_EQ(ToHex(whole), ToHex(x0));
    // Length 0 consumes nothing.
    Alg empty;
    MakeRandom(empty, InfoRandomFips186);
    uint8_t none = 0xEE;
    EXPECT_EQ(AlgGenerateRandomBytes(empty, &none, 0, nullptr), kOk);
    EXPECT_EQ(none, 0xEE);
    EXPECT_EQ(ToHex(Generate(empty, 20)), ToHex(x0));
}

TEST(Fips186Generator, SeedBatchesAndCountdownFollowTheModel) {
    // Scripts of updates (u) and generations (g) with sizes.
    struct Step {
        char what;
        size_t size;
    };
    const std::vector<std::vector<Step>> scripts = {
        {{'u', 12}, {'g', 20}},
        {{'u', 12}, {'u', 4}, {'g', 33}},
        {{'u', 12}, {'g', 20}, {'u', 8}, {'g', 20}},
        {{'g', 20}, {'u', 8}, {'g', 20}, {'u', 3}, {'g', 7}},
        {{'g', 5}, {'u', 8}, {'u', 9}, {'g', 20}, {'u', 3}, {'u', 0}, {'g', 41}},
        {{'u', 0}, {'u', 0}, {'u', 0}, {'g', 20}, {'g', 20}, {'u', 80}, {'g', 80}},
    };
    std::mt19937 random(1862);
    for (size_t s = 0; s < scripts.size(); ++s) {
        SCOPED_TRACE(s);
        Alg alg;
        MakeRandom(alg, InfoRandomFips186);
        Fips186Model model;
        for (const Step& step : scripts[s]) {
            if (step.what == 'u') {
                Bytes data(step.size);
                for (auto& b : data) b = static_cast<uint8_t>(random());
                Update(alg, data);
                model.Update(data);
            } else {
                EXPECT_EQ(ToHex(Generate(alg, step.size)), ToHex(model.Generate(step.size)));
            }
        }
    }
}

TEST(Fips186Generator, SeedKeyAndSeedRecord) {
    std::vector<uint8_t> key(64), seed(30);
    for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(0xC0 + i);
    for (size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<uint8_t>(i);
    struct Case {
        uint32_t keyLength;
        uint32_t seedLength;
        Status status;
    } const cases[] = {{0, 0, kOk},
                       {20, 0, kOk},
                       {64, 0, kOk},
                       {33, 30, kOk},
                       {0, 30, kOk},
                       {19, 0, kBadParameters},
                       {65, 0, kBadParameters},
                       {1, 0, kBadParameters}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.keyLength) + "/" + std::to_string(c.seedLength));
        RandomFips186Params parameters{{seed.data(), c.seedLength}, {key.data(), c.keyLength}};
        Alg alg;
        ASSERT_EQ(AlgSetInfo(alg, InfoRandomFips186, &parameters), c.status);
        if (c.status != kOk) continue;
        ASSERT_EQ(AlgRandomInit(alg, DefaultChooser, nullptr), kOk);
        Fips186Model model;
        if (c.keyLength != 0) model.xkey.assign(key.begin(), key.begin() + c.keyLength);
        if (c.seedLength != 0) model.Update(Bytes(seed.begin(), seed.begin() + c.seedLength));
        const Bytes more = {1, 2, 3};
        Update(alg, more);
        model.Update(more);
        EXPECT_EQ(ToHex(Generate(alg, 50)), ToHex(model.Generate(50)));
        Update(alg, more);
        model.Update(more);
        EXPECT_EQ(ToHex(Generate(alg, 20)), ToHex(model.Generate(20)));
    }
    RandomFips186Params noBytes{{nullptr, 4}, {nullptr, 0}};
    Alg alg;
    EXPECT_EQ(AlgSetInfo(alg, InfoRandomFips186, &noBytes), kBadParameters);
}

// ---- Multi-stream ----------------------------------------------------------------------------

struct MultiStreamModel {
    std::vector<Bytes> keys;
    size_t next = 0;
    BIGNUM* q = nullptr;
    explicit MultiStreamModel(size_t streams) : keys(streams, Bytes(20, 0)) {
        const quillon::test::VectorFile vectors("fips186.txt");
        const Bytes qBytes = vectors.Get("FIPS186_1994_A5_q");
        q = BN_bin2bn(qBytes.data(), static_cast<int>(qBytes.size()), nullptr);
    }
    ~MultiStreamModel() { BN_free(q); }
    void Update(const Bytes& seed) {
        for (size_t s = 0; s < keys.size(); ++s) {
            Bytes input = keys[s];
            const uint8_t index[4] = {0, 0, 0, static_cast<uint8_t>(s)};
            input.insert(input.end(), index, index + 4);
            input.insert(input.end(), seed.begin(), seed.end());
            keys[s] = Sha1(input);
        }
    }
    Bytes Block() {
        Bytes& key = keys[next];
        next = (next + 1) % keys.size();
        const Bytes g = G(key);
        BIGNUM* x = BN_bin2bn(g.data(), 20, nullptr);
        BN_CTX* context = BN_CTX_new();
        BN_mod(x, x, q, context);
        Bytes reduced(20);
        BN_bn2binpad(x, reduced.data(), 20);
        BN_CTX_free(context);
        BN_free(x);
        Advance(key, reduced);
        return reduced;
    }
    Bytes Generate(size_t n) {
        Bytes out;
        while (out.size() < n) {
            const Bytes block = Block();
            out.insert(out.end(), block.begin(),
                       block.begin() + std::min<size_t>(20, n - out.size()));
        }
        return out;
    }
};

TEST(MultiStreamGenerator, FollowsTheModel) {
    std::mt19937 random(1994);
    for (uint32_t streams : {1u, 2u, 8u}) {
        SCOPED_TRACE(streams);
        RandomMultiStreamParams parameters{streams};
        Alg alg;
        MakeRandom(alg, InfoRandomMultiStream, streams == 1 ? nullptr : &parameters);
        MultiStreamModel model(streams);
        for (size_t n : {80u, 45u, 1u, 200u}) {
            Bytes seed(n);
            for (auto& b : seed) b = static_cast<uint8_t>(random());
            Update(alg, seed);
            model.Update(seed);
            EXPECT_EQ(ToHex(Generate(alg, n)), ToHex(model.Generate(n)));
        }
    }
}

TEST(MultiStreamGenerator, ABlockDoesNotGiveAwayTheNext) {
    // Were the new key the output, the next block would be 1 + b + (G(b) mod q).
    Alg alg;
    MakeRandom(alg, InfoRandomMultiStream);
    Update(alg, Bytes(80, 0x42));
    const Bytes first = Generate(alg, 20), second = Generate(alg, 20);
    MultiStreamModel model(1);
    model.keys[0] = first;
    EXPECT_NE(ToHex(model.Block()), ToHex(second));
    MultiStreamModel honest(1);
    honest.Update(Bytes(80, 0x42));
    EXPECT_EQ(ToHex(honest.Generate(40)), ToHex(first) + ToHex(second));
}

TEST(MultiStreamGenerator, StreamCountLimits) {
    for (uint32_t streams : {0u, 9u, 1000u}) {
        RandomMultiStreamParams parameters{streams};
        Alg alg;
        EXPECT_EQ(AlgSetInfo(alg, InfoRandomMultiStream, &parameters), kBadParameters) << streams;
    }
}

TEST(RandomObjects, UpdateWithoutDataAndGenerateWithoutRoom) {
    Alg alg;
    MakeRandom(alg, InfoRandomFips186);
    EXPECT_EQ(AlgRandomUpdate(alg, nullptr, 4, nullptr), kNullData);
    EXPECT_EQ(AlgGenerateRandomBytes(alg, nullptr, 4, nullptr), kOutputTooSmall);
    EXPECT_EQ(AlgGenerateRandomBytes(alg, nullptr, 0, nullptr), kOk);
}

}  // namespace
