// The raw RSA envelope through its exports (ordinals 40-42), with OpenSSL keys in key files.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/rsa.h>

#include <atomic>
#include <bit>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "common/allocation_failure.h"
#include "common/raw_rsa_key_fixture.h"
#include "common/temporary_directory.h"
#include "common/vector_file.h"
#include "keyagree/raw_rsa_key_file.h"
#include "quillon.h"
#include "support/bounded_file.h"

namespace quillon::test {
namespace {

class RawRsa : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        first_ = new RawRsaTestKey(1024, 4097, "KEYTAG01");
        second_ = new RawRsaTestKey(1024, 65537, "Second#2");
    }
    static void TearDownTestSuite() {
        delete first_;
        delete second_;
    }

    // A wrap buffer: the plain bytes, then room for the output.
    static Bytes WrapBuffer(const Bytes& plain, std::size_t modulusBytes) {
        Bytes buffer(10 + modulusBytes, 0xA5);
        std::copy(plain.begin(), plain.end(), buffer.begin());
        return buffer;
    }

    // c = (0xFF || plain)^e mod n by OpenSSL, as the wrap must give it.
    static Bytes ExpectedC(const RawRsaTestKey& key, const Bytes& plain) {
        Bytes marked{0xFF};
        marked.insert(marked.end(), plain.begin(), plain.end());
        BIGNUM* m = BN_bin2bn(marked.data(), static_cast<int>(marked.size()), nullptr);
        BIGNUM* c = BN_new();
        BN_mod_exp(c, m, key.Component('e'), key.Component('n'), RawRsaTestKey::Ctx());
        Bytes out(BN_num_bytes(c));
        BN_bn2bin(c, out.data());
        BN_free(m);
        BN_free(c);
        return out;
    }

    TemporaryDirectory dir_;
    static RawRsaTestKey* first_;
    static RawRsaTestKey* second_;
};

RawRsaTestKey* RawRsa::first_ = nullptr;
RawRsaTestKey* RawRsa::second_ = nullptr;

TEST_F(RawRsa, RoundTripsKeepEveryByte) {
    const std::string path = dir_.Write("key.txt", first_->FileText());
    const std::size_t k = first_->ModulusBytes();
    std::mt19937 random(42);
    const auto randomBytes = [&](std::size_t size) {
        Bytes bytes(size);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        return bytes;
    };
    Bytes leadingZeros = randomBytes(40);
    std::fill_n(leadingZeros.begin(), 7, 0);
    const Bytes kPlains[] = {
        {0x00},
        {0x01},
        Bytes(20, 0x00),
        leadingZeros,
        randomBytes(16),
        randomBytes(k - 2),
        Bytes(k - 2, 0x00),
    };
    for (const Bytes& plain : kPlains) {
        SCOPED_TRACE(ToHex(plain));
        Bytes buffer = WrapBuffer(plain, k);
        const Bytes c = ExpectedC(*first_, plain);
        const int32_t wrapped = RawRsaPublic(path.c_str(), buffer.data(), plain.size());
        ASSERT_EQ(wrapped, static_cast<int32_t>(10 + c.size()));
        EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 8), "KEYTAG01");
        BIGNUM* cNumber = BN_bin2bn(c.data(), static_cast<int>(c.size()), nullptr);
        const int bits = BN_num_bits(cNumber);
        BN_free(cNumber);
        EXPECT_EQ(buffer[8] << 8 | buffer[9], bits);
        EXPECT_EQ(Bytes(buffer.begin() + 10, buffer.begin() + wrapped), c);

        ASSERT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), wrapped),
                  static_cast<int32_t>(plain.size()));
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + plain.size()), plain);
    }
}

