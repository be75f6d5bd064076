#include "digest/hmac.h"

#include <cstring>

#include "digest/digest_handle.h"
#include "digest/hash_table.h"
#include "support/secure_wipe.h"

namespace quillon::digest {
namespace {

constexpr std::uint32_t kBlock = 64;
// A caller's descriptor may bring a longer digest than MD5's or SHA-1's (SHA-256 and SHA-224
// share the 64-byte block); a digest longer than the block would not fit the key block it
// replaces, so such a descriptor is refused.
constexpr std::uint32_t kLargestDigest = kBlock;

bool Usable(const HashDescriptor* descriptor) {
    return descriptor != nullptr && descriptor->create != nullptr &&
           descriptor->update != nullptr && descriptor->final != nullptr &&
           descriptor->digestLength <= kLargestDigest;
}

// Releases a digest that is still running.
void Abandon(HmacContext& context) {
    if (context.handle == nullptr) return;
    std::uint8_t discarded[kLargestDigest];
    context.descriptor->final(discarded, &context.handle);
    support::SecureWipe(discarded, sizeof discarded);
    context.handle = nullptr;
}

bool IsOurs(const HashDescriptor* descriptor) {
    for (const HashDescriptor& slot : HashTable) {
        if (descriptor == &slot) return true;
    }
    return false;
}

// Creates a digest into the context's handle. A handle of our own digests whose toolkit object
// could not be made is released at once: it would digest nothing and write nothing.
bool Create(HmacContext& context) {
    context.handle = nullptr;
    context.descriptor->create(&context.handle);
    if (context.handle != nullptr && IsOurs(context.descriptor) &&
        !DigestHandleIsLive(context.handle)) {
        Abandon(context);
    }
    return context.handle != nullptr;
}

// Starts the inner digest over the inner pad block.
void StartInner(HmacContext& context) {
    if (Create(context)) context.descriptor->update(&context.handle, context.innerPad, kBlock);
}

}  // namespace

void HmacStart(HmacContext& context, const HashDescriptor* descriptor, const std::uint8_t* key,
               std::uint32_t keyLength) {
    // A fresh context holds whatever the caller's memory held: nothing in it is a handle yet.
    context.handle = nullptr;
    context.descriptor = descriptor;
    context.digestLength = descriptor != nullptr ? descriptor->digestLength : 0;
    if (!Usable(descriptor) || (key == nullptr && keyLength != 0)) {
        context.descriptor = nullptr;
        return;
    }
    std::memset(context.innerPad, 0, kBlock);
    if (keyLength > kBlock) {
        if (!Create(context)) {
            context.descriptor = nullptr;
            return;
        }
        descriptor->update(&context.handle, key, keyLength);
        descriptor->final(context.innerPad, &context.handle);
    } else if (keyLength != 0) {
        std::memcpy(context.innerPad, key, keyLength);
    }
    std::memcpy(context.outerPad, context.innerPad, kBlock);
    for (std::uint32_t i = 0; i < kBlock; ++i) {
        context.innerPad[i] ^= 0x36;
        context.outerPad[i] ^= 0x5C;
    }
    StartInner(context);
}

void HmacFeed(HmacContext& context, const std::uint8_t* data, std::uint32_t length) {
    if (!Usable(context.descriptor)) return;
    context.descriptor->update(&context.handle, data, length);
}

void HmacFinish(std::uint8_t* out, HmacContext& context) {
    if (!Usable(context.descriptor) || context.handle == nullptr) return;
    const HashDescriptor* descriptor = context.descriptor;
    std::uint8_t inner[kLargestDigest] = {};
    descriptor->final(inner, &context.handle);
    if (Create(context)) {
        descriptor->update(&context.handle, context.outerPad, kBlock);
        descriptor->update(&context.handle, inner, descriptor->digestLength);
        descriptor->final(out, &context.handle);
    }
    support::SecureWipe(inner, sizeof inner);
}

void HmacRestart(HmacContext& context) {
    if (!Usable(context.descriptor)) return;
    Abandon(context);
    StartInner(context);
}

}  // namespace quillon::digest
