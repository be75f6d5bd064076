// The profile writer: byte for byte the text of the OpenSSL-built test writer, read back by the
// module's readers, and refusing what would not read back.
#include "profile/profile_file_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/allocation_failure.h"
#include "common/profile_writer.h"
#include "common/temporary_directory.h"
#include "profile/profile_key_derivation.h"
#include "quillon.h"

namespace quillon::profile {
namespace {

using test::Bytes;

std::string TextOf(const support::SecureBuffer& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

Bytes Payload(std::size_t length, std::uint8_t seed) {
    Bytes payload(length);
    for (std::size_t i = 0; i < length; ++i) payload[i] = static_cast<std::uint8_t>(seed + 7 * i);
    return payload;
}

struct ReaderCase {
    const char* section;
    const char* key;
    decltype(&ProfileGetSignatureCertificate) reader;
};
constexpr ReaderCase kReaders[] = {
    {"CA Certificates", "Certificate", &ProfileGetCaCertificates},
    {"Digital Signature", "Certificate", &ProfileGetSignatureCertificate},
    {"Digital Signature", "Key", &ProfileGetSignatureKey},
    {"Private Keys", "Key1", &ProfileGetPrivateKey1},
    {"Private Keys", "Key2", &ProfileGetPrivateKey2},
};

// All five items (sections in the test writer's order), with payloads of different lengths.
std::vector<Bytes> FivePayloads() {
    return {Payload(1, 1), Payload(47, 2), Payload(48, 3), Payload(600, 4), Payload(1955, 5)};
}

std::vector<ProfileItem> ItemsOf(const std::vector<Bytes>& payloads) {
    std::vector<ProfileItem> items;
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        items.push_back({kReaders[i].section, kReaders[i].key, payloads[i]});
    }
    return items;
}

TEST(ProfileWrite, MatchesTheIndependentWriterAndReadsBack) {
    const struct {
        const char* password;
        const char* salt;
        std::int32_t protection;
        std::int32_t hashCount;
    } cases[] = {
        {"password", "SaltSaltSalt1234", 128, 1000},
        {"two words and spaces", "s", 40, 1},
        {"p\xC3\xA4sswort \xE2\x82\xAC", "salt with = and spaces", 64, 1},
        {"", "", 96, 3},
        {"x",
         "0123456789012345678901234567890123456789012345678901234567890123456789012345678901"
         "234567",
         120, 2},
    };
    const std::vector<Bytes> payloads = FivePayloads();
    const std::vector<ProfileItem> items = ItemsOf(payloads);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.password) + " / " + c.salt);
        support::SecureBuffer text;
        std::size_t failedItem = 99;
        ASSERT_EQ(
            ProfileWrite({c.password, c.salt, c.protection, c.hashCount}, items, text, failedItem),
            ProfileWriteStatus::kWritten);
        test::ProfileWriter oracle(c.password, c.salt, c.protection, c.hashCount);
        for (const ProfileItem& item : items) {
            oracle.Item(item.section, item.key, Bytes(item.payload.begin(), item.payload.end()));
        }
        EXPECT_EQ(TextOf(text), oracle.Text());

        const test::TemporaryDirectory directory;
        const std::string path = directory.Write("written.ini", TextOf(text));
        for (std::size_t i = 0; i < std::size(kReaders); ++i) {
            std::uint8_t* buffer = nullptr;
            const std::int32_t length = kReaders[i].reader(&buffer, path.c_str(), c.password);
            ASSERT_EQ(length, static_cast<std::int32_t>(payloads[i].size())) << kReaders[i].key;
            EXPECT_EQ(Bytes(buffer, buffer + length), payloads[i]);
            ProfileFreeBuffer(buffer);
        }
    }
}

// Items come out in the order given, a header wherever the section changes; only the items
// written are there to read.
TEST(ProfileWrite, WritesTheItemsGivenInTheirOrder) {
    const Bytes key2 = Payload(30, 9), key1 = Payload(20, 8);
    const ProfileItem items[] = {{"Private Keys", "Key2", key2}, {"Private Keys", "Key1", key1}};
    support::SecureBuffer text;
    std::size_t failedItem = 0;
    ASSERT_EQ(ProfileWrite({"pw", "salt", 128, 1}, items, text, failedItem),
              ProfileWriteStatus::kWritten);
    const std::string written = TextOf(text);
    EXPECT_EQ(written.find("[Private Keys]"), written.rfind("[Private Keys]"));
    EXPECT_LT(written.find("&Key2="), written.find("&Key1="));
    const test::TemporaryDirectory directory;
    const std::string path = directory.Write("keys.ini", written);
    std::uint8_t* buffer = nullptr;
    EXPECT_EQ(ProfileGetPrivateKey1(&buffer, path.c_str(), "pw"), 20);
    ProfileFreeBuffer(buffer);
    buffer = nullptr;
    EXPECT_EQ(ProfileGetSignatureCertificate(&buffer, path.c_str(), "pw"), PROFILE_E_UNREADABLE);
    EXPECT_EQ(ProfileGetSignatureCertificate(&buffer, path.c_str(), "other"), PROFILE_E_UNREADABLE);
}