// One key among others in a file, in every line-end convention and with lines that do not count.
TEST_F(RawRsa, KeyFileVariantsReadAlike) {
    const std::string firstLf = first_->FileText();
    const std::string badDigits =
        "n." + first_->tag() + ".0x12G4\n" + "e." + first_->tag() + ".0x\t1001\n";
    std::string lowerCase = firstLf;
    for (std::size_t at = 0; (at = lowerCase.find(".0x", at)) != std::string::npos; at += 3) {
        for (std::size_t i = at + 3; lowerCase[i] != '\n'; ++i) {
            lowerCase[i] =
                static_cast<char>(std::tolower(static_cast<unsigned char>(lowerCase[i])));
        }
    }
    struct Case {
        const char* name;
        std::string text;
    } const kCases[] = {
        {"LF", firstLf},
        {"CR LF", first_->FileText("\r\n")},
        {"trailing controls", first_->FileText("\t\x1a\r\r\n\n\n")},
        {"lower-case digits", lowerCase},
        {"comments and a second key after", "# key file\r\n\r\n" + firstLf + second_->FileText()},
        {"bad digits first", badDigits + firstLf},
        {"no final line end", firstLf.substr(0, firstLf.size() - 1)},
        // Read as 2047 bytes and then the key: the first n line is the first key's only when
        // the long line is taken as two.
        {"split long line", std::string(2047, 'x') + firstLf + second_->FileText()},
    };
    const Bytes plain = FromHex("000102030405060708090A0B0C0D0E0F");
    const Bytes c = ExpectedC(*first_, plain);
    for (const auto& testCase : kCases) {
        SCOPED_TRACE(testCase.name);
        const std::string path = dir_.Write(testCase.name, testCase.text);
        Bytes buffer = WrapBuffer(plain, first_->ModulusBytes());
        const int32_t wrapped = RawRsaPublic(path.c_str(), buffer.data(), plain.size());
        ASSERT_EQ(wrapped, static_cast<int32_t>(10 + c.size()));
        EXPECT_EQ(Bytes(buffer.begin() + 10, buffer.begin() + wrapped), c);
        ASSERT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), wrapped), 16);
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 16), plain);
    }
}

// The unwrap picks the private key by the tag in the buffer; the wrap takes the first n and e.
TEST_F(RawRsa, TagsSelectTheKey) {
    const std::string path = dir_.Write("two.txt", second_->FileText() + first_->FileText());
    const Bytes plain = FromHex("C0FFEE");
    Bytes buffer = WrapBuffer(plain, 128);
    const int32_t wrapped = RawRsaPublic(path.c_str(), buffer.data(), plain.size());
    ASSERT_GT(wrapped, 10);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 8), "Second#2");
    const Bytes output(buffer.begin(), buffer.begin() + wrapped);

    ASSERT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), wrapped), 3);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 3), plain);

    // A tag the file does not hold: -4, nothing written.
    buffer = output;
    std::memcpy(buffer.data(), "NOSUCHKY", 8);
    const Bytes before = buffer;
    EXPECT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), wrapped), -4);
    EXPECT_EQ(buffer, before);
}

