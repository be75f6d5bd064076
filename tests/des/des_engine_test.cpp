#include "des/des_engine.h"

#include <gtest/gtest.h>
#include <openssl/des.h>

#include <cstring>
#include <random>

#include "common/des_engines.h"
#include "common/random_bytes.h"
#include "des/des_round_keys.h"
#include "platform/cpu_features.h"
#include "support/secure_wipe.h"

namespace quillon::des {
namespace {

using test::Bytes;
using test::RandomBytes;
using test::ToHex;

class DesEngine : public test::DesEngineTest {};
INSTANTIATE_TEST_SUITE_P(Engines, DesEngine, test::kDesEngines, test::DesEngineName);

// OpenSSL's table DES, block by block: DES, or EDE triple-DES with three keys.
Bytes OpenSslEcb(bool encrypt, const Bytes& key, const Bytes& in) {
    DES_key_schedule schedules[3];
    for (size_t i = 0; i < key.size() / 8; ++i) {
        DES_cblock part;
        std::memcpy(part, key.data() + 8 * i, 8);
        DES_set_key_unchecked(&part, &schedules[i]);
    }
    const int direction = encrypt ? DES_ENCRYPT : DES_DECRYPT;
    Bytes out(in.size());
    for (size_t at = 0; at < in.size(); at += 8) {
        DES_cblock block;
        std::memcpy(block, in.data() + at, 8);
        DES_cblock result;
        if (key.size() == 8) {
            DES_ecb_encrypt(&block, &result, &schedules[0], direction);
        } else {
            DES_ecb3_encrypt(&block, &result, &schedules[0], &schedules[1], &schedules[2],
                             direction);
        }
        std::memcpy(out.data() + at, result, 8);
    }
    return out;
}

// Random keys and runs of blocks, DES and triple-DES, both directions: each block on its own.
TEST_P(DesEngine, EcbAgreesWithOpenSsl) {
    std::mt19937 random(64);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        const bool triple = trial % 2 != 0, encrypt = trial % 4 < 2;
        const Bytes key = RandomBytes(random, triple ? 24 : 8);
        const Bytes in = RandomBytes(random, 8 * (1 + random() % 9));
        RoundKeys keys;
        PrepareKeys(key.data(), triple, encrypt, keys);
        Bytes data = in;
        ServingModes().ecb(keys, data.data(), data.size() / 8);
        support::SecureWipe(&keys, sizeof keys);
        ASSERT_EQ(ToHex(data), ToHex(OpenSslEcb(encrypt, key, in)));
    }
}

TEST(DesEngines, ShufflesServeWhereSsse3Is) {
    EXPECT_EQ(EngineAvailable(EngineKind::kShuffles),
              QUILLON_X86 && platform::ProcessorFeatures().ssse3);
    EXPECT_TRUE(EngineAvailable(EngineKind::kPortable));
    EXPECT_EQ(ServingEngine(), EngineAvailable(EngineKind::kShuffles) ? EngineKind::kShuffles
                                                                      : EngineKind::kPortable);
}

}  // namespace
}  // namespace quillon::des
