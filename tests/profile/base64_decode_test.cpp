#include "profile/base64_decode.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>
#include <vector>

#include "common/vector_file.h"

namespace quillon::profile {
namespace {

using test::Bytes;

constexpr std::size_t kItemBuffer = 2000;

// Decodes into a buffer of exactly capacity bytes (so ASan sees any write past it); returns
// the decoded bytes, or nullopt-like empty with ok = false for a failure.
struct Result {
    std::size_t length;
    Bytes bytes;
};
Result Decode(const std::string& text, std::size_t capacity = kItemBuffer) {
    Bytes out(capacity, 0xEE);
    const std::size_t length = Base64Decode(text.c_str(), out.data(), capacity);
    if (length != 0) {
        EXPECT_LT(length, capacity);
        EXPECT_EQ(out[length], 0) << "zero byte after the data";
    }
    out.resize(length);
    return {length, out};
}

std::string OpenSslEncode(const Bytes& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                       static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

TEST(Base64Decode, RoundTripsOpenSslEncoding) {
    std::mt19937 random(64);
    // One byte makes four characters, under the half-length rule; items are never that short.
    for (std::size_t size = 2; size < 400; ++size) {
        Bytes data(size);
        for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
        std::string text = OpenSslEncode(data);
        // Line breaks every 64 characters, as the profile writer spreads items over lines.
        for (std::size_t at = 64; at < text.size(); at += 65) text.insert(at, "\n");
        const Result result = Decode(text);
        ASSERT_EQ(result.length, size);
        ASSERT_EQ(result.bytes, data);
    }
}

TEST(Base64Decode, Rules) {
    struct Case {
        const char* what;
        std::string text;
        const char* hex;  // nullptr: failure (0)
    } const kCases[] = {
        {"one byte", "QUJDQQ==", "41424341"},
        {"two bytes", "QUJDQUI=", "4142434142"},
        {"three bytes", "QUJD", "414243"},
        {"padding may be short", "QUJDQQ=", "41424341"},
        {"padding where a group starts is skipped", "=QUJD=", "414243"},
        {"decoding goes on after padding", "QQ==QUJD", "41414243"},
        {"= second in a group", "QUJDQ===", nullptr},
        {"= second in a later group", "QUJDQ=", nullptr},
        {"unfinished group", "QUJDQQ", nullptr},
        {"one sextet left", "QUJDQ", nullptr},
        {"empty", "", nullptr},
        {"only skipped characters", "  \n\t", nullptr},
        {"spaces and line breaks skipped", "QUJD REVG\r\nR0hJ", "414243444546474849"},
        {"characters outside the alphabet skipped", "QU{JD}RE\x7FVG\x80", "414243444546"},
        {"exactly half the text", "QU-J*D", "414243"},
        // Decoded bytes must number at least half the characters: "QQ==" is too little.
        {"less than half the text", "QUJD!!!", nullptr},
        {"a lone byte", "QQ==", nullptr},
        {"a space after every character", "Q U J D ", nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const Result result = Decode(c.text);
        if (c.hex == nullptr) {
            EXPECT_EQ(result.length, 0u);
        } else {
            EXPECT_EQ(test::ToHex(result.bytes), c.hex);
        }
    }
}

// The item buffer holds 1999 bytes and the zero byte; anything longer is refused without a
// write past the buffer, whatever the capacity.
TEST(Base64Decode, NeverWritesPastItsBuffer) {
    EXPECT_EQ(Decode(OpenSslEncode(Bytes(1999, 0x5A))).length, 1999u);
    EXPECT_EQ(Decode(OpenSslEncode(Bytes(2000, 0x5A))).length, 0u);
    EXPECT_EQ(Decode(OpenSslEncode(Bytes(2001, 0x5A))).length, 0u);
    EXPECT_EQ(Decode(OpenSslEncode(Bytes(100000, 0x5A))).length, 0u);
    for (std::size_t capacity = 0; capacity <= 8; ++capacity) {
        SCOPED_TRACE(capacity);
        Bytes out(capacity + 8, 0xEE);
        const std::size_t length = Base64Decode("QUJDREVG", out.data(), capacity);
        EXPECT_EQ(length, capacity > 6 ? 6u : 0u);
        for (std::size_t i = capacity; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << i;
    }
}

}  // namespace
}  // namespace quillon::profile