// The result is checked with the public exponent and the 0xFF marker: a result that fails either
// is an error, not a success with garbage.
TEST_F(RawRsa, UnwrapRefusesWhatDoesNotCarryTheMarker) {
    const std::string path = dir_.Write("key.txt", first_->FileText());
    // The second key under the first key's tag: a wrong private key for the wrapped value.
    std::string wrongText = second_->FileText();
    for (std::size_t at = 0; (at = wrongText.find(second_->tag(), at)) != std::string::npos;) {
        wrongText.replace(at, 8, first_->tag());
    }
    const std::string wrongKey = dir_.Write("wrong.txt", wrongText);
    const Bytes plain(30, 0x5A);
    Bytes buffer = WrapBuffer(plain, 128);
    const int32_t wrapped = RawRsaPublic(path.c_str(), buffer.data(), plain.size());
    ASSERT_GT(wrapped, 10);
    const Bytes output(buffer.begin(), buffer.begin() + wrapped);

    Bytes damaged = output;
    damaged[60] ^= 0x01;
    Bytes zero = Bytes(output.begin(), output.begin() + 10);  // c = 0, bit count 0
    zero[8] = zero[9] = 0;
    // Plain as long as the modulus, wrapped by hand (the wrap refuses it): m exceeds n and
    // cannot come back.
    const Bytes tooLongC = ExpectedC(*first_, Bytes(128, 0xEE));
    const unsigned tooLongBits = 8 * (tooLongC.size() - 1) + std::bit_width(tooLongC[0]);
    Bytes tooLong(output.begin(), output.begin() + 8);
    tooLong.push_back(static_cast<std::uint8_t>(tooLongBits >> 8));
    tooLong.push_back(static_cast<std::uint8_t>(tooLongBits));
    tooLong.insert(tooLong.end(), tooLongC.begin(), tooLongC.end());

    // With d = 50 in the file, c = 0xFFFF unwraps to 0xFFFF^50: 100 bytes behind the marker,
    // far more than the 12-byte input holds.
    std::string fiftyText = first_->FileText();
    const std::string dLine = first_->Line('d');
    BIGNUM* fifty = BN_new();
    BN_set_word(fifty, 50);
    fiftyText.replace(fiftyText.find(dLine), dLine.size(),
                      "d." + first_->tag() + ".0x" + RawRsaTestKey::MaskedHex(fifty));
    BN_free(fifty);
    const std::string dFifty = dir_.Write("fifty.txt", fiftyText);
    Bytes overlong(output.begin(), output.begin() + 8);
    for (const std::uint8_t b : {0x00, 0x10, 0xFF, 0xFF}) overlong.push_back(b);

    // A public exponent that does not belong to the private key: the result cannot be checked,
    // so it is not written.
    std::string wrongEText = first_->FileText();
    const std::string eLine = first_->Line('e');
    wrongEText.replace(wrongEText.find(eLine), eLine.size(), "e." + first_->tag() + ".0x3");
    const std::string wrongE = dir_.Write("wrong_e.txt", wrongEText);

    struct Case {
        const char* name;
        std::string path;
        Bytes input;
    } const kCases[] = {
        {"wrong private key", wrongKey, output},
        {"public exponent of another key", wrongE, output},
        {"damaged c", path, damaged},
        {"c = 0", path, zero},
        {"plain as long as the modulus", path, tooLong},
        {"result longer than the buffer", dFifty, overlong},
    };
    for (const auto& testCase : kCases) {
        SCOPED_TRACE(testCase.name);
        Bytes buffer = testCase.input;
        EXPECT_EQ(RawRsaPrivate(testCase.path.c_str(), buffer.data(), buffer.size()), -6);
        EXPECT_EQ(buffer, testCase.input);
    }
}

