// The DES and chaining methods: DES-CBC through toolkit objects and the triple-chaining method's
// three layers, against OpenSSL's table DES.
#include <gtest/gtest.h>
#include <openssl/des.h>

#include <cstring>
#include <random>
#include <vector>

#include "common/des_engines.h"
#include "common/status_printer.h"
#include "common/toolkit_objects.h"
#include "common/vector_file.h"
#include "toolkit/methods/methods.h"

namespace {

using namespace quillon::toolkit;
using quillon::test::Alg;
using quillon::test::Bytes;
using quillon::test::Key;
using quillon::test::ToHex;

// OpenSSL's DES-CBC over whole blocks.
Bytes OpenSslCbc(const Bytes& key, const Bytes& iv, const Bytes& in, int direction) {
    DES_key_schedule schedule;
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(const_cast<uint8_t*>(key.data())),
                          &schedule);
    DES_cblock chain;
    std::memcpy(chain, iv.data(), 8);
    Bytes out(in.size());
    DES_ncbc_encrypt(in.data(), out.data(), static_cast<long>(in.size()), &schedule, &chain,
                     direction);
    return out;
}

// DES-CBC through a toolkit object, the input fed in the given pieces.
Bytes ToolkitCbc(const Bytes& keyBytes, const Bytes& ivBytes, const Bytes& in, bool encrypt,
                 const std::vector<size_t>& pieces) {
    Key key;
    EXPECT_EQ(quillon::test::SetDesKey(key, keyBytes.data()), kOk);
    Item iv{const_cast<uint8_t*>(ivBytes.data()), 8};
    Alg alg;
    EXPECT_EQ(AlgSetInfo(alg, InfoDesCbc, &iv), kOk);
    EXPECT_EQ(encrypt ? AlgEncryptInit(alg, key, DefaultChooser, nullptr)
                      : AlgDecryptInit(alg, key, DefaultChooser, nullptr),
              kOk);
    Bytes out(in.size() + 8);
    uint32_t written = 0, length = 0;
    size_t at = 0;
    for (size_t piece : pieces) {
        const uint32_t room = static_cast<uint32_t>(out.size() - written);
        EXPECT_EQ(encrypt
                      ? AlgEncryptUpdate(alg, out.data() + written, &length, room, in.data() + at,
                                         static_cast<uint32_t>(piece), nullptr, nullptr)
                      : AlgDecryptUpdate(alg, out.data() + written, &length, room, in.data() + at,
                                         static_cast<uint32_t>(piece), nullptr, nullptr),
                  kOk);
        written += length;
        at += piece;
    }
    EXPECT_EQ(encrypt ? AlgEncryptFinal(alg, nullptr, &length, 0, nullptr, nullptr)
                      : AlgDecryptFinal(alg, nullptr, &length, 0, nullptr, nullptr),
              kOk);
    EXPECT_EQ(length, 0u);
    out.resize(written);
    return out;
}

TEST(DesCbc, Fips81Example) {
    const Bytes key = quillon::test::FromHex("0123456789ABCDEF");
    const Bytes iv = quillon::test::FromHex("1234567890ABCDEF");
    const std::string text = "Now is the time for all ";
    const Bytes plaintext(text.begin(), text.end());
    const Bytes ciphertext = ToolkitCbc(key, iv, plaintext, true, {24});
    EXPECT_EQ(ToHex(ciphertext), "E5C7CDDE872BF27C43E934008C389C0F683788499A7C05F6");
    EXPECT_EQ(ToolkitCbc(key, iv, ciphertext, false, {5, 11, 8}), plaintext);
}

// On each DES engine: the method runs on the one that serves the module.
class DesCbcOnEachEngine : public quillon::test::DesEngineTest {};
INSTANTIATE_TEST_SUITE_P(Engines, DesCbcOnEachEngine, quillon::test::kDesEngines,
                         quillon::test::DesEngineName);

TEST_P(DesCbcOnEachEngine, AgreesWithOpenSslInPieces) {
    std::mt19937 random(81);
    for (int round = 0; round < 40; ++round) {
        Bytes key(8), iv(8), plaintext(8 * (random() % 40));
        for (auto* bytes : {&key, &iv, &plaintext}) {
            for (auto& b : *bytes) b = static_cast<uint8_t>(random());
        }
        std::vector<size_t> pieces;
        for (size_t left = plaintext.size(); left != 0;) {
            pieces.push_back(std::min<size_t>(left, random() % 30));
            left -= pieces.back();
        }
        const Bytes expected = OpenSslCbc(key, iv, plaintext, DES_ENCRYPT);
        EXPECT_EQ(ToHex(ToolkitCbc(key, iv, plaintext, true, pieces)), ToHex(expected));
        EXPECT_EQ(ToHex(ToolkitCbc(key, iv, expected, false, pieces)), ToHex(plaintext));
    }
}

