// The key-file reader: line reads, line ends, kept lines, component lines and the mask.
#include "keyagree/raw_rsa_key_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/allocation_failure.h"
#include "common/vector_file.h"

namespace quillon::keyagree {
namespace {

// Feeds a string to the reader in pieces of a given size, so line ends can straddle reads.
struct StringSource {
    std::string text;
    std::size_t piece;
    std::size_t at = 0;

    static std::size_t Read(void* context, std::uint8_t* out, std::size_t size) {
        auto* self = static_cast<StringSource*>(context);
        const std::size_t n = std::min({size, self->piece, self->text.size() - self->at});
        std::memcpy(out, self->text.data() + self->at, n);
        self->at += n;
        return n;
    }
};

std::vector<std::string> ReadLines(const std::string& text, std::size_t piece) {
    StringSource source{text, piece};
    KeyFileLines lines;
    EXPECT_EQ(KeyFileReadLines({StringSource::Read, &source}, lines), KeyFileStatus::kOk);
    std::vector<std::string> out;
    std::size_t offset = 0;
    std::string_view line;
    while (lines.Next(offset, line)) out.emplace_back(line);
    return out;
}

TEST(KeyFileReader, LinesAsATextModeReadGivesThem) {
    using Lines = std::vector<std::string>;
    const std::string x2047(2047, 'x');
    const std::string x2046(2046, 'x');
    struct Case {
        const char* name;
        std::string text;
        Lines expected;
    } const kCases[] = {
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"no final line end", "a\nb", {"a", "b"}},
        {"lone CR stays inside", "a\rb\n", {"a\rb"}},
        {"CR CR LF", "a\r\r\nb", {"a", "b"}},
        {"trailing controls go, spaces stay", "x\t \t\x1f\n  \n", {"x\t ", "  "}},
        {"front kept", "\t a\n", {"\t a"}},
        {"empty lines dropped", "\n\r\n\t\t\n\x1a\nz", {"z"}},
        {"zero byte ends the line", std::string("a\0b\nc", 5), {"a", "c"}},
        {"high bytes are not controls", "\xff\x80\n", {"\xff\x80"}},
        {"2047 bytes then more", x2047 + "yz\n", {x2047, "yz"}},
        {"2047 bytes and line end", x2047 + "\r\nq", {x2047, "q"}},
        {"CR LF counts as one byte", x2046 + "\r\nq", {x2046, "q"}},
        {"4100 bytes", x2047 + x2047 + "abcdef", {x2047, x2047, "abcdef"}},
        {"nothing", "", {}},
    };
    for (const auto& c : kCases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{1 << 20}}) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
            EXPECT_EQ(ReadLines(c.text, piece), c.expected);
        }
    }
}

TEST(KeyFileReader, OutOfMemoryWhileStoring) {
    const std::string text = std::string(3000, 'a') + "\n" + std::string(5000, 'b') + "\n";
    const int made = test::ForEachAllocationFailure([&](int) {
        StringSource source{text, 4096};
        KeyFileLines lines;
        const KeyFileStatus status = KeyFileReadLines({StringSource::Read, &source}, lines);
        EXPECT_TRUE(status == KeyFileStatus::kOk || status == KeyFileStatus::kOutOfMemory);
    });
    EXPECT_EQ(made, 2);  // 4096 bytes, then 8192 for the 8010 bytes of five lines
}

struct Found {
    bool found;
    std::string hex;  // value, upper case, no leading zeros
    std::string tag;
};

Found Find(const std::string& text, char letter, const char* tag, bool masked) {
    StringSource source{text, 4096};
    KeyFileLines lines;
    EXPECT_EQ(KeyFileReadLines({StringSource::Read, &source}, lines), KeyFileStatus::kOk);
    bignum::Mpi value;
    char recorded[kKeyTagLength];
    std::memcpy(recorded, kNoKeyTag, kKeyTagLength);
    const bool found =
        KeyFileFindComponent(lines, letter, tag, masked, value, recorded) == KeyFileStatus::kOk;
    std::string hex;
    if (found) {
        test::Bytes bytes(value.ByteLength());
        EXPECT_TRUE(value.ToBytes(bytes));
        hex = test::ToHex(bytes);
    }
    return {found, hex, std::string(recorded, kKeyTagLength)};
}