TEST_F(RawRsa, StatusCodes) {
    const std::string path = dir_.Write("key.txt", first_->FileText());
    std::string noN = first_->FileText();
    noN.erase(0, noN.find('\n') + 1);
    std::string noU = first_->FileText();
    noU.erase(noU.rfind('u'));
    const std::string withoutN = dir_.Write("no-n.txt", noN);
    const std::string withoutU = dir_.Write("no-u.txt", noU);
    const std::string blank = dir_.Write("blank.txt", "\r\n\n\t\n\x01\x02\n");
    const std::string empty = dir_.Write("empty.txt", "");
    const std::string missing = (std::filesystem::path(path).parent_path() / "missing").string();

    Bytes wrapped = WrapBuffer(FromHex("1122"), 128);
    const int32_t wrappedLength = RawRsaPublic(path.c_str(), wrapped.data(), 2);
    ASSERT_GT(wrappedLength, 10);
    wrapped.resize(wrappedLength);
    Bytes bigBits = wrapped;
    bigBits[8] = 0x40;  // 16385 bits
    bigBits[9] = 0x01;
    Bytes maxBits = wrapped;  // 16384 bits allowed, but not that many bytes given
    maxBits[8] = 0x40;
    maxBits[9] = 0x00;
    Bytes oneShort = wrapped;
    oneShort.pop_back();
    Bytes otherTag = wrapped;
    otherTag[0] ^= 1;

    uint8_t scratch[300] = {1, 2, 3};
    struct Case {
        const char* name;
        bool wrap;
        const char* path;
        uint8_t* buffer;
        uint32_t length;
        int32_t expected;
    } const kCases[] = {
        {"wrap, null path", true, nullptr, scratch, 3, -5},
        {"wrap, null buffer", true, path.c_str(), nullptr, 3, -5},
        {"wrap, zero length", true, path.c_str(), scratch, 0, -5},
        {"wrap, missing file", true, missing.c_str(), scratch, 3, -4},
        {"wrap, blank file", true, blank.c_str(), scratch, 3, -4},
        {"wrap, empty file", true, empty.c_str(), scratch, 3, -4},
        {"wrap, no n line", true, withoutN.c_str(), scratch, 3, -4},
        {"unwrap, null path", false, nullptr, wrapped.data(), 3, -5},
        {"unwrap, null buffer", false, path.c_str(), nullptr, 3, -5},
        {"unwrap, zero length", false, path.c_str(), wrapped.data(), 0, -5},
        {"unwrap, missing file", false, missing.c_str(), wrapped.data(), 3, -4},
        {"unwrap, no u line", false, withoutU.c_str(), wrapped.data(),
         static_cast<uint32_t>(wrapped.size()), -4},
        {"unwrap, short of a bit count", false, path.c_str(), wrapped.data(), 9, -6},
        {"unwrap, short and missing file", false, missing.c_str(), wrapped.data(), 9, -4},
        {"unwrap, tag only", false, path.c_str(), wrapped.data(), 8, -6},
        {"unwrap, short, tag not in the file", false, path.c_str(), otherTag.data(), 9, -4},
        {"unwrap, shorter than a tag", false, path.c_str(), wrapped.data(), 7, -6},
        {"unwrap, bit count above 16384", false, path.c_str(), bigBits.data(),
         static_cast<uint32_t>(bigBits.size()), -6},
        {"unwrap, fewer bytes than 16384 bits", false, path.c_str(), maxBits.data(),
         static_cast<uint32_t>(maxBits.size()), -6},
        {"unwrap, one byte short", false, path.c_str(), oneShort.data(),
         static_cast<uint32_t>(oneShort.size()), -6},
    };
    for (const auto& testCase : kCases) {
        SCOPED_TRACE(testCase.name);
        Bytes before;
        if (testCase.buffer != nullptr) before.assign(testCase.buffer, testCase.buffer + 10);
        const int32_t result = testCase.wrap
                                   ? RawRsaPublic(testCase.path, testCase.buffer, testCase.length)
                                   : RawRsaPrivate(testCase.path, testCase.buffer, testCase.length);
        EXPECT_EQ(result, testCase.expected);
        if (testCase.buffer != nullptr) {
            EXPECT_EQ(Bytes(testCase.buffer, testCase.buffer + 10), before);
        }
    }
}

