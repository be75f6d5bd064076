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

TEST(Hex, EncodesInEitherCase) {
    const std::uint8_t bytes[] = {0x00, 0xAB, 0x7F, 0x9A};
    std::string text(8, '?');
    HexEncode(bytes, text.data(), HexCase::kUpper);
    EXPECT_EQ(text, "00AB7F9A");
    HexEncode(bytes, text.data(), HexCase::kLower);
    EXPECT_EQ(text, "00ab7f9a");
}

// The branch-free digit is the usual one for every value, and decodes back.
TEST(Hex, EveryDigitRoundTrips) {
    for (std::uint32_t value = 0; value < 16; ++value) {
        for (const HexCase letterCase : {HexCase::kUpper, HexCase::kLower}) {
            const char digit = HexDigit(value, letterCase);
            const char* digits =
                letterCase == HexCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
            EXPECT_EQ(digit, digits[value]) << value;
            EXPECT_EQ(HexDigitValue(digit), static_cast<int>(value));
        }
    }
}

}  // namespace
}  // namespace quillon::support
