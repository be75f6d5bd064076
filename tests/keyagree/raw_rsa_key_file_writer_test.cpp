// Key files written by the library: line for line the test fixture's (its own masking, built on
// OpenSSL), and read back by the raw RSA envelope from a PKCS #8 key.
#include "keyagree/raw_rsa_key_file_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "common/allocation_failure.h"
#include "common/openssl_rsa.h"
#include "common/raw_rsa_key_fixture.h"
#include "common/status_printer.h"
#include "common/temporary_directory.h"
#include "quillon.h"

namespace quillon::keyagree {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string TextOf(const support::SecureBuffer& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

// The fixture writes masked digits in lower case: the digits of each line in upper case.
std::string UpperDigits(std::string text) {
    bool digits = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') digits = false;
        if (digits) text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        if (text.compare(i, 3, ".0x") == 0) {
            digits = true;
            i += 2;
        }
    }
    return text;
}

TEST(KeyFileText, MatchesTheFixturesLines) {
    for (const int bits : {512, 1024, 1536}) {
        SCOPED_TRACE(bits);
        const test::RawRsaTestKey key(bits, bits == 1024 ? 4097 : 65537, "Tag-0042");
        std::vector<Bytes> values;
        for (const char letter : {'n', 'e', 'd', 'p', 'q', 'u'}) {
            values.push_back(test::BigNumBytes(key.Component(letter)));
        }
        // A leading zero byte is not written.
        values[2].insert(values[2].begin(), 0);
        const RawRsaKeyParts parts{values[0], values[1], values[2],
                                   values[3], values[4], values[5]};
        support::SecureBuffer text;
        ASSERT_EQ(KeyFileText(parts, "Tag-0042", text), KeyFileWriteStatus::kWritten);
        EXPECT_EQ(TextOf(text), UpperDigits(key.FileText()));
    }
}

// A PKCS #8 key's parts, two keys appended in one file, each read back by its tag.
TEST(KeyFileText, APkcs8KeyWrapsAndUnwraps) {
    const test::TemporaryDirectory directory;
    std::string file;
    const char* tags[] = {"FirstKey", "Second 2"};
    const int sizes[] = {1024, 2048};
    for (int i = 0; i < 2; ++i) {
        const auto& key = test::OpensslKey(sizes[i]);
        toolkit::kinds::RsaPrivateParts parts;
        ASSERT_EQ(toolkit::kinds::DecodeRsaPrivateKeyInfo(key.pkcs8, parts), toolkit::kOk);
        support::SecureBuffer text;
        ASSERT_EQ(KeyFileText(KeyFilePartsOf(parts), tags[i], text), KeyFileWriteStatus::kWritten);
        file += TextOf(text);
    }
    const std::string path = directory.Write("keys.txt", file);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(tags[i]);
        // RawRsaPublic takes the file's first key; the second key's envelope is made with a file
        // that holds it alone, then unwrapped from the shared one.
        const std::string publicPath =
            i == 0 ? path : directory.Write("second.txt", file.substr(file.find("n.Second 2")));
        const Bytes plain = {0x00, 0x01, 0xFE, 'k', 'e', 'y'};
        Bytes buffer(10 + sizes[i] / 8, 0);
        std::copy(plain.begin(), plain.end(), buffer.begin());
        const std::int32_t wrapped = RawRsaPublic(publicPath.c_str(), buffer.data(),
                                                  static_cast<std::uint32_t>(plain.size()));
        ASSERT_GT(wrapped, 10);
        EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 8), tags[i]);
        const std::int32_t unwrapped =
            RawRsaPrivate(path.c_str(), buffer.data(), static_cast<std::uint32_t>(wrapped));
        ASSERT_EQ(unwrapped, static_cast<std::int32_t>(plain.size()));
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + unwrapped), plain);
    }
}

TEST(KeyFileText, RefusesWhatCannotBeRead) {
    const Bytes one = {1}, zero = {0, 0};
    const RawRsaKeyParts good{one, one, one, one, one, one};
    RawRsaKeyParts zeroPart = good;
    zeroPart.q = zero;
    const struct {
        const char* name;
        RawRsaKeyParts parts;
        std::string tag;
        KeyFileWriteStatus status;
    } cases[] = {
        {"seven characters", good, "Seven77", KeyFileWriteStatus::kBadTag},
        {"nine characters", good, "NineNine9", KeyFileWriteStatus::kBadTag},
        {"line break", good, "Line\nEnd", KeyFileWriteStatus::kBadTag},
        {"DEL", good,
         "Del\x7F"
         "Char",
         KeyFileWriteStatus::kBadTag},
        {"zero component", zeroPart, "ZeroPart", KeyFileWriteStatus::kBadParts},
        {"smallest", good, "Smallest", KeyFileWriteStatus::kWritten},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        support::SecureBuffer text = support::SecureBuffer::Zeroed(4);
        EXPECT_EQ(KeyFileText(c.parts, c.tag, text), c.status);
        EXPECT_EQ(text.ok(), c.status == KeyFileWriteStatus::kWritten);
    }
}

TEST(KeyFileText, AnAllocationFailureIsReported) {
    const Bytes one = {1};
    const int made = test::ForEachAllocationFailure([&](int failing) {
        support::SecureBuffer text;
        const KeyFileWriteStatus status =
            KeyFileText({one, one, one, one, one, one}, "OneAlloc", text);
        EXPECT_EQ(status,
                  failing == 1 ? KeyFileWriteStatus::kNoMemory : KeyFileWriteStatus::kWritten);
    });
    EXPECT_EQ(made, 1);
}

}  // namespace
}  // namespace quillon::keyagree
