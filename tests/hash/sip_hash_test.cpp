#include "hash/sip_hash.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quillon::hash {
namespace {

// The SipHash-2-4 paper's test values (appendix A and its reference vectors): key 00..0f,
// messages 00..(n-1).
TEST(SipHash24, ReferenceVectorsWholeAndInPieces) {
    const SipKey key = {0x0706050403020100u, 0x0F0E0D0C0B0A0908u};
    std::uint8_t message[16];
    for (int i = 0; i < 16; ++i) message[i] = static_cast<std::uint8_t>(i);
    const struct Case {
        std::size_t length;
        std::uint64_t expected;
    } kCases[] = {
        {0, 0x726fdb47dd0e0e31u},
        {1, 0x74f839c593dc67fdu},
        {8, 0x93f5f5799a932462u},
        {15, 0xa129ca6149be45e5u},
    };
    for (const Case& c : kCases) {
        SipHash24 whole(key);
        whole.Update(message, c.length);
        EXPECT_EQ(whole.Final(), c.expected) << c.length;
        SipHash24 pieces(key);
        for (std::size_t i = 0; i < c.length; ++i) pieces.Update(message + i, 1);
        EXPECT_EQ(pieces.Final(), c.expected) << c.length;
    }
}

}  // namespace
}  // namespace quillon::hash
