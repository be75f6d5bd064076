#include "cipher/aes_engine.h"

#include <bit>
#include <cstring>
#include <utility>

#include "cipher/aes_mode_set.h"

namespace quillon::cipher {
namespace {

static_assert(std::endian::native == std::endian::little,
              "round-key words hold key bytes in memory order");

constexpr std::uint32_t kRoundConstants[10] = {0x01, 0x02, 0x04, 0x08, 0x10,
                                               0x20, 0x40, 0x80, 0x1B, 0x36};

// Calls step<i>() for i = 0 .. count-1, expanded at compile time: the unrolled loop.
template <std::size_t count, typename Step>
inline void Unrolled(Step&& step) {
    [&]<std::size_t... i>(std::index_sequence<i...>) {
        (step.template operator()<i>(), ...);
    }
    (std::make_index_sequence<count>{});
}

constexpr int RoundsFor(int keyWords) {
    return keyWords + 6;
}

// FIPS-197 KeyExpansion for Nk key words; stops at the last word the cipher uses. SubWord is
// the serving engine's: AES instructions, byte shuffles or word arithmetic, never a table.
// RotWord then SubWord is SubWord then RotWord: byte j of the result is S of byte j + 1.
template <int Nk>
void ExpandKey(const std::uint8_t* key, std::uint32_t* w, std::uint32_t (*subWord)(std::uint32_t)) {
    constexpr int kWords = 4 * (RoundsFor(Nk) + 1);
    std::memcpy(w, key, 4 * Nk);
    Unrolled<kWords - Nk>([&]<std::size_t step>() {
        constexpr std::size_t i = Nk + step;
        std::uint32_t t = w[i - 1];
        if constexpr (i % Nk == 0) {
            t = std::rotr(subWord(t), 8) ^ kRoundConstants[i / Nk - 1];
        } else if constexpr (Nk == 8 && i % 8 == 4) {
            t = subWord(t);
        }
        w[i] = w[i - Nk] ^ t;
    });
}

inline void WriteInfo(AesKeySchedule& schedule, int rounds) {
    schedule.info = 0;
    reinterpret_cast<std::uint8_t*>(&schedule.info)[0] = static_cast<std::uint8_t>(rounds * 16);
}

template <int Nk>
void SetEncryptKey(const std::uint8_t* key, AesKeySchedule& schedule) {
    ExpandKey<Nk>(key, schedule.roundKeys, AesServingModes().subWord);
    WriteInfo(schedule, RoundsFor(Nk));
}

// The equivalent inverse cipher's schedule (FIPS-197 5.3.5): the encryption round keys in
// reverse order, InvMixColumns applied to all but the first and the last.
template <int Nk>
void SetDecryptKey(const std::uint8_t* key, AesKeySchedule& schedule) {
    constexpr int kRounds = RoundsFor(Nk);
    const AesModeSet& engine = AesServingModes();
    std::uint32_t* w = schedule.roundKeys;
    ExpandKey<Nk>(key, w, engine.subWord);
    Unrolled<(kRounds + 1) / 2>([&]<std::size_t slot>() {
        constexpr std::size_t mirror = kRounds - slot;
        if constexpr (slot != mirror) {
            for (int column = 0; column < 4; ++column) {
                std::swap(w[4 * slot + column], w[4 * mirror + column]);
            }
        }
    });
    engine.invMixColumns(w + 4, kRounds - 1);
    WriteInfo(schedule, kRounds);
}

}  // namespace

void AesSetEncryptKey128(const std::uint8_t* key, AesKeySchedule& schedule) {
    SetEncryptKey<4>(key, schedule);
}
void AesSetEncryptKey192(const std::uint8_t* key, AesKeySchedule& schedule) {
    SetEncryptKey<6>(key, schedule);
}
void AesSetEncryptKey256(const std::uint8_t* key, AesKeySchedule& schedule) {
    SetEncryptKey<8>(key, schedule);
}
void AesSetDecryptKey128(const std::uint8_t* key, AesKeySchedule& schedule) {
    SetDecryptKey<4>(key, schedule);
}
void AesSetDecryptKey192(const std::uint8_t* key, AesKeySchedule& schedule) {
    SetDecryptKey<6>(key, schedule);
}
void AesSetDecryptKey256(const std::uint8_t* key, AesKeySchedule& schedule) {
    SetDecryptKey<8>(key, schedule);
}
AesKeyStatus AesSetEncryptKey(const std::uint8_t* key, std::int32_t keyLength,
                              AesKeySchedule& schedule) {
    switch (keyLength) {
        case 16:
        case 128:
            AesSetEncryptKey128(key, schedule);
            return kAesKeySet;
        case 24:
        case 192:
            AesSetEncryptKey192(key, schedule);
            return kAesKeySet;
        case 32:
        case 256:
            AesSetEncryptKey256(key, schedule);
            return kAesKeySet;
        default:
            return kAesKeyRefused;
    }
}

AesKeyStatus AesSetDecryptKey(const std::uint8_t* key, std::int32_t keyLength,
                              AesKeySchedule& schedule) {
    switch (keyLength) {
        case 16:
        case 128:
            AesSetDecryptKey128(key, schedule);
            return kAesKeySet;
        case 24:
        case 192:
            AesSetDecryptKey192(key, schedule);
            return kAesKeySet;
        case 32:
        case 256:
            AesSetDecryptKey256(key, schedule);
            return kAesKeySet;
        default:
            return kAesKeyRefused;
    }
}

}  // namespace quillon::cipher
