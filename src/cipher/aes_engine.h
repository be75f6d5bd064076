// AES (FIPS-197) key setup, every step unrolled, its S-box and InvMixColumns on the engine that
// serves (aes_modes.h): the same schedule bytes on every engine. Key schedules belong to the
// callers; nothing here keeps state.
#pragma once

#include <cstdint>

namespace quillon::cipher {

// The schedule of one direction: the round keys in the order the cipher uses them (44, 52 or
// 60 words; later words stay as they were) and an info word whose low byte is rounds * 16.
// Each word holds four consecutive key bytes in memory order, so as bytes the schedule reads
// exactly as FIPS-197 writes the round keys.
struct AesKeySchedule {
    std::uint32_t roundKeys[60];
    std::uint32_t info;
};
static_assert(sizeof(AesKeySchedule) == 61 * 4);

// What the key setup returns; the numbers are the ones AesCreateContext hands its caller.
enum class AesKeyStatus : std::int32_t {
    kAesKeySet = 0,      // the schedule holds the key
    kAesKeyRefused = 1,  // a key length other than the six below: the schedule stays as it was
};

// The key setup code spells them kAesKeySet, kAesKeyRefused.
using enum AesKeyStatus;

// The number an export hands its caller.
[[nodiscard]] constexpr std::int32_t ToExportStatus(AesKeyStatus status) {
    return static_cast<std::int32_t>(status);
}

// keyLength in bytes or in bits: 16/128, 24/192, 32/256.
[[nodiscard]] AesKeyStatus AesSetEncryptKey(const std::uint8_t* key, std::int32_t keyLength,
                                            AesKeySchedule& schedule);
[[nodiscard]] AesKeyStatus AesSetDecryptKey(const std::uint8_t* key, std::int32_t keyLength,
                                            AesKeySchedule& schedule);

// One key size each: these cannot fail.
void AesSetEncryptKey128(const std::uint8_t* key, AesKeySchedule& schedule);
void AesSetEncryptKey192(const std::uint8_t* key, AesKeySchedule& schedule);
void AesSetEncryptKey256(const std::uint8_t* key, AesKeySchedule& schedule);
void AesSetDecryptKey128(const std::uint8_t* key, AesKeySchedule& schedule);
void AesSetDecryptKey192(const std::uint8_t* key, AesKeySchedule& schedule);
void AesSetDecryptKey256(const std::uint8_t* key, AesKeySchedule& schedule);

}  // namespace quillon::cipher