TEST(DesCbc, AFinalStartsTheChainAgain) {
    const Bytes key(8, 0x31), ivBytes(8, 0x07), block(16, 0x5A);
    Key desKey;
    ASSERT_EQ(quillon::test::SetDesKey(desKey, key.data()), kOk);
    Item iv{const_cast<uint8_t*>(ivBytes.data()), 8};
    Alg alg;
    ASSERT_EQ(AlgSetInfo(alg, InfoDesCbc, &iv), kOk);
    ASSERT_EQ(AlgEncryptInit(alg, desKey, DefaultChooser, nullptr), kOk);
    uint8_t first[16], second[16];
    uint32_t length = 0;
    ASSERT_EQ(AlgEncryptUpdate(alg, first, &length, 16, block.data(), 16, nullptr, nullptr), kOk);
    ASSERT_EQ(AlgEncryptFinal(alg, nullptr, &length, 0, nullptr, nullptr), kOk);
    ASSERT_EQ(AlgEncryptUpdate(alg, second, &length, 16, block.data(), 16, nullptr, nullptr), kOk);
    EXPECT_EQ(ToHex(first, 16), ToHex(second, 16));
    EXPECT_EQ(ToHex(first, 16), ToHex(OpenSslCbc(key, ivBytes, block, DES_ENCRYPT)));
}

// The triple-chaining method drives three stages, one CBC layer each: with DES stages that is
// three OpenSSL CBC passes in a row, each with its own chaining value.
TEST(TripleChaining, ThreeCbcLayers) {
    std::mt19937 random(3);
    Bytes keys[3], ivs(24), data(8 * 9);
    for (auto& key : keys) {
        key.resize(8);
        for (auto& b : key) b = static_cast<uint8_t>(random());
    }
    for (auto& b : ivs) b = static_cast<uint8_t>(random());
    for (auto& b : data) b = static_cast<uint8_t>(random());
    const Bytes iv[3] = {Bytes(ivs.begin(), ivs.begin() + 8),
                         Bytes(ivs.begin() + 8, ivs.begin() + 16),
                         Bytes(ivs.begin() + 16, ivs.end())};

    Bytes expected = data;
    for (int s = 0; s < 3; ++s) expected = OpenSslCbc(keys[s], iv[s], expected, DES_ENCRYPT);

    const auto& des =
        *static_cast<const methods::BlockCipherPrimitives*>(methods::kDesEncryptMethod.primitives);
    const auto& desInverse =
        *static_cast<const methods::BlockCipherPrimitives*>(methods::kDesDecryptMethod.primitives);
    std::vector<uint8_t> schedules(3 * des.contextSize), inverse(3 * des.contextSize);
    methods::CipherStage stages[3], inverseStages[3];
    for (int s = 0; s < 3; ++s) {
        ASSERT_EQ(des.setKey(&schedules[s * des.contextSize], keys[s].data(), 8), method::kOk);
        stages[s] = {&des, &schedules[s * des.contextSize]};
        // The decrypt side undoes the layers last first.
        ASSERT_EQ(desInverse.setKey(&inverse[s * des.contextSize], keys[2 - s].data(), 8),
                  method::kOk);
        inverseStages[s] = {&desInverse, &inverse[s * des.contextSize]};
    }
    const auto& encrypt = *static_cast<const methods::ChainingPrimitives*>(
        methods::kTripleChainingEncryptMethod.primitives);
    std::vector<uint8_t> state(encrypt.contextSize);
    ASSERT_EQ(encrypt.init(state.data(), ivs.data(), 24), method::kOk);
    Bytes out = data;
    encrypt.process(state.data(), stages, out.data(), out.data(), 4);  // in place, in two calls
    encrypt.process(state.data(), stages, out.data() + 32, out.data() + 32, 5);
    EXPECT_EQ(ToHex(out), ToHex(expected));

    const auto& decrypt = *static_cast<const methods::ChainingPrimitives*>(
        methods::kTripleChainingDecryptMethod.primitives);
    Bytes reversedIvs;
    for (int s = 2; s >= 0; --s) reversedIvs.insert(reversedIvs.end(), iv[s].begin(), iv[s].end());
    ASSERT_EQ(decrypt.init(state.data(), reversedIvs.data(), 24), method::kOk);
    decrypt.process(state.data(), inverseStages, out.data(), out.data(), 9);
    EXPECT_EQ(ToHex(out), ToHex(data));
    EXPECT_NE(encrypt.init(state.data(), ivs.data(), 23), method::kOk)
        << "three values of equal length";
}

}  // namespace
