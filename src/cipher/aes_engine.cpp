#include "cipher/aes_engine.h"

#include <bit>
#include <utility>

#include "cipher/aes_block.h"

namespace quillon::cipher {
namespace {

static_assert(std::endian::native == std::endian::little,
              "round-key words hold key bytes in memory order");

using block::Byte;
using block::FL;
using block::Load;
constexpr const auto& IM = kAesTables.inverseMix;

constexpr std::uint32_t kRoundConstants[10] = {0x01, 0x02, 0x04, 0x08, 0x10,
                                               0x20, 0x40, 0x80, 0x1B, 0x36};

// RotWord then SubWord: byte j of the result is S of the word's byte j + 1 (mod 4).
inline std::uint32_t RotSubWord(std::uint32_t w) {
    return FL[0][Byte(w, 1)] ^ FL[1][Byte(w, 2)] ^ FL[2][Byte(w, 3)] ^ FL[3][Byte(w, 0)];
}

inline std::uint32_t SubWord(std::uint32_t w) {
    return FL[0][Byte(w, 0)] ^ FL[1][Byte(w, 1)] ^ FL[2][Byte(w, 2)] ^ FL[3][Byte(w, 3)];
}

inline std::uint32_t InvMixColumn(std::uint32_t w) {
    return IM[0][Byte(w, 0)] ^ IM[1][Byte(w, 1)] ^ IM[2][Byte(w, 2)] ^ IM[3][Byte(w, 3)];
}

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

// FIPS-197 KeyExpansion for Nk key words; stops at the last word the cipher uses.
template <int Nk>
void ExpandKey(const std::uint8_t* key, std::uint32_t* w) {
    constexpr int kWords = 4 * (RoundsFor(Nk) + 1);
    Unrolled<Nk>([&]<std::size_t i>() { w[i] = Load(key + 4 * i); });
    Unrolled<kWords - Nk>([&]<std::size_t step>() {
        constexpr std::size_t i = Nk + step;
        std::uint32_t t = w[i - 1];
        if constexpr (i % Nk == 0) {
            t = RotSubWord(t) ^ kRoundConstants[i / Nk - 1];
        } else if constexpr (Nk == 8 && i % 8 == 4) {
            t = SubWord(t);
        }
        w[i] = w[i - Nk] ^ t;
    });
}

inline void WriteInfo(AesKeySchedule& schedule, int rounds) {
    schedule.info = 0;
    reinterpret_cast<std::uint8_t*>(&schedule.info)[0] = static_cast<std::uint8_t>(rounds * 16);
}

template <int Nk>
int SetEncryptKey(const std::uint8_t* key, AesKeySchedule& schedule) {
    ExpandKey<Nk>(key, schedule.roundKeys);
    WriteInfo(schedule, RoundsFor(Nk));
    return 0;
}

// The equivalent inverse cipher's schedule (FIPS-197 5.3.5): the encryption round keys in
// reverse order, InvMixColumns applied to all but the first and the last.
template <int Nk>
int SetDecryptKey(const std::uint8_t* key, AesKeySchedule& schedule) {
    constexpr int kRounds = RoundsFor(Nk);
    std::uint32_t* w = schedule.roundKeys;
    ExpandKey<Nk>(key, w);
    Unrolled<(kRounds + 1) / 2>([&]<std::size_t slot>() {
        constexpr std::size_t mirror = kRounds - slot;
        if constexpr (slot != mirror) {
            for (int column = 0; column < 4; ++column) {
                std::swap(w[4 * slot + column], w[4 * mirror + column]);
            }
        }
    });
    Unrolled<4 * (kRounds - 1)>([&]<std::size_t i>() { w[4 + i] = InvMixColumn(w[4 + i]); });
    WriteInfo(schedule, kRounds);
    return 0;
}

}  // namespace

int AesSetEncryptKey128(const std::uint8_t* key, AesKeySchedule& schedule) {
    return SetEncryptKey<4>(key, schedule);
}
int AesSetEncryptKey192(const std::uint8_t* key, AesKeySchedule& schedule) {
    return SetEncryptKey<6>(key, schedule);
}
int AesSetEncryptKey256(const std::uint8_t* key, AesKeySchedule& schedule) {
    return SetEncryptKey<8>(key, schedule);
}
int AesSetDecryptKey128(const std::uint8_t* key, AesKeySchedule& schedule) {
    return SetDecryptKey<4>(key, schedule);
}
int AesSetDecryptKey192(const std::uint8_t* key, AesKeySchedule& schedule) {
    return SetDecryptKey<6>(key, schedule);
}
int AesSetDecryptKey256(const std::uint8_t* key, AesKeySchedule& schedule) {
    return SetDecryptKey<8>(key, schedule);
}

int AesSetEncryptKey(const std::uint8_t* key, std::int32_t keyLength, AesKeySchedule& schedule) {
    switch (keyLength) {
        case 16:
        case 128:
            return AesSetEncryptKey128(key, schedule);
        case 24:
        case 192:
            return AesSetEncryptKey192(key, schedule);
        case 32:
        case 256:
            return AesSetEncryptKey256(key, schedule);
        default:
            return -1;
    }
}

int AesSetDecryptKey(const std::uint8_t* key, std::int32_t keyLength, AesKeySchedule& schedule) {
    switch (keyLength) {
        case 16:
        case 128:
            return AesSetDecryptKey128(key, schedule);
        case 24:
        case 192:
            return AesSetDecryptKey192(key, schedule);
        case 32:
        case 256:
            return AesSetDecryptKey256(key, schedule);
        default:
            return -1;
    }
}

}  // namespace quillon::cipher
