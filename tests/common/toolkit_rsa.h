// RSA through toolkit objects, as the RSA tests drive it: key objects given keys, a seeded random
// object, and one whole PKCS #1 operation run the way the exports run it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/toolkit_objects.h"
#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace quillon::test {

using Bytes = std::vector<std::uint8_t>;

// A key object given a DER key of that type.
inline toolkit::Status SetBer(toolkit::KeyObject* key, toolkit::InfoType type, const Bytes& der) {
    toolkit::Item item{const_cast<std::uint8_t*>(der.data()),
                       static_cast<std::uint32_t>(der.size())};
    return toolkit::KeySetInfo(key, type, &item);
}

// A key object given a public key by its numbers.
inline toolkit::Status SetPublic(toolkit::KeyObject* key, const Bytes& modulus,
                                 const Bytes& exponent) {
    toolkit::RsaPublicKeyRecord record{
        {const_cast<std::uint8_t*>(modulus.data()), static_cast<std::uint32_t>(modulus.size())},
        {const_cast<std::uint8_t*>(exponent.data()), static_cast<std::uint32_t>(exponent.size())}};
    return toolkit::KeySetInfo(key, toolkit::KeyInfoRsaPublic, &record);
}

// An Item's bytes.
inline Bytes ItemBytes(const toolkit::Item& item) {
    return Bytes(item.data, item.data + item.length);
}

// A random object as the module hands them out, seeded from a fixed value.
struct SeededRandom {
    Alg alg;
    explicit SeededRandom(std::uint8_t seed = 7) {
        EXPECT_EQ(toolkit::AlgSetInfo(alg, toolkit::InfoRandomMultiStream, nullptr), toolkit::kOk);
        EXPECT_EQ(toolkit::AlgRandomInit(alg, toolkit::DefaultChooser, nullptr), toolkit::kOk);
        const Bytes bytes(80, seed);
        EXPECT_EQ(toolkit::AlgRandomUpdate(alg, bytes.data(), 80, nullptr), toolkit::kOk);
    }
};

// One whole PKCS #1 operation through a toolkit object, as the exports run it.
struct Outcome {
    toolkit::Status status;
    Bytes out;
};
inline Outcome RunPkcs(toolkit::InfoType kind, bool encrypt, toolkit::KeyObject* key,
                       const Bytes& in, toolkit::AlgObject* random, std::uint32_t capacity = 1024) {
    Alg alg;
    if (alg.get() == nullptr) return {toolkit::kOutOfMemory, {}};
    Outcome result{toolkit::AlgSetInfo(alg, kind, nullptr), Bytes(capacity)};
    if (result.status != toolkit::kOk) return result;
    result.status = encrypt ? toolkit::AlgEncryptInit(alg, key, toolkit::DefaultChooser, nullptr)
                            : toolkit::AlgDecryptInit(alg, key, toolkit::DefaultChooser, nullptr);
    if (result.status != toolkit::kOk) return result;
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    const auto inLength = static_cast<std::uint32_t>(in.size());
    result.status = encrypt ? toolkit::AlgEncryptUpdate(alg, result.out.data(), &first, capacity,
                                                        in.data(), inLength, random, nullptr)
                            : toolkit::AlgDecryptUpdate(alg, result.out.data(), &first, capacity,
                                                        in.data(), inLength, random, nullptr);
    if (result.status != toolkit::kOk) return result;
    result.status = encrypt ? toolkit::AlgEncryptFinal(alg, result.out.data() + first, &second,
                                                       capacity - first, random, nullptr)
                            : toolkit::AlgDecryptFinal(alg, result.out.data() + first, &second,
                                                       capacity - first, random, nullptr);
    result.out.resize(result.status == toolkit::kOk ? first + second : 0);
    return result;
}

}  // namespace quillon::test
