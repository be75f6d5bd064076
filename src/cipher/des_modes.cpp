#include "cipher/des_modes.h"

#include <atomic>
#include <cstring>

#include "cipher/des_mode_set.h"
#include "cipher/des_round_keys.h"
#include "platform/cpu_features.h"
#include "support/secure_wipe.h"

namespace quillon::cipher {
namespace {

constexpr std::size_t kBlock = 8;

const DesModeSet* ModesOf(DesEngineKind kind) {
#if QUILLON_X86
    if (kind == DesEngineKind::kShuffles) return &kDesShuffleModes;
#endif
    (void)kind;
    return &kDesPortableModes;
}

DesEngineKind FastestEngine() {
    return platform::ProcessorFeatures().ssse3 ? DesEngineKind::kShuffles
                                               : DesEngineKind::kPortable;
}

// Null until the first use chooses; racing first users store the same answer, and a test's
// choice made before the first use is kept.
constinit std::atomic<const DesModeSet*> servingModes{nullptr};

const DesModeSet& Serving() {
    const DesModeSet* modes = servingModes.load(std::memory_order_relaxed);
    if (modes != nullptr) return *modes;
    const DesModeSet* chosen = ModesOf(FastestEngine());
    return servingModes.compare_exchange_strong(modes, chosen, std::memory_order_relaxed) ? *chosen
                                                                                          : *modes;
}

// Whole blocks in place; a partial last block goes through a block of its own: zero-padded and
// written whole on encryption, read whole and written in part on decryption. The chaining value
// ends as the last ciphertext block either way.
void Cbc(bool encrypt, const DesRoundKeys& keys, std::uint8_t* data, std::size_t length,
         std::uint8_t* iv) {
    const DesModeSet& modes = Serving();
    const auto run = encrypt ? modes.cbcEncrypt : modes.cbcDecrypt;
    const std::size_t whole = length / kBlock;
    if (whole != 0) run(keys, data, whole, iv);
    const std::size_t rest = length % kBlock;
    if (rest == 0) return;
    std::uint8_t* const last = data + whole * kBlock;
    std::uint8_t block[kBlock] = {};
    std::memcpy(block, last, encrypt ? rest : kBlock);
    run(keys, block, 1, iv);
    std::memcpy(last, block, encrypt ? kBlock : rest);
    support::SecureWipe(block, sizeof block);
}

void PrepareAndRun(bool encrypt, bool triple, std::uint8_t* data, std::size_t length,
                   const std::uint8_t* key, std::uint8_t* iv) {
    DesRoundKeys keys;
    DesPrepareKeys(key, triple, encrypt, keys);
    Cbc(encrypt, keys, data, length, iv);
    support::SecureWipe(&keys, sizeof keys);
}

}  // namespace

void DesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
            std::uint8_t* iv) {
    PrepareAndRun(encrypt, false, data, length, key, iv);
}

void TripleDesCbc(bool encrypt, std::uint8_t* data, std::size_t length, const std::uint8_t* key,
                  std::uint8_t* iv) {
    PrepareAndRun(encrypt, true, data, length, key, iv);
}

bool DesEngineAvailable(DesEngineKind kind) {
    switch (kind) {
        case DesEngineKind::kPortable:
            return true;
        case DesEngineKind::kShuffles:
            return QUILLON_X86 && platform::ProcessorFeatures().ssse3;
    }
    return false;
}

DesEngineKind DesServingEngine() {
    const DesModeSet* serving = &Serving();
    if (DesEngineAvailable(DesEngineKind::kShuffles) &&
        ModesOf(DesEngineKind::kShuffles) == serving) {
        return DesEngineKind::kShuffles;
    }
    return DesEngineKind::kPortable;
}

bool DesServeWithEngine(DesEngineKind kind) {
    if (!DesEngineAvailable(kind)) return false;
    servingModes.store(ModesOf(kind), std::memory_order_relaxed);
    return true;
}

}  // namespace quillon::cipher
