#include "cipher/des_modes.h"

#include <gtest/gtest.h>
#include <openssl/des.h>

#include <cstring>
#include <random>

#include "common/des_engines.h"
#include "common/random_bytes.h"

namespace quillon::cipher {
namespace {

using test::Bytes;
using test::RandomBytes;
using test::ToHex;

// Every test runs on each engine.
class DesModes : public test::DesEngineTest {};
INSTANTIATE_TEST_SUITE_P(Engines, DesModes, test::kDesEngines, test::DesEngineName);

// OpenSSL's table DES as the reference: CBC over whole blocks, in place.
void OpenSslCbc(bool encrypt, const Bytes& key, Bytes& data, Bytes& iv) {
    DES_key_schedule schedules[3];
    for (size_t i = 0; i < key.size() / 8; ++i) {
        DES_cblock part;
        std::memcpy(part, key.data() + 8 * i, 8);
        DES_set_key_unchecked(&part, &schedules[i]);
    }
    DES_cblock chain;
    std::memcpy(chain, iv.data(), 8);
    const long length = static_cast<long>(data.size());
    const int direction = encrypt ? DES_ENCRYPT : DES_DECRYPT;
    if (key.size() == 8) {
        DES_ncbc_encrypt(data.data(), data.data(), length, &schedules[0], &chain, direction);
    } else {
        DES_ede3_cbc_encrypt(data.data(), data.data(), length, &schedules[0], &schedules[1],
                             &schedules[2], &chain, direction);
    }
    std::memcpy(iv.data(), chain, 8);
}

void QuillonCbc(bool encrypt, const Bytes& key, uint8_t* data, size_t length, Bytes& iv) {
    (key.size() == 8 ? DesCbc : TripleDesCbc)(encrypt, data, length, key.data(), iv.data());
}

// Random keys, IVs and lengths (partial last blocks included), in pieces that share the IV,
// both directions, DES and triple-DES.
TEST_P(DesModes, AgreesWithOpenSsl) {
    std::mt19937 random(46);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        const Bytes key = RandomBytes(random, trial % 2 == 0 ? 8 : 24);
        const Bytes iv = RandomBytes(random, 8);
        const size_t length = random() % 200;
        const size_t padded = (length + 7) / 8 * 8;
        Bytes plaintext = RandomBytes(random, length);
        plaintext.resize(padded, 0);

        Bytes expected = plaintext, expectedIv = iv;
        OpenSslCbc(true, key, expected, expectedIv);
        Bytes data = plaintext, chain = iv;
        for (size_t done = 0; done < length;) {
            const size_t piece = std::min<size_t>(length - done, 8 * (1 + random() % 5));
            QuillonCbc(true, key, data.data() + done, piece, chain);
            done += piece;
        }
        ASSERT_EQ(ToHex(data), ToHex(expected));
        ASSERT_EQ(ToHex(chain), ToHex(expectedIv));

        Bytes decrypted = expected, decryptedIv = iv;
        OpenSslCbc(false, key, decrypted, decryptedIv);
        chain = iv;
        QuillonCbc(false, key, data.data(), length, chain);
        ASSERT_EQ(ToHex(Bytes(data.begin(), data.begin() + static_cast<long>(length))),
                  ToHex(Bytes(decrypted.begin(), decrypted.begin() + static_cast<long>(length))));
        ASSERT_EQ(ToHex(chain), ToHex(decryptedIv));
    }
}

// The weak and semi-weak keys of FIPS 74 are accepted and used as they are, like any other.
TEST_P(DesModes, WeakKeysAgreeWithOpenSsl) {
    const char* const kKeys[] = {"0101010101010101", "FEFEFEFEFEFEFEFE", "E0E0E0E0F1F1F1F1",
                                 "1F1F1F1F0E0E0E0E", "01FE01FE01FE01FE", "FE01FE01FE01FE01",
                                 "1FE01FE00EF10EF1", "E0FEE0FEF1FEF1FE"};
    std::mt19937 random(74);
    for (const char* hex : kKeys) {
        SCOPED_TRACE(hex);
        Bytes key;
        for (int i = 0; i < 16; i += 2) {
            key.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
        }
        const Bytes iv = RandomBytes(random, 8), plaintext = RandomBytes(random, 32);
        Bytes expected = plaintext, expectedIv = iv, data = plaintext, chain = iv;
        OpenSslCbc(true, key, expected, expectedIv);
        QuillonCbc(true, key, data.data(), data.size(), chain);
        EXPECT_EQ(ToHex(data), ToHex(expected));
    }
}

}  // namespace
}  // namespace quillon::cipher
