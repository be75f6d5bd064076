#include "profile/profile_unlock.h"

#include <climits>
#include <cstring>

#include "platform/locks.h"
#include "profile/base64_decode.h"
#include "profile/profile_key_derivation.h"
#include "profile/profile_parser.h"
#include "support/checked_alloc.h"
#include "support/secure_buffer.h"
#include "support/secure_wipe.h"

namespace quillon::profile {
namespace {

// The value of a "Password Token" entry; a missing entry reads as the empty text.
const char* TokenValue(const char* key) {
    const ProfileEntry* entry = ProfileLookup(kPasswordTokenSection, key);
    return entry != nullptr ? entry->value : "";
}

// A decimal the way the C runtime's atoi reads it: leading white space, an optional sign,
// digits up to the first other character; no digits give 0. Values beyond 32 bits saturate
// (they are out of every accepted range either way).
std::int32_t Decimal(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = 10 * value + (*text - '0');
        if (value > std::int64_t{INT32_MAX} + 1) value = std::int64_t{INT32_MAX} + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<std::int32_t>(value);
}

// The parsed profile lives from a successful or failed load until the reader returns.
struct LoadedProfile {
    LoadedProfile() = default;
    LoadedProfile(const LoadedProfile&) = delete;
    LoadedProfile& operator=(const LoadedProfile&) = delete;
    ~LoadedProfile() { ProfileFree(); }
};

}  // namespace

std::uint32_t ProfileDecryptEntry(std::uint8_t* output, const char* section, const char* key,
                                  CastContext& encryption, CastContext& mac) {
    const ProfileEntry* entry = ProfileLookup(section, key);
    std::uint8_t ciphertext[kProfileItemBufferSize];
    const std::size_t decoded =
        Base64Decode(entry != nullptr ? entry->value : "", ciphertext, sizeof ciphertext);

    std::memcpy(encryption.chaining, encryption.initialVector, sizeof encryption.chaining);
    encryption.held = 0;
    encryption.bufferedCount = 0;
    auto delivered = static_cast<std::uint32_t>(decoded);
    // A context that refuses work has written nothing: the output holds no item to check.
    if (CastCbcDecryptUpdate(encryption, ciphertext, output, delivered) != CastStatus::kOk)
        return 0;
    std::uint32_t last = 0;
    // Bad padding leaves the last block out of the total; the MAC check then fails.
    if (CastCbcDecryptFinal(encryption, output + delivered, last) == CastStatus::kNoKey) return 0;

    std::uint32_t total = delivered + last;
    if (total <= kProfileMacLength) return 0;
    total -= kProfileMacLength;
    const std::size_t sectionLength = std::strlen(section);
    const std::size_t keyLength = std::strlen(key);
    const std::size_t prefixLength = sectionLength + keyLength;
    if (total <= prefixLength) return 0;
    // The item names the place it was written for; one copied elsewhere does not read.
    if (std::memcmp(output, section, sectionLength) != 0 ||
        std::memcmp(output + sectionLength, key, keyLength) != 0) {
        return 0;
    }
    if (CastMacVerify(mac, output, total, output + total) == 0) return 0;
    const auto payloadLength = static_cast<std::uint32_t>(total - prefixLength);
    std::memmove(output, output + prefixLength, payloadLength);
    return payloadLength;
}

ProfileReadStatus ProfileReadItem(std::uint8_t** buffer, std::uint32_t& length, const char* path,
                                  const char* password, const char* section, const char* key) {
    // The profile list is module-wide: one reader at a time from load to free.
    platform::ProcessLockGuard guard(platform::ProcessLock::kProfileList);
    LoadedProfile profile;
    if (ProfileLoad(path) != kProfileLoaded) return kProfileNotLoaded;

    const char* salt = TokenValue(kSaltValueKey);
    const std::int32_t protection = Decimal(TokenValue(kProtectionKey));
    const std::int32_t hashCount = Decimal(TokenValue(kHashCountKey));
    if (std::strcmp(TokenValue(kMacAlgorithmKey), kProfileMacAlgorithm) != 0) {
        *buffer = nullptr;
        return kProfileWrongMacAlgorithm;
    }

    ProfileKeys keys;
    switch (keys.Derive(password, salt, protection, hashCount)) {
        case ProfileKeys::Status::kNoMacKey:
            *buffer = nullptr;
            return kProfileNoMacKeyMemory;
        case ProfileKeys::Status::kNoEncryptionKey:
            return kProfileNoKeyMemory;
        case ProfileKeys::Status::kDerived:
            break;
    }

    auto* output = support::NewArray<std::uint8_t>(kProfileItemBufferSize);
    *buffer = output;
    if (output == nullptr) return kProfileNoOutputMemory;
    length = ProfileDecryptEntry(output, section, key, keys.encryption(), keys.mac());
    if (length == 0) {
        support::WipeAndRelease(output, kProfileItemBufferSize);
        *buffer = nullptr;
        return kProfileItemUnreadable;
    }
    // Hand back exactly the payload; if even that small block is not to be had, the big buffer
    // serves, with the rest of the decrypted item wiped.
    support::SecureWipe(output + length, kProfileItemBufferSize - length);
    auto* exact = support::NewArray<std::uint8_t>(length);
    if (exact != nullptr) {
        std::memcpy(exact, output, length);
        support::WipeAndRelease(output, kProfileItemBufferSize);
        output = exact;
    }
    *buffer = output;
    return kProfileItemRead;
}

}  // namespace quillon::profile
