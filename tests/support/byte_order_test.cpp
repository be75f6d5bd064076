#include "support/byte_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/vector_file.h"

namespace quillon::support {
namespace {

using test::Bytes;
using test::FromHex;
using test::ToHex;

// Each value in both orders, at every offset of a buffer (no alignment is assumed).
TEST(ByteOrder, LoadsAndStoresEveryWidthInBothOrders) {
    struct Case {
        std::uint64_t value;
        int width;  // bytes
        const char* bigEndian;
        const char* littleEndian;
    } const kCases[] = {
        {0x0000, 2, "0000", "0000"},
        {0x0102, 2, "0102", "0201"},
        {0xFF00, 2, "FF00", "00FF"},
        {0xFFFF, 2, "FFFF", "FFFF"},
        {0x00000000, 4, "00000000", "00000000"},
        {0x01020304, 4, "01020304", "04030201"},
        {0x80000001, 4, "80000001", "01000080"},
        {0xFFFFFFFF, 4, "FFFFFFFF", "FFFFFFFF"},
        {0x0000000000000000, 8, "0000000000000000", "0000000000000000"},
        {0x0102030405060708, 8, "0102030405060708", "0807060504030201"},
        {0x8000000000000001, 8, "8000000000000001", "0100000000000080"},
        {0xFFFFFFFFFFFFFFFF, 8, "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.bigEndian);
        for (std::size_t offset = 0; offset < 8; ++offset) {
            const Bytes big = FromHex(c.bigEndian);
            const Bytes little = FromHex(c.littleEndian);
            Bytes buffer(offset + 8 + 1, 0xEE);
            std::uint8_t* at = buffer.data() + offset;
            const auto stored = [&] { return ToHex(at, static_cast<std::size_t>(c.width)); };
            const auto untouched = [&] {
                return buffer[offset + c.width] == 0xEE &&
                       (offset == 0 || buffer[offset - 1] == 0xEE);
            };
            std::copy(big.begin(), big.end(), at);
            std::uint64_t loadedBig = 0;
            std::uint64_t loadedLittle = 0;
            switch (c.width) {
                case 2:
                    loadedBig = LoadBigEndian16(at);
                    std::copy(little.begin(), little.end(), at);
                    loadedLittle = LoadLittleEndian16(at);
                    StoreBigEndian16(at, static_cast<std::uint16_t>(c.value));
                    EXPECT_EQ(stored(), c.bigEndian);
                    StoreLittleEndian16(at, static_cast<std::uint16_t>(c.value));
                    break;
                case 4:
                    loadedBig = LoadBigEndian32(at);
                    std::copy(little.begin(), little.end(), at);
                    loadedLittle = LoadLittleEndian32(at);
                    StoreBigEndian32(at, static_cast<std::uint32_t>(c.value));
                    EXPECT_EQ(stored(), c.bigEndian);
                    StoreLittleEndian32(at, static_cast<std::uint32_t>(c.value));
                    break;
                default:
                    loadedBig = LoadBigEndian64(at);
                    std::copy(little.begin(), little.end(), at);
                    loadedLittle = LoadLittleEndian64(at);
                    StoreBigEndian64(at, c.value);
                    EXPECT_EQ(stored(), c.bigEndian);
                    StoreLittleEndian64(at, c.value);
                    break;
            }
            EXPECT_EQ(stored(), c.littleEndian);
            EXPECT_EQ(loadedBig, c.value) << offset;
            EXPECT_EQ(loadedLittle, c.value) << offset;
            EXPECT_TRUE(untouched()) << offset;
        }
    }
}

}  // namespace
}  // namespace quillon::support