TEST(ProfileWrite, RefusesWhatWouldNotReadBack) {
    const Bytes one = Payload(1, 0);
    // "Private Keys" + "Key1" + MAC take 24 bytes: 1967 bytes of payload end at 1991, padded to
    // 1992, the largest ciphertext below 2000; one more byte pads to 2000.
    const Bytes largest = Payload(1967, 0), tooLarge = Payload(1968, 0);
    const struct {
        const char* name;
        ProfileProtection protection;
        std::vector<ProfileItem> items;
        ProfileWriteStatus status;
        std::size_t failedItem;
    } cases[] = {
        {"largest item",
         {"pw", "s", 128, 1},
         {{"Private Keys", "Key1", largest}},
         ProfileWriteStatus::kWritten,
         0},
        {"item too large",
         {"pw", "s", 128, 1},
         {{"Private Keys", "Key1", one}, {"Private Keys", "Key2", tooLarge}},
         ProfileWriteStatus::kItemTooLarge,
         1},
        {"empty payload",
         {"pw", "s", 128, 1},
         {{"Private Keys", "Key1", {}}},
         ProfileWriteStatus::kEmptyPayload,
         0},
        {"no items", {"pw", "s", 128, 1}, {}, ProfileWriteStatus::kNoItems, 0},
        {"protection 32",
         {"pw", "s", 32, 1},
         {{"Private Keys", "Key1", one}},
         ProfileWriteStatus::kBadProtection,
         0},
        {"protection 136",
         {"pw", "s", 136, 1},
         {{"Private Keys", "Key1", one}},
         ProfileWriteStatus::kBadProtection,
         0},
        {"protection 44",
         {"pw", "s", 44, 1},
         {{"Private Keys", "Key1", one}},
         ProfileWriteStatus::kBadProtection,
         0},
        {"hash count 0",
         {"pw", "s", 128, 0},
         {{"Private Keys", "Key1", one}},
         ProfileWriteStatus::kBadProtection,
         0},
        {"hash count too high",
         {"pw", "s", 128, kMaxHashCount + 1},
         {{"Private Keys", "Key1", one}},
         ProfileWriteStatus::kBadProtection,
         0},
        {"salt with a line break",
         {"pw", "salt\nKey=x", 128, 1},
         {{"Private Keys", "Key1", one}},
         ProfileWriteStatus::kBadSalt,
         0},
        {"salt too long",
         {"pw",
          "0123456789012345678901234567890123456789012345678901234567890123"
          "45678901234567890123456789",
          128, 1},
         {{"Private Keys", "Key1", one}},
         ProfileWriteStatus::kBadSalt,
         0},
        {"section with ]",
         {"pw", "s", 128, 1},
         {{"Private] Keys", "Key1", one}},
         ProfileWriteStatus::kBadName,
         0},
        {"key with =",
         {"pw", "s", 128, 1},
         {{"Private Keys", "Key=1", one}},
         ProfileWriteStatus::kBadName,
         0},
        {"empty key",
         {"pw", "s", 128, 1},
         {{"Private Keys", "", one}},
         ProfileWriteStatus::kBadName,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        support::SecureBuffer text = support::SecureBuffer::Zeroed(4);
        std::size_t failedItem = 99;
        EXPECT_EQ(ProfileWrite(c.protection, c.items, text, failedItem), c.status);
        if (c.status == ProfileWriteStatus::kWritten) continue;
        EXPECT_FALSE(text.ok());
        EXPECT_EQ(failedItem, c.failedItem);
    }
}

TEST(ProfileWrite, EveryAllocationFailureIsReported) {
    const std::vector<Bytes> payloads = FivePayloads();
    const std::vector<ProfileItem> items = ItemsOf(payloads);
    const auto write = [&](support::SecureBuffer& text) {
        std::size_t failedItem = 0;
        return ProfileWrite({"pw", "salt", 128, 2}, items, text, failedItem);
    };
    (void)support::CountAllocations();
    support::SecureBuffer reference;
    ASSERT_EQ(write(reference), ProfileWriteStatus::kWritten);
    const int allocations = support::CountAllocations();
    const int made = test::ForEachAllocationFailure([&](int failing) {
        SCOPED_TRACE(failing);
        support::SecureBuffer text;
        const ProfileWriteStatus status = write(text);
        if (failing > allocations) {
            EXPECT_EQ(TextOf(text), TextOf(reference));
            return;
        }
        EXPECT_EQ(status, ProfileWriteStatus::kNoMemory);
        EXPECT_FALSE(text.ok());
    });
    EXPECT_EQ(made, allocations);
}

}  // namespace
}  // namespace quillon::profile