// The marked number 0xFF || plain must stay below n, or the envelope could never be unwrapped:
// such plain bytes give -6 and the buffer stays as it was.
TEST_F(RawRsa, WrapsOnlyWhatCanBeUnwrapped) {
    const std::string path = dir_.Write("key.txt", first_->FileText());
    const std::size_t k = first_->ModulusBytes();
    struct Case {
        const char* name;
        Bytes plain;
        int32_t expected;  // 0: wraps
    } const kCases[] = {
        {"modulus length - 2", Bytes(k - 2, 0xFF), 0},
        {"modulus length - 2, leading zeros", Bytes(k - 2, 0x00), 0},
        {"modulus length - 1, all ones", Bytes(k - 1, 0xFF), -6},
        {"modulus length", Bytes(k, 0x01), -6},
        {"modulus length + 1", Bytes(k + 1, 0x00), -6},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Bytes buffer = WrapBuffer(c.plain, k + 1);
        const Bytes before = buffer;
        const int32_t wrapped =
            RawRsaPublic(path.c_str(), buffer.data(), static_cast<uint32_t>(c.plain.size()));
        if (c.expected != 0) {
            EXPECT_EQ(wrapped, c.expected);
            EXPECT_EQ(buffer, before);
            continue;
        }
        ASSERT_GT(wrapped, 10);
        EXPECT_EQ(Bytes(buffer.begin() + 10, buffer.begin() + wrapped),
                  ExpectedC(*first_, c.plain));
        EXPECT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), static_cast<uint32_t>(wrapped)),
                  static_cast<int32_t>(c.plain.size()));
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + c.plain.size()), c.plain);
    }
}

// Key files are a few KB: one larger than the read limit is refused like a file that cannot be
// read, whatever it holds; one of exactly the limit still reads.
TEST_F(RawRsa, KeyFilesLargerThanTheLimitAreNotRead) {
    const auto padded = [&](std::size_t size) {
        std::string text = first_->FileText();
        while (text.size() < size) {
            const std::size_t line = std::min<std::size_t>(size - text.size(), 1000);
            text += std::string(line - 1, '#') + "\n";
        }
        return text;
    };
    const std::size_t limit = support::BoundedFile::kLimit;
    const std::string atLimit = dir_.Write("at-limit.txt", padded(limit));
    const std::string overLimit = dir_.Write("over-limit.txt", padded(limit + 1));
    Bytes buffer = WrapBuffer(FromHex("0102"), 128);
    const int32_t wrapped = RawRsaPublic(atLimit.c_str(), buffer.data(), 2);
    ASSERT_GT(wrapped, 10);
    Bytes unwrapped(buffer.begin(), buffer.begin() + wrapped);
    EXPECT_EQ(RawRsaPrivate(atLimit.c_str(), unwrapped.data(), static_cast<uint32_t>(wrapped)), 2);
    Bytes refused = WrapBuffer(FromHex("0102"), 128);
    EXPECT_EQ(RawRsaPublic(overLimit.c_str(), refused.data(), 2), -4);
    EXPECT_EQ(RawRsaPrivate(overLimit.c_str(), buffer.data(), static_cast<uint32_t>(wrapped)), -4);
    EXPECT_EQ(refused, WrapBuffer(FromHex("0102"), 128));
}

// The wrap drops the file from the cache when it is done; the unwrap keeps it, so a changed file
// is seen only after a wrap on the same path.
TEST_F(RawRsa, CacheRule) {
    const std::string path = dir_.Write("key.txt", first_->FileText());
    const Bytes plain = FromHex("ABCDEF");
    Bytes buffer = WrapBuffer(plain, 128);
    const int32_t wrapped = RawRsaPublic(path.c_str(), buffer.data(), 3);
    ASSERT_GT(wrapped, 10);
    const Bytes output(buffer.begin(), buffer.begin() + wrapped);

    // Not cached after the wrap: the replaced file is read.
    dir_.Write("key.txt", second_->FileText());
    buffer = output;
    EXPECT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), wrapped), -4);  // no KEYTAG01 any more
    dir_.Write("key.txt", first_->FileText());
    // Still the second key's lines, cached by the failed unwrap.
    buffer = output;
    EXPECT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), wrapped), -4);
    // A wrap uses the cached lines and drops them.
    Bytes other = WrapBuffer(plain, 128);
    ASSERT_GT(RawRsaPublic(path.c_str(), other.data(), 3), 10);
    EXPECT_EQ(std::string(other.begin(), other.begin() + 8), "Second#2");
    buffer = output;
    ASSERT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), wrapped), 3);  // first key read again
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 3), plain);

    // Cached by that unwrap: the file can go and unwrapping still works, once more wrapping too.
    std::filesystem::remove(path);
    buffer = output;
    EXPECT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), wrapped), 3);
    other = WrapBuffer(plain, 128);
    EXPECT_GT(RawRsaPublic(path.c_str(), other.data(), 3), 10);
    other = WrapBuffer(plain, 128);
    EXPECT_EQ(RawRsaPublic(path.c_str(), other.data(), 3), -4);
}

