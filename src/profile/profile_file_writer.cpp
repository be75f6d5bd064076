#include "profile/profile_file_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "profile/base64_encode.h"
#include "profile/cast5.h"
#include "profile/profile_format.h"
#include "profile/profile_key_derivation.h"
#include "support/text_sink.h"

namespace quillon::profile {
namespace {

// 48 bytes make 64 Base64 characters: one "&" or "_" line of an item.
constexpr std::size_t kBytesPerLine = 48;

using support::TextSink;

bool ValidText(std::string_view text, std::size_t maxLength, char forbidden) {
    return text.size() <= maxLength && std::none_of(text.begin(), text.end(), [forbidden](char c) {
               return static_cast<unsigned char>(c) < 0x20 || c == forbidden;
           });
}

bool ValidName(const char* name, char forbidden) {
    const std::string_view text(name);
    return !text.empty() && ValidText(text, kMaxNameLength, forbidden);
}

std::size_t PlaintextLength(const ProfileItem& item) {
    return std::strlen(item.section) + std::strlen(item.key) + item.payload.size() +
           kProfileMacLength;
}

// The plaintext and 1 to 8 padding bytes.
std::size_t CiphertextLength(const ProfileItem& item) {
    const std::size_t plaintext = PlaintextLength(item);
    return plaintext + (8 - plaintext % 8);
}

// Name prefix, payload, MAC and padding, encrypted in CBC mode from the key's initial vector.
bool SealItem(ProfileKeys& keys, const ProfileItem& item, support::SecureBuffer& sealed) {
    const std::size_t sectionLength = std::strlen(item.section);
    const std::size_t keyLength = std::strlen(item.key);
    const std::size_t macAt = PlaintextLength(item) - kProfileMacLength;
    const std::size_t padAt = macAt + kProfileMacLength;
    sealed = support::SecureBuffer::Zeroed(CiphertextLength(item));
    if (!sealed.ok()) return false;
    std::uint8_t* data = sealed.data();
    std::memcpy(data, item.section, sectionLength);
    std::memcpy(data + sectionLength, item.key, keyLength);
    std::memcpy(data + sectionLength + keyLength, item.payload.data(), item.payload.size());
    if (CastMacCompute(keys.mac(), data, static_cast<std::uint32_t>(macAt), data + macAt) !=
        CastStatus::kOk) {
        return false;
    }
    const std::size_t padding = sealed.size() - padAt;
    std::memset(data + padAt, static_cast<int>(padding), padding);
    CastContext& encryption = keys.encryption();
    std::memcpy(encryption.chaining, encryption.initialVector, sizeof encryption.chaining);
    return CastCbcEncrypt(encryption, data, static_cast<std::uint32_t>(sealed.size())) ==
           CastStatus::kOk;
}

void PutEntry(TextSink& sink, std::string_view key, std::string_view value) {
    sink.Put(key);
    sink.Put("=");
    sink.Put(value);
    sink.Put("\n");
}

void PutDecimal(TextSink& sink, std::string_view key, std::int32_t value) {
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    PutEntry(sink, key, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

// An "&" line with the key and the first 64 characters of the Base64 text, a "_" line for each
// further 64, and an empty line closing the value. Without a ciphertext only the size counts.
void PutItem(TextSink& sink, const char* key, const std::uint8_t* ciphertext, std::size_t length) {
    for (std::size_t at = 0; at < length; at += kBytesPerLine) {
        if (at == 0) {
            sink.Put("&");
            sink.Put(key);
        } else {
            sink.Put("_");
        }
        sink.Put("=");
        const std::size_t bytes = std::min(kBytesPerLine, length - at);
        const std::span<char> room = sink.Rest();
        if (!room.empty()) Base64Encode({ciphertext + at, bytes}, room.data());
        sink.Skip(Base64EncodedLength(bytes));
        sink.Put("\n");
    }
    sink.Put("\n");
}

// The whole text; without keys only its size is counted (nothing is sealed). False when an
// item could not be sealed.
bool PutProfile(TextSink& sink, const ProfileProtection& protection,
                std::span<const ProfileItem> items, ProfileKeys* keys) {
    sink.Put("[");
    sink.Put(kPasswordTokenSection);
    sink.Put("]\n");
    if (*protection.salt != '\0') PutEntry(sink, kSaltValueKey, protection.salt);
    PutDecimal(sink, kProtectionKey, protection.protection);
    PutEntry(sink, kMacAlgorithmKey, kProfileMacAlgorithm);
    PutDecimal(sink, kHashCountKey, protection.hashCount);
    const char* section = nullptr;
    for (const ProfileItem& item : items) {
        if (section == nullptr || std::strcmp(section, item.section) != 0) {
            section = item.section;
            sink.Put("\n[");
            sink.Put(section);
            sink.Put("]\n");
        }
        if (keys == nullptr) {
            PutItem(sink, item.key, nullptr, CiphertextLength(item));
            continue;
        }
        support::SecureBuffer sealed;
        if (!SealItem(*keys, item, sealed)) return false;
        PutItem(sink, item.key, sealed.data(), sealed.size());
    }
    return true;
}

ProfileWriteStatus CheckItem(const ProfileItem& item) {
    if (!ValidName(item.section, ']') || !ValidName(item.key, '=')) {
        return ProfileWriteStatus::kBadName;
    }
    if (item.payload.empty()) return ProfileWriteStatus::kEmptyPayload;
    // The readers decode an item into a buffer of this size, with a zero byte after it.
    if (item.payload.size() >= kProfileItemBufferSize ||
        CiphertextLength(item) >= kProfileItemBufferSize) {
        return ProfileWriteStatus::kItemTooLarge;
    }
    return ProfileWriteStatus::kWritten;
}

}  // namespace

ProfileWriteStatus ProfileWrite(const ProfileProtection& protection,
                                std::span<const ProfileItem> items, support::SecureBuffer& text,
                                std::size_t& failedItem) {
    text.Reset();
    failedItem = 0;
    if (protection.protection < kMinProtectionBits || protection.protection > kMaxProtectionBits ||
        protection.protection % 8 != 0 || protection.hashCount < kMinHashCount ||
        protection.hashCount > kMaxHashCount) {
        return ProfileWriteStatus::kBadProtection;
    }
    if (!ValidText(protection.salt, kMaxSaltLength, '\0')) return ProfileWriteStatus::kBadSalt;
    if (items.empty()) return ProfileWriteStatus::kNoItems;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ProfileWriteStatus status = CheckItem(items[i]);
        if (status != ProfileWriteStatus::kWritten) {
            failedItem = i;
            return status;
        }
    }

    ProfileKeys keys;
    if (keys.Derive(protection.password, protection.salt, protection.protection,
                    protection.hashCount) != ProfileKeys::Status::kDerived) {
        return ProfileWriteStatus::kNoMemory;
    }
    TextSink measure(nullptr, 0);
    (void)PutProfile(measure, protection, items, nullptr);
    support::SecureBuffer out = support::SecureBuffer::Zeroed(measure.size());
    if (!out.ok()) return ProfileWriteStatus::kNoMemory;
    TextSink sink(reinterpret_cast<char*>(out.data()), measure.size());
    if (!PutProfile(sink, protection, items, &keys)) return ProfileWriteStatus::kNoMemory;
    text = std::move(out);
    return ProfileWriteStatus::kWritten;
}

}  // namespace quillon::profile
