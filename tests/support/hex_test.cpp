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

TEST(Hex, EncodesUpperCase) {
    const std::uint8_t bytes[] = {0x00, 0xAB, 0x7F};
    std::string text(6, '?');
    HexEncode(bytes, text.data());
    EXPECT_EQ(text, "00AB7F");
}

}  // namespace
}  // namespace quillon::support
