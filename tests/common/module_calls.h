// Calls into the loaded module as a caller binds them (by name with dlsym, by ordinal with
// GetProcAddress), shared by the tests of the shared library and of the DLL.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "quillon.h"

namespace quillon::test {

// An AES-256-CBC round trip of three blocks through the bound AES exports; the contexts are
// destroyed and their handles left null.
inline void ExpectAesRoundTrip(decltype(&AesCreateContext) create, decltype(&AesCbcCrypt) cbc,
                               decltype(&AesDestroyContext) destroy) {
    ASSERT_TRUE(create && cbc && destroy);
    const uint8_t key[32] = {1, 2, 3, 4};
    AesContext *encryption = nullptr, *decryption = nullptr;
    ASSERT_EQ(create(&encryption, 0, 256, key), 0);
    ASSERT_EQ(create(&decryption, 1, 32, key), 0);
    const uint8_t message[48] = "a message of three blocks, in place";
    uint8_t data[48], iv[16] = {}, iv2[16] = {};
    std::memcpy(data, message, sizeof data);
    cbc(1, data, sizeof data, &encryption, iv);
    EXPECT_NE(0, std::memcmp(data, message, sizeof data));
    cbc(0, data, sizeof data, &decryption, iv2);
    EXPECT_EQ(0, std::memcmp(data, message, sizeof data));
    destroy(&encryption);
    destroy(&decryption);
    EXPECT_EQ(encryption, nullptr);
    EXPECT_EQ(decryption, nullptr);
}

// The first use of the generator in a freshly loaded module reseeds it, passing 0xF0F0F0F0 to
// the C runtime's srand, which the module shares with its caller.
inline void ExpectFirstUseSeedsWithTheDefaultValue(decltype(&RngGetBytes) getBytes) {
    ASSERT_NE(getBytes, nullptr);
    uint8_t out[16] = {};
    EXPECT_EQ(getBytes(16, out), 0);
    const int afterFirstUse = std::rand();
    std::srand(0xF0F0F0F0);
    EXPECT_EQ(afterFirstUse, std::rand());
}

}  // namespace quillon::test