// Out of memory anywhere (reading the file, storing it, making the numbers' buffers) gives -1
// from a wrap and -6 from an unwrap, leaves the buffer as it was and nothing behind; the next
// call works.
TEST_F(RawRsa, AllocationFailures) {
    const std::string path = dir_.Write("key.txt", first_->FileText());
    const Bytes plain = FromHex("0001020304");
    Bytes wrapped = WrapBuffer(plain, 128);
    const int32_t wrappedLength = RawRsaPublic(path.c_str(), wrapped.data(), plain.size());
    ASSERT_GT(wrappedLength, 10);
    wrapped.resize(wrappedLength);

    // Entry, path, lines and the marked secret; entry, path, lines, the prepared private key,
    // the random bytes of its blinding, the recombination's fixed-width numbers and the
    // unwrapped bytes.
    int failed = 0;
    const int wrapAllocations = ForEachAllocationFailure([&](int) {
        Bytes buffer = WrapBuffer(plain, 128);
        const Bytes before = buffer;
        const int32_t result = RawRsaPublic(path.c_str(), buffer.data(), plain.size());
        if (result == -1) {
            ++failed;
            EXPECT_EQ(buffer, before);
            keyagree::KeyFileForget(path.c_str());
        } else {
            EXPECT_EQ(result, wrappedLength);
        }
    });
    EXPECT_EQ(wrapAllocations, 4);
    EXPECT_EQ(failed, 4);
    failed = 0;
    const int unwrapAllocations = ForEachAllocationFailure([&](int) {
        Bytes buffer = wrapped;
        const int32_t result = RawRsaPrivate(path.c_str(), buffer.data(), buffer.size());
        if (result == -6) {
            ++failed;
            EXPECT_EQ(buffer, wrapped);
        } else {
            EXPECT_EQ(result, 5);
        }
        keyagree::KeyFileForget(path.c_str());
    });
    EXPECT_EQ(unwrapAllocations, 7);
    EXPECT_EQ(failed, 7);
    Bytes buffer = wrapped;
    ASSERT_EQ(RawRsaPrivate(path.c_str(), buffer.data(), buffer.size()), 5);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 5), plain);
}

// Several threads wrap and unwrap on one path while others drop its cache entry.
TEST_F(RawRsa, ConcurrentCallsShareTheCache) {
    const std::string path = dir_.Write("key.txt", first_->FileText());
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 15; ++i) {
                const Bytes plain(1 + (t * 15 + i) % 100, static_cast<std::uint8_t>(t + i));
                Bytes buffer = WrapBuffer(plain, 128);
                const int32_t wrapped = RawRsaPublic(path.c_str(), buffer.data(), plain.size());
                if (wrapped <= 10 ||
                    RawRsaPrivate(path.c_str(), buffer.data(), wrapped) !=
                        static_cast<int32_t>(plain.size()) ||
                    !std::equal(plain.begin(), plain.end(), buffer.begin())) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(HostToBigEndian16, SwapsOnThisHost) {
    struct Case {
        uint32_t value;
        uint16_t expected;
    } const kCases[] = {
        {0x1234, 0x3412}, {0xABCD1234, 0x3412}, {0, 0}, {0xFF00, 0x00FF}, {0xFFFFFFFF, 0xFFFF},
    };
    for (const auto& c : kCases) EXPECT_EQ(HostToBigEndian16(c.value), c.expected) << c.value;
}

}  // namespace
}  // namespace quillon::test
