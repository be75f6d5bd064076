#include "cipher/aes_modes.h"

#include <cstring>
#include <initializer_list>

#include "cipher/aes_mode_set.h"
#include "platform/cpu_features.h"
#include "support/engine_choice.h"

namespace quillon::cipher {
namespace {

constexpr std::size_t kBlock = 16;

int RoundsOf(const AesKeySchedule& schedule) {
    switch (schedule.info & 0xFF) {
        case 160:
            return 10;
        case 192:
            return 12;
        case 224:
            return 14;
        default:
            return 0;
    }
}

const AesModeSet* ModesOf(AesEngineKind kind) {
    switch (kind) {
#if QUILLON_X86
        case AesEngineKind::kVectorPermute:
            return &kAesVectorPermuteModes;
        case AesEngineKind::kInstructions:
            return &kAesInstructionModes;
        case AesEngineKind::kVectorInstructions:
            return &kAesVectorModes;
#endif
        default:
            return &kAesPortableModes;
    }
}

AesEngineKind FastestEngine() {
    if (platform::ProcessorFeatures().vaes) return AesEngineKind::kVectorInstructions;
    if (platform::ProcessorFeatures().aes) return AesEngineKind::kInstructions;
    if (platform::ProcessorFeatures().ssse3) return AesEngineKind::kVectorPermute;
    return AesEngineKind::kPortable;
}

constinit support::EngineChoice<AesModeSet> servingModes;

}  // namespace

const AesModeSet& AesServingModes() {
    return servingModes.Serving([]() -> const AesModeSet& { return *ModesOf(FastestEngine()); });
}

namespace {

// A context without a schedule for the direction asked: no block is changed (nor overwritten
// with an uninitialised temporary), and the IV moves on to the last block as the chain would.
void KeepBlocksWithoutSchedule(const std::uint8_t* data, std::size_t blocks, std::uint8_t* iv) {
    if (blocks != 0) std::memcpy(iv, data + kBlock * (blocks - 1), kBlock);
}

}  // namespace

void AesEcbEncrypt(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t blocks) {
    const int rounds = RoundsOf(schedule);
    if (rounds != 0 && blocks != 0) AesServingModes().ecbEncrypt(schedule, rounds, out, in, blocks);
}

void AesEcbDecrypt(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t blocks) {
    const int rounds = RoundsOf(schedule);
    if (rounds != 0 && blocks != 0) AesServingModes().ecbDecrypt(schedule, rounds, out, in, blocks);
}

void AesCbcEncrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv) {
    const int rounds = RoundsOf(schedule);
    if (rounds == 0) return KeepBlocksWithoutSchedule(data, blocks, iv);
    if (blocks != 0) AesServingModes().cbcEncrypt(schedule, rounds, data, blocks, iv);
}

void AesCbcDecrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv) {
    const int rounds = RoundsOf(schedule);
    if (rounds == 0) return KeepBlocksWithoutSchedule(data, blocks, iv);
    if (blocks != 0) AesServingModes().cbcDecrypt(schedule, rounds, data, blocks, iv);
}

bool AesEngineAvailable(AesEngineKind kind) {
    switch (kind) {
        case AesEngineKind::kPortable:
            return true;
        case AesEngineKind::kVectorPermute:
            return QUILLON_X86 && platform::ProcessorFeatures().ssse3;
        case AesEngineKind::kInstructions:
            return QUILLON_X86 && platform::ProcessorFeatures().aes;
        case AesEngineKind::kVectorInstructions:
            return QUILLON_X86 && platform::ProcessorFeatures().vaes;
    }
    return false;
}

AesEngineKind AesServingEngine() {
    const AesModeSet* serving = &AesServingModes();
    for (const AesEngineKind kind : {AesEngineKind::kVectorPermute, AesEngineKind::kInstructions,
                                     AesEngineKind::kVectorInstructions}) {
        if (AesEngineAvailable(kind) && ModesOf(kind) == serving) return kind;
    }
    return AesEngineKind::kPortable;
}

bool AesServeWithEngine(AesEngineKind kind) {
    if (!AesEngineAvailable(kind)) return false;
    servingModes.Serve(*ModesOf(kind));
    return true;
}

}  // namespace quillon::cipher