TEST(KeyFileReader, ComponentLines) {
    struct Case {
        const char* name;
        std::string text;
        char letter;
        const char* tag;
        bool masked;
        Found expected;
    } const kCases[] = {
        {"plain", "n.ABCDEFGH.0x0102\n", 'n', nullptr, false, {true, "0102", "ABCDEFGH"}},
        {"odd digit count", "e.tag_tag_.0xabc", 'e', nullptr, false, {true, "0ABC", "tag_tag_"}},
        {"no digits", "e.12345678.0x", 'e', nullptr, false, {true, "", "12345678"}},
        {"first matching line wins",
         "n.AAAAAAAA.0x01\nn.BBBBBBBB.0x02",
         'n',
         nullptr,
         false,
         {true, "01", "AAAAAAAA"}},
        {"bad digit skipped",
         "n.AAAAAAAA.0x0g\nn.BBBBBBBB.0x02",
         'n',
         nullptr,
         false,
         {true, "02", "BBBBBBBB"}},
        {"tag chosen",
         "d.AAAAAAAA.0x01\nd.BBBBBBBB.0x02",
         'd',
         "BBBBBBBB",
         false,
         {true, "02", "BBBBBBBB"}},
        {"tag missing", "d.AAAAAAAA.0x01", 'd', "BBBBBBBB", false, {false, "", "00000000"}},
        {"letter missing", "n.AAAAAAAA.0x01", 'e', nullptr, false, {false, "", "00000000"}},
        {"upper-case X is no prefix",
         "n.AAAAAAAA.0X01",
         'n',
         nullptr,
         false,
         {false, "", "00000000"}},
        {"no dot after the letter",
         "n-AAAAAAAA.0x01",
         'n',
         nullptr,
         false,
         {false, "", "00000000"}},
        {"too short", "n.AAAAAAAA.0", 'n', nullptr, false, {false, "", "00000000"}},
        {"space inside the digits",
         "n.AAAAAAAA.0x01 02",
         'n',
         nullptr,
         false,
         {false, "", "00000000"}},
        // Words with the top bit set: XOR with (index + 1) ^ 0x6C15E2B9.
        {"mask, one word",
         "d.AAAAAAAA.0x80000000",
         'd',
         nullptr,
         true,
         {true, "EC15E2B8", "AAAAAAAA"}},
        {"mask, top bit clear",
         "d.AAAAAAAA.0x7FFFFFFF",
         'd',
         nullptr,
         true,
         {true, "7FFFFFFF", "AAAAAAAA"}},
        {"mask, two words",
         "p.AAAAAAAA.0xFFFFFFFF00000001",
         'p',
         nullptr,
         true,
         {true, "93EA1D4400000001", "AAAAAAAA"}},
        {"mask, short top word",
         "q.AAAAAAAA.0x1FFFFFFFF",
         'q',
         nullptr,
         true,
         {true, "0193EA1D47", "AAAAAAAA"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const Found found = Find(c.text, c.letter, c.tag, c.masked);
        EXPECT_EQ(found.found, c.expected.found);
        EXPECT_EQ(found.hex, c.expected.hex);
        EXPECT_EQ(found.tag, c.expected.tag);
    }
}

// Masking twice gives the value back: the rule is its own inverse.
TEST(KeyFileReader, MaskIsItsOwnInverse) {
    const std::string value = "C3A5F00D8BADF00D0123456789ABCDEFFEDCBA9876543210DEADBEEF";
    const Found masked = Find("u.AAAAAAAA.0x" + value, 'u', nullptr, true);
    ASSERT_TRUE(masked.found);
    std::string padded = masked.hex;
    padded.insert(0, value.size() - padded.size(), '0');
    const Found unmasked = Find("u.AAAAAAAA.0x" + padded, 'u', nullptr, true);
    EXPECT_EQ(unmasked.hex, value);
}

// The branch-free mask against the rule as written: words with the top bit set are XORed with
// (index + 1) ^ kComponentMask, others kept.
TEST(KeyFileReader, MaskWordsFollowTheRule) {
    const std::uint32_t words[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xC3A5F00D};
    for (std::size_t index = 0; index < 70; index += 7) {
        for (const std::uint32_t word : words) {
            const std::uint32_t expected =
                word >= 0x80000000u
                    ? word ^ (static_cast<std::uint32_t>(index + 1) ^ kComponentMask)
                    : word;
            EXPECT_EQ(KeyFileMaskWord(word, index), expected) << word << " at " << index;
        }
    }
}

}  // namespace
}  // namespace quillon::keyagree
