// The five profile readers and ProfileFreeBuffer through the public interface, on profiles
// built by the test with OpenSSL.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "common/allocation_failure.h"
#include "common/profile_writer.h"
#include "common/status_printer.h"
#include "common/temporary_directory.h"
#include "fakes/secure_wipe_fake.h"
#include "profile/profile_key_derivation.h"
#include "profile/profile_parser.h"
#include "profile/profile_unlock.h"
#include "quillon.h"
#include "support/bounded_file.h"

namespace quillon::test {
namespace {

using ReaderFunction = int32_t (*)(uint8_t**, const char*, const char*);

struct Reader {
    const char* name;
    ReaderFunction read;
    const char* section;
    const char* key;
    bool certificate;  // reports the failure's code; the key readers report 0
};

const Reader kReaders[] = {
    {"17", ProfileGetSignatureCertificate, "Digital Signature", "Certificate", true},
    {"19", ProfileGetCaCertificates, "CA Certificates", "Certificate", true},
    {"20", ProfileGetSignatureKey, "Digital Signature", "Key", false},
    {"22", ProfileGetPrivateKey1, "Private Keys", "Key1", false},
    {"23", ProfileGetPrivateKey2, "Private Keys", "Key2", false},
};

// What a caller's pointer holds before a call: a failure must either keep it or set it to null.
std::uint8_t sentinelByte;
std::uint8_t* const kUntouched = &sentinelByte;

struct Outcome {
    std::int32_t result;
    std::uint8_t* pointer;  // as the reader left it (released already when it was a buffer)
    Bytes bytes;            // the returned payload
};

Outcome Read(const Reader& reader, const char* path, const char* password) {
    Outcome outcome{};
    std::uint8_t* buffer = kUntouched;
    outcome.result = reader.read(&buffer, path, password);
    outcome.pointer = buffer;
    if (outcome.result > 0 && buffer != nullptr && buffer != kUntouched) {
        outcome.bytes.assign(buffer, buffer + outcome.result);
        ProfileFreeBuffer(buffer);
    }
    return outcome;
}

Bytes Payload(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// Payload of a reader in the standard profiles: a different length and content for each.
Bytes PayloadOf(std::size_t reader, std::size_t size = 0) {
    return Payload(size != 0 ? size : 100 + 37 * reader, static_cast<std::uint32_t>(reader));
}

ProfileWriter& WithAllItems(ProfileWriter& writer, std::size_t size = 0) {
    for (std::size_t i = 0; i < std::size(kReaders); ++i) {
        writer.Item(kReaders[i].section, kReaders[i].key, PayloadOf(i, size));
    }
    return writer;
}

// The payload, one byte longer where the item's padding would otherwise fill a whole block.
Bytes ShortPadding(const std::string& prefix, Bytes payload) {
    if ((prefix.size() + payload.size()) % 8 == 0) payload.push_back(0);
    return payload;
}

// An item sealed as given: plaintext (before padding) and the text transformation are the
// case's to choose.
std::string SealedText(const ProtectionKeys& keys, const Bytes& paddedPlaintext) {
    return Base64(CastCbcEncrypt(keys.encryptionKey, keys.iv, paddedPlaintext));
}

class ProfileReaders : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(profile::ProfileFirstEntry(), nullptr); }
    std::string Write(const std::string& text) { return directory_.Write("profile.ini", text); }
    TemporaryDirectory directory_;
};

constexpr char kPassword[] = "correct horse";
constexpr char kSalt[] = "9f2Ab=c d";

TEST_F(ProfileReaders, EveryReaderReturnsItsPayload) {
    struct Case {
        const char* what;
        std::string password, salt;
        int protection, hashCount;
        // Applied to the token after the writer wrote it for the parameters above.
        std::function<void(ProfileWriter&)> token;
        // Applied to each item's Base64 text.
        std::function<std::string(const std::string&)> encode;
    } const kCases[] = {
        {"128 bits", kPassword, kSalt, 128, 2, {}, {}},
        {"40 bits: 12 rounds, 64-bit MAC key", kPassword, kSalt, 40, 3, {}, {}},
        {"64 bits", kPassword, kSalt, 64, 1, {}, {}},
        {"80 bits", kPassword, kSalt, 80, 4, {}, {}},
        {"88 bits: 16 rounds", kPassword, kSalt, 88, 2, {}, {}},
        {"120 bits: vector inside K", kPassword, kSalt, 120, 1, {}, {}},
        {"many rounds", kPassword, kSalt, 128, 250, {}, {}},
        {"no SaltValue is the empty salt", kPassword, "", 128, 2, {}, {}},
        {"empty password", "", kSalt, 128, 2, {}, {}},
        {"long password", std::string(500, 'p'), kSalt, 96, 2, {}, {}},
        {"no HashCount is one round",
         kPassword,
         kSalt,
         128,
         1,
         [](ProfileWriter& w) { w.Token("HashCount", std::nullopt); },
         {}},
        {"HashCount 0 is one round",
         kPassword,
         kSalt,
         128,
         1,
         [](ProfileWriter& w) { w.Token("HashCount", "0"); },
         {}},
        {"decimals: white space, sign, trailing text",
         kPassword,
         kSalt,
         128,
         6,
         [](ProfileWriter& w) { w.Token("Protection", " +128 bits").Token("HashCount", "\t6x"); },
         {}},
        {"spaces inside the Base64 text",
         kPassword,
         kSalt,
         128,
         2,
         {},
         [](const std::string& text) {
             std::string spaced;
             for (std::size_t i = 0; i < text.size(); ++i) {
                 spaced += text[i];
                 if (i % 10 == 9) spaced += ' ';
             }
             return spaced;
         }},
        {"padding where a group would start is skipped",
         kPassword,
         kSalt,
         128,
         2,
         {},
         [](const std::string& text) { return "==" + text; }},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ProfileWriter writer(c.password, c.salt, c.protection, c.hashCount);
        if (c.token) c.token(writer);
        for (std::size_t i = 0; i < std::size(kReaders); ++i) {
            const Reader& reader = kReaders[i];
            std::string text =
                SealItem(writer.keys(), std::string(reader.section) + reader.key, PayloadOf(i));
            if (c.encode) text = c.encode(text);
            writer.Raw(reader.section, MultiLineEntry(reader.key, text));
        }
        const std::string path = Write(writer.Text());
        for (std::size_t i = 0; i < std::size(kReaders); ++i) {
            SCOPED_TRACE(kReaders[i].name);
            const Outcome outcome = Read(kReaders[i], path.c_str(), c.password.c_str());
            EXPECT_EQ(outcome.result, static_cast<std::int32_t>(PayloadOf(i).size()));
            EXPECT_EQ(outcome.bytes, PayloadOf(i));
        }
    }
}

// Payloads of 1 to 17 bytes meet every padding length; the largest item that fits the
// 2000-byte buffers reads, the next larger one does not.
TEST_F(ProfileReaders, PayloadLengthsAndTheItemSizeLimit) {
    const Reader& reader = kReaders[3];
    const std::size_t prefix = std::string(reader.section).size() + std::string(reader.key).size();
    std::vector<std::pair<std::size_t, bool>> sizes;  // payload size, readable
    for (std::size_t size = 1; size <= 17; ++size) sizes.emplace_back(size, true);
    // Ciphertext = prefix + payload + 8 (MAC) + padding; 1992 bytes is the last that fits.
    sizes.emplace_back(1992 - prefix - 8 - 1, true);
    sizes.emplace_back(1992 - prefix - 8 - 8, true);
    sizes.emplace_back(2000 - prefix - 8 - 1, false);
    for (const auto& [size, readable] : sizes) {
        SCOPED_TRACE(size);
        ProfileWriter writer(kPassword, kSalt, 128, 1);
        writer.Item(reader.section, reader.key, Payload(size, 7));
        const Outcome outcome = Read(reader, Write(writer.Text()).c_str(), kPassword);
        if (readable) {
            EXPECT_EQ(outcome.result, static_cast<std::int32_t>(size));
            EXPECT_EQ(outcome.bytes, Payload(size, 7));
        } else {
            EXPECT_EQ(outcome.result, 0);
            EXPECT_EQ(outcome.pointer, nullptr);
        }
    }
}

TEST_F(ProfileReaders, FailureCodes) {
    const auto standard = [] {
        ProfileWriter writer(kPassword, kSalt, 128, 2);
        return WithAllItems(writer);
    };
    // Every item of the standard profile, sealed with its plaintext changed by edit.
    const auto edited = [](const std::function<Bytes(const ProtectionKeys&, const std::string&,
                                                     const Bytes&)>& seal) {
        ProfileWriter writer(kPassword, kSalt, 128, 2);
        for (std::size_t i = 0; i < std::size(kReaders); ++i) {
            const Reader& reader = kReaders[i];
            const std::string prefix = std::string(reader.section) + reader.key;
            writer.Raw(
                reader.section,
                MultiLineEntry(reader.key, SealedText(writer.keys(),
                                                      seal(writer.keys(), prefix, PayloadOf(i)))));
        }
        return writer.Text();
    };
    const auto withToken = [&](const std::string& key, std::optional<std::string> value) {
        return standard().Token(key, std::move(value)).Text();
    };
    // The standard profile, then filler entries up to exactly size bytes.
    const auto filledTo = [&](std::size_t size) {
        std::string text = standard().Text() + "[Filler]\n";
        for (int i = 0; text.size() < size; ++i) {
            const std::string key = "f" + std::to_string(i) + "=";
            const std::size_t left = size - text.size();
            const std::size_t line = left <= 80 ? left : left < 120 ? left - 40 : 80;
            text += key + std::string(line - key.size() - 1, 'x') + "\n";
        }
        return text;
    };
    struct Case {
        const char* what;
        std::optional<std::string> text;  // nullopt: no such file
        std::int32_t code;                // 0: every item still reads
        const char* password = kPassword;
    } const kCases[] = {
        {"no such file", std::nullopt, -100},
        {"syntax error on the last line", standard().Text() + "no equals sign\n", -100},
        {"larger than any profile", filledTo(support::BoundedFile::kLimit + 1), -100},
        {"as large as a profile may be", filledTo(support::BoundedFile::kLimit), 0},
        {"MAC algorithm differs in one letter's case",
         withToken("MAC Algorithm", "pbeWithSHA1AndCast5-CBC"), -101},
        {"no MAC algorithm", withToken("MAC Algorithm", std::nullopt), -101},
        {"wrong password", standard().Text(), -105, "correct horsE"},
        {"another salt", withToken("SaltValue", "9f2Ab=c e"), -105},
        {"another HashCount", withToken("HashCount", "3"), -105},
        {"no items", ProfileWriter(kPassword, kSalt, 128, 2).Text(), -105},
        {"Protection 36", withToken("Protection", "36"), -105},
        {"Protection 44", withToken("Protection", "44"), -105},
        {"Protection 136", withToken("Protection", "136"), -105},
        {"Protection 0", withToken("Protection", "0"), -105},
        {"no Protection", withToken("Protection", std::nullopt), -105},
        {"Protection -8", withToken("Protection", "-8"), -105},
        {"Protection 200", withToken("Protection", "200"), -105},
        {"Protection beyond 32 bits", withToken("Protection", "4294967424"), -105},
        {"HashCount -1", withToken("HashCount", "-1"), -105},
        {"HashCount 1000001", withToken("HashCount", "1000001"), -105},
        {"HashCount beyond 32 bits", withToken("HashCount", "4294967298"), -105},
        {"HashCount -2147483648", withToken("HashCount", "-2147483648"), -105},
        {"items bound to other names",
         edited([](const ProtectionKeys& keys, const std::string& prefix, const Bytes& payload) {
             // Each item sealed for the name that differs in its last character.
             std::string other = prefix;
             other.back() = static_cast<char>(other.back() ^ 1);
             return Padded(ItemPlaintext(keys, other, payload));
         }),
         -105},
        {"wrong MAC",
         edited([](const ProtectionKeys& keys, const std::string& prefix, const Bytes& payload) {
             Bytes plaintext = ItemPlaintext(keys, prefix, payload);
             plaintext.back() ^= 0x40;
             return Padded(plaintext);
         }),
         -105},
        {"payload changed after the MAC",
         edited([](const ProtectionKeys& keys, const std::string& prefix, const Bytes& payload) {
             Bytes plaintext = ItemPlaintext(keys, prefix, payload);
             plaintext[prefix.size()] ^= 1;
             return Padded(plaintext);
         }),
         -105},
        {"padding byte 0",
         edited([](const ProtectionKeys& keys, const std::string& prefix, const Bytes& payload) {
             Bytes plaintext = Padded(ItemPlaintext(keys, prefix, ShortPadding(prefix, payload)));
             plaintext.back() = 0;
             return plaintext;
         }),
         -105},
        {"padding byte 9",
         edited([](const ProtectionKeys& keys, const std::string& prefix, const Bytes& payload) {
             Bytes plaintext = Padded(ItemPlaintext(keys, prefix, ShortPadding(prefix, payload)));
             plaintext.back() = 9;
             return plaintext;
         }),
         -105},
        {"a whole block of padding with a bad last byte is dropped, the item reads",
         edited([](const ProtectionKeys& keys, const std::string& prefix, const Bytes& payload) {
             Bytes whole = payload;
             while ((prefix.size() + whole.size()) % 8 != 0) whole.push_back(1);
             Bytes plaintext = ItemPlaintext(keys, prefix, whole);
             plaintext.insert(plaintext.end(), 8, 0);
             return plaintext;
         }),
         0},
        {"only the last padding byte is examined",
         edited([](const ProtectionKeys& keys, const std::string& prefix, const Bytes& payload) {
             Bytes plaintext = Padded(ItemPlaintext(keys, prefix, payload));
             for (std::size_t i = 1; i < plaintext.back(); ++i) plaintext.end()[-1 - i] = 0xAA;
             return plaintext;
         }),
         0},
        {"no payload",
         edited([](const ProtectionKeys& keys, const std::string& prefix, const Bytes&) {
             return Padded(ItemPlaintext(keys, prefix, {}));
         }),
         -105},
        {"only a MAC's worth of bytes",
         edited([](const ProtectionKeys&, const std::string&, const Bytes&) {
             return Padded(Bytes(7, 0x11));
         }),
         -105},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const std::string path = c.text ? Write(*c.text) : directory_.PathOf("missing.ini");
        for (const Reader& reader : kReaders) {
            SCOPED_TRACE(reader.name);
            const Outcome outcome = Read(reader, path.c_str(), c.password);
            if (c.code == 0) {
                EXPECT_GT(outcome.result, 0);
                EXPECT_EQ(outcome.bytes.size(), static_cast<std::size_t>(outcome.result));
                continue;
            }
            EXPECT_EQ(outcome.result, reader.certificate ? c.code : 0);
            EXPECT_EQ(outcome.pointer, c.code == -100 ? kUntouched : nullptr);
        }
    }
}

TEST_F(ProfileReaders, NullArgumentsAreRefusedLikeAnUnreadableFile) {
    ProfileWriter writer(kPassword, kSalt, 128, 1);
    const std::string path = Write(WithAllItems(writer).Text());
    for (const Reader& reader : kReaders) {
        SCOPED_TRACE(reader.name);
        const std::int32_t expected = reader.certificate ? -100 : 0;
        std::uint8_t* buffer = kUntouched;
        EXPECT_EQ(reader.read(&buffer, nullptr, kPassword), expected);
        EXPECT_EQ(reader.read(&buffer, path.c_str(), nullptr), expected);
        EXPECT_EQ(buffer, kUntouched);
        EXPECT_EQ(reader.read(nullptr, path.c_str(), kPassword), expected);
    }
    ProfileFreeBuffer(nullptr);
}

// Nothing of a failed load stays behind to spoil the next one.
TEST_F(ProfileReaders, AFailedLoadDoesNotSpoilTheNextRead) {
    ProfileWriter writer(kPassword, kSalt, 128, 1);
    const std::string good = WithAllItems(writer).Text();
    const std::string broken = directory_.Write("broken.ini", good + "[Unclosed\n");
    const std::string path = Write(good);
    for (const Reader& reader : kReaders) {
        SCOPED_TRACE(reader.name);
        EXPECT_EQ(Read(reader, broken.c_str(), kPassword).result, reader.certificate ? -100 : 0);
        EXPECT_GT(Read(reader, path.c_str(), kPassword).result, 0);
        EXPECT_GT(Read(reader, path.c_str(), kPassword).result, 0) << "and again";
    }
}

// Readers on two threads take turns on the one parsed profile: each still gets its own item.
TEST_F(ProfileReaders, TwoThreadsReadAtOnce) {
    std::string paths[2];
    for (int t = 0; t < 2; ++t) {
        // Enough rounds that each read spans time slices and the two threads' reads overlap.
        ProfileWriter writer(kPassword, kSalt, 128, 500);
        writer.Item("Private Keys", "Key1", Payload(50 + t, t));
        writer.Item("Private Keys", "Key2", Payload(80 + t, t));
        paths[t] = directory_.Write("profile" + std::to_string(t) + ".ini", writer.Text());
    }
    int failures[2] = {};
    std::atomic<int> ready{0};
    std::thread threads[2];
    for (int t = 0; t < 2; ++t) {
        threads[t] = std::thread([&, t] {
            // Both start together, so their reads overlap.
            ready.fetch_add(1);
            while (ready.load() < 2) std::this_thread::yield();
            for (int i = 0; i < 20; ++i) {
                const Reader& reader = kReaders[3 + i % 2];
                const Outcome outcome = Read(reader, paths[t].c_str(), kPassword);
                if (outcome.bytes != Payload((i % 2 == 0 ? 50 : 80) + t, t)) ++failures[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures[0], 0);
    EXPECT_EQ(failures[1], 0);
}

// Every allocation of a read failing in turn: the load's (-100), the password buffer's and the
// MAC key's (-102), the decryption key's (-103), the output buffer's (-104). The small buffer
// for the exact payload is the last; without it the caller gets the payload in the big one.
// Nothing is left allocated (the sanitizers check) and the list is empty after every call.
TEST_F(ProfileReaders, OutOfMemory) {
    constexpr int kHashCount = 2;
    ProfileWriter writer(kPassword, kSalt, 128, kHashCount);
    const std::string path = Write(WithAllItems(writer).Text());
    const std::string input = std::string(kPassword) + kSalt;

    (void)support::CountAllocations();
    ASSERT_EQ(profile::ProfileLoad(path.c_str()), profile::kProfileLoaded);
    profile::ProfileFree();
    const int load = support::CountAllocations();
    profile::ProfileReleaseKey(profile::ProfileDeriveKey(
        reinterpret_cast<const std::uint8_t*>(input.data()), 3, kHashCount, 128));
    const int key = support::CountAllocations();
    // The password buffer comes first, then the MAC key.
    const int macKey = load + 1 + key, decryptionKey = macKey + key, output = decryptionKey + 1,
              exact = output + 1;

    for (const std::size_t index : {0, 2}) {
        const Reader& reader = kReaders[index];
        SCOPED_TRACE(reader.name);
        const int made = ForEachAllocationFailure([&](int failing) {
            SCOPED_TRACE(failing);
            const Outcome outcome = Read(reader, path.c_str(), kPassword);
            support::FailNthAllocation(0);
            EXPECT_EQ(profile::ProfileFirstEntry(), nullptr);
            std::int32_t code = 0;
            std::uint8_t* pointer = nullptr;
            if (failing <= load) {
                code = -100;
                pointer = kUntouched;
            } else if (failing <= macKey) {
                code = -102;
            } else if (failing <= decryptionKey) {
                code = -103;
                pointer = kUntouched;
            } else if (failing <= output) {
                code = -104;
            }
            if (code != 0) {
                EXPECT_EQ(outcome.result, reader.certificate ? code : 0);
                EXPECT_EQ(outcome.pointer, pointer);
            } else {
                EXPECT_EQ(outcome.bytes, PayloadOf(index));
            }
        });
        EXPECT_EQ(made, exact);
    }
}

// The two key contexts, the password-and-salt buffer and the decryption buffer hold secrets:
// each is wiped before it is released, on success and on failure.
TEST_F(ProfileReaders, SecretsAreWipedBeforeRelease) {
    ProfileWriter writer(kPassword, kSalt, 128, 2);
    const std::string path = Write(WithAllItems(writer).Text());
    const std::size_t passwordBuffer =
        std::string(kPassword).size() + std::string(kSalt).size() + 3;
    const std::size_t context = sizeof(profile::CastContext);
    const std::size_t output = profile::kProfileItemBufferSize;
    struct Case {
        const char* password;
        std::vector<std::size_t> wiped;  // in the order of release
    } const kCases[] = {
        {kPassword, {output, context, context, passwordBuffer}},
        {"wrong",
         {output, context, context,
          std::string("wrong").size() + passwordBuffer - std::string(kPassword).size()}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.password);
        RecordWipedReleases();
        (void)Read(kReaders[0], path.c_str(), c.password);
        std::vector<std::size_t> wiped = WipedReleases();
        // Before these, the toolkit's digest objects wipe their own blocks.
        ASSERT_GE(wiped.size(), c.wiped.size());
        wiped.erase(wiped.begin(), wiped.end() - static_cast<long>(c.wiped.size()));
        EXPECT_EQ(wiped, c.wiped);
    }
}

}  // namespace
}  // namespace quillon::test
