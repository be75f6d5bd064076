// Turning a profile password into CAST5 key contexts: iterated SHA-1 over password and salt,
// every digest made through a fresh toolkit SHA-1 object.
#pragma once

#include <cstdint>

#include "profile/cast5.h"
#include "support/secure_buffer.h"

namespace quillon::profile {

// Iteration counts a profile may ask for. More would let one damaged or hostile file keep a
// reader busy for hours; fewer than one is read as one.
inline constexpr std::int32_t kMaxHashCount = 1000000;
// Key lengths that fit into the 20-byte key block of one SHA-1 result.
inline constexpr std::int32_t kMaxKeyBits = 160;

// A new zero-filled CastContext (release it with ProfileReleaseKey), keyed with the first
// keyBits / 8 bytes of K and given as initial vector the first 8 bytes of (the rest of K, V):
//   K = SHA-1(input), then hashed again hashCount - 1 more times;
//   V = SHA-1(input, 0x01), then hashed again hashCount - 1 more times.
// A key length CastInit refuses leaves a context that refuses every operation, and so does a
// hashCount outside 0 to kMaxHashCount or keyBits outside 0 to kMaxKeyBits (nothing is hashed
// then). Null when memory runs out, for the context or for a toolkit digest object.
[[nodiscard]] CastContext* ProfileDeriveKey(const std::uint8_t* input, std::uint32_t inputLength,
                                            std::int32_t hashCount, std::int32_t keyBits);

// Wipes and releases a context from ProfileDeriveKey; null is ignored.
void ProfileReleaseKey(CastContext* context);

// The two key contexts a profile's password and salt stand for, released with the object:
// the MAC key from password, salt and "MAC" with max(protection, 64) bits, the encryption key
// (with its initial vector) from password and salt with protection bits.
class ProfileKeys {
  public:
    enum class Status { kDerived, kNoMacKey, kNoEncryptionKey };

    ProfileKeys() = default;
    ProfileKeys(const ProfileKeys&) = delete;
    ProfileKeys& operator=(const ProfileKeys&) = delete;
    ~ProfileKeys();

    // Which key could not be made for lack of memory (the MAC key is made first, and the
    // derivation input counts as part of it), or kDerived.
    [[nodiscard]] Status Derive(const char* password, const char* salt, std::int32_t protection,
                                std::int32_t hashCount);
    [[nodiscard]] CastContext& mac() { return *mac_; }
    [[nodiscard]] CastContext& encryption() { return *encryption_; }

  private:
    // Released after the contexts, as the readers have always released them.
    support::SecureBuffer input_;
    CastContext* mac_ = nullptr;
    CastContext* encryption_ = nullptr;
};

}  // namespace quillon::profile
