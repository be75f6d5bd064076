#include "support/hex.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace quillon::support {
namespace {

TEST(Hex, DecodesBothCasesAndRefusesBadText) {
    std::array<std::uint8_t, 4> out{};
    EXPECT_TRUE(HexDecode("0aFf10e9", out));
    EXPECT_EQ(out, (std::array<std::uint8_t, 4>{0x0A, 0xFF, 0x10, 0xE9}));
    for (const char* bad : {"0", "0g", "zz", "12 4", "0102030405"}) {
        EXPECT_FALSE(HexDecode(bad, out)) << bad;
    }
    EXPECT_TRUE(HexDecode("", out));
}

// The branch-free digit decoder of secret text agrees with the plain one on every character.
TEST(Hex, SecretDigitsDecodeAsPlainOnes) {
    for (int c = 0; c < 256; ++c) {
        const char character = static_cast<char>(c);
        std::uint32_t invalid = 0;
        const std::uint32_t value = HexDigitValueSecret(character, invalid);
        const int expected = HexDigitValue(character);
        EXPECT_EQ(invalid, expected < 0 ? 1u : 0u) << c;
        EXPECT_EQ(value, expected < 0 ? 0u : static_cast<std::uint32_t>(expected)) << c;
    }
    std::uint32_t invalid = 1;
    (void)HexDigitValueSecret('7', invalid);
    EXPECT_EQ(invalid, 1u);  // gathered, never cleared
}

TEST(Hex, EncodesUpperCase) {
    const std::uint8_t bytes[] = {0x00, 0xAB, 0x7F};
    std::string text(6, '?');
    HexEncode(bytes, text.data());
    EXPECT_EQ(text, "00AB7F");
}

}  // namespace
}  // namespace quillon::support
