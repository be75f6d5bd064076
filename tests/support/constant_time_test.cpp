#include "support/constant_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/vector_file.h"

namespace quillon::support {
namespace {

using test::FromHex;

TEST(ConstantTime, EqualMaskIsAllOnesOnlyForEqualWords) {
    struct Case {
        std::uint32_t a, b, mask;
    } const kCases[] = {
        {0, 0, ~0u},
        {1, 1, ~0u},
        {0xFFFFFFFF, 0xFFFFFFFF, ~0u},
        {0, 1, 0},
        {1, 0, 0},
        {0, 0x80000000, 0},
        {0x80000000, 0, 0},
        {0xFFFFFFFF, 0, 0},
        {0, 0xFFFFFFFF, 0},
        {0x12345678, 0x12345679, 0},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ConstantTimeEqualMask(c.a, c.b), c.mask) << c.a << " " << c.b;
    }
    // Every byte value against zero, as the padding checks use it.
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(ConstantTimeEqualMask(byte, 0), byte == 0 ? ~0u : 0u) << byte;
    }
    static_assert(ConstantTimeEqualMask(7, 7) == ~0u && ConstantTimeEqualMask(7, 8) == 0);
}

TEST(ConstantTime, EqualComparesWholeRanges) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    } const kCases[] = {
        {"", "", true},
        {"00", "00", true},
        {"0102030405060708", "0102030405060708", true},
        {"0102030405060708", "8102030405060708", false},  // first byte, top bit
        {"0102030405060708", "0102030405060709", false},  // last byte, low bit
        {"0102030405060708", "01020304FF060708", false},
        {"00", "", false},
        {"0102", "010203", false},  // a prefix is not equal
        {"FF", "00", false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const auto a = FromHex(c.a);
        const auto b = FromHex(c.b);
        EXPECT_EQ(ConstantTimeEqual(a, b), c.equal);
        EXPECT_EQ(ConstantTimeEqual(b, a), c.equal);
    }
}

}  // namespace
}  // namespace quillon::support
