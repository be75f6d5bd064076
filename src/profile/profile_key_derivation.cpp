#include "profile/profile_key_derivation.h"

#include <cstdint>
#include <cstring>

#include "support/checked_alloc.h"
#include "support/secure_wipe.h"
#include "toolkit/owners.h"
#include "toolkit/toolkit.h"

namespace quillon::profile {
namespace {

constexpr std::uint32_t kSha1Length = 20;

// One complete SHA-1 of up to two pieces through a fresh toolkit object: create, set info,
// init with DefaultChooser, update, final, destroy. False when the object could not be made
// (out of memory) or did not deliver a whole digest.
bool Sha1(const std::uint8_t* data, std::uint32_t length, const std::uint8_t* tail,
          std::uint32_t tailLength, std::uint8_t (&digest)[kSha1Length]) {
    toolkit::OwnedAlg object;
    std::uint32_t produced = 0;
    bool done =
        toolkit::AlgCreate(object.Receive()) == toolkit::kOk &&
        toolkit::AlgSetInfo(object, toolkit::InfoSha1, nullptr) == toolkit::kOk &&
        toolkit::AlgDigestInit(object, nullptr, toolkit::DefaultChooser, nullptr) == toolkit::kOk &&
        toolkit::AlgDigestUpdate(object, data, length, nullptr) == toolkit::kOk;
    if (done && tailLength != 0) {
        done = toolkit::AlgDigestUpdate(object, tail, tailLength, nullptr) == toolkit::kOk;
    }
    done =
        done &&
        toolkit::AlgDigestFinal(object, digest, &produced, kSha1Length, nullptr) == toolkit::kOk &&
        produced == kSha1Length;
    return done;
}

// SHA-1 of (data, tail), then of its own result iterations - 1 more times.
bool IteratedSha1(const std::uint8_t* data, std::uint32_t length, const std::uint8_t* tail,
                  std::uint32_t tailLength, std::int32_t iterations,
                  std::uint8_t (&digest)[kSha1Length]) {
    if (!Sha1(data, length, tail, tailLength, digest)) return false;
    for (std::int32_t i = 1; i < iterations; ++i) {
        std::uint8_t next[kSha1Length];
        const bool done = Sha1(digest, kSha1Length, nullptr, 0, next);
        std::memcpy(digest, next, kSha1Length);
        support::SecureWipe(next, sizeof next);
        if (!done) return false;
    }
    return true;
}

// Fills the context; false when a digest object could not be made.
bool DeriveInto(CastContext& context, const std::uint8_t* input, std::uint32_t inputLength,
                std::int32_t hashCount, std::int32_t keyBits) {
    const auto keyLength = static_cast<std::uint32_t>(keyBits / 8);
    const std::uint8_t ivMarker = 0x01;
    std::uint8_t key[kSha1Length];
    std::uint8_t vector[kSha1Length];
    bool done = IteratedSha1(input, inputLength, nullptr, 0, hashCount, key);
    if (done) {
        // A refused key length leaves the context unusable; the caller meets that later as an
        // unreadable item.
        (void)CastInit(context, key, static_cast<std::uint32_t>(keyBits));
        done = IteratedSha1(input, inputLength, &ivMarker, 1, hashCount, vector);
    }
    if (done) {
        // The vector starts with what the key left over of K and continues into V.
        std::uint8_t material[2 * kSha1Length];
        std::memcpy(material, key, kSha1Length);
        std::memcpy(material + kSha1Length, vector, kSha1Length);
        std::memcpy(context.initialVector, material + keyLength, sizeof context.initialVector);
        support::SecureWipe(material, sizeof material);
    }
    support::SecureWipe(key, sizeof key);
    support::SecureWipe(vector, sizeof vector);
    return done;
}

}  // namespace

CastContext* ProfileDeriveKey(const std::uint8_t* input, std::uint32_t inputLength,
                              std::int32_t hashCount, std::int32_t keyBits) {
    auto* context = support::New<CastContext>();
    if (context == nullptr) return nullptr;
    const bool usable =
        hashCount >= 0 && hashCount <= kMaxHashCount && keyBits >= 0 && keyBits <= kMaxKeyBits;
    // Parameters out of range: no marker, so the context refuses all work and the item reads
    // as unreadable, without hashing for billions of rounds or keying past the key block.
    if (usable && !DeriveInto(*context, input, inputLength, hashCount, keyBits)) {
        ProfileReleaseKey(context);
        return nullptr;
    }
    return context;
}

void ProfileReleaseKey(CastContext* context) {
    support::WipeAndRelease(context, sizeof(CastContext));
}

ProfileKeys::~ProfileKeys() {
    ProfileReleaseKey(mac_);
    ProfileReleaseKey(encryption_);
}

ProfileKeys::Status ProfileKeys::Derive(const char* password, const char* salt,
                                        std::int32_t protection, std::int32_t hashCount) {
    static constexpr char kMacSuffix[] = "MAC";
    static constexpr std::size_t kMacSuffixLength = sizeof kMacSuffix - 1;
    static constexpr std::int32_t kMinMacKeyBits = 64;
    // Password and salt, then "MAC": the MAC key is derived from all of it, the encryption
    // key from the part before "MAC".
    const std::size_t passwordLength = std::strlen(password);
    const std::size_t saltLength = std::strlen(salt);
    if (passwordLength <= UINT32_MAX - kMacSuffixLength - saltLength) {
        input_ = support::SecureBuffer::Zeroed(passwordLength + saltLength + kMacSuffixLength);
    }
    if (!input_.ok()) return Status::kNoMacKey;
    std::uint8_t* input = input_.data();
    std::memcpy(input, password, passwordLength);
    std::memcpy(input + passwordLength, salt, saltLength);
    std::memcpy(input + passwordLength + saltLength, kMacSuffix, kMacSuffixLength);
    const auto secretLength = static_cast<std::uint32_t>(passwordLength + saltLength);

    mac_ = ProfileDeriveKey(input, secretLength + kMacSuffixLength, hashCount,
                            protection > kMinMacKeyBits ? protection : kMinMacKeyBits);
    if (mac_ == nullptr) return Status::kNoMacKey;
    encryption_ = ProfileDeriveKey(input, secretLength, hashCount, protection);
    if (encryption_ == nullptr) return Status::kNoEncryptionKey;
    return Status::kDerived;
}

}  // namespace quillon::profile
