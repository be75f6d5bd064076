#include "cipher/aes_engine.h"

#include <bit>
#include <cstring>
#include <utility>

#include "cipher/aes_tables.h"

namespace quillon::cipher {
namespace {

static_assert(std::endian::native == std::endian::little,
              "round-key words hold key bytes in memory order");

constexpr const auto& F = kAesTables.forward;
constexpr const auto& FL = kAesTables.forwardLast;
constexpr const auto& I = kAesTables.inverse;
constexpr const auto& IL = kAesTables.inverseLast;
constexpr const auto& IM = kAesTables.inverseMix;

constexpr std::uint32_t kRoundConstants[10] = {0x01, 0x02, 0x04, 0x08, 0x10,
                                               0x20, 0x40, 0x80, 0x1B, 0x36};

inline std::uint32_t Load(const std::uint8_t* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, 4);
    return word;
}

inline void Store(std::uint8_t* bytes, std::uint32_t word) { std::memcpy(bytes, &word, 4); }

inline std::uint32_t Byte(std::uint32_t word, int index) { return (word >> (8 * index)) & 0xFF; }

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
    }(std::make_index_sequence<count>{});
}

constexpr int RoundsFor(int keyWords) { return keyWords + 6; }

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

inline int RoundsOf(const AesKeySchedule& schedule) {
    switch (schedule.info & 0xFF) {
        case 160: return 10;
        case 192: return 12;
        case 224: return 14;
        default: return 0;
    }
}

struct State {
    std::uint32_t s0, s1, s2, s3;
};

// SubBytes, ShiftRows, MixColumns and AddRoundKey in one step.
inline State EncryptRound(const State& s, const std::uint32_t* k) {
    return {F[0][Byte(s.s0, 0)] ^ F[1][Byte(s.s1, 1)] ^ F[2][Byte(s.s2, 2)] ^ F[3][Byte(s.s3, 3)] ^ k[0],
            F[0][Byte(s.s1, 0)] ^ F[1][Byte(s.s2, 1)] ^ F[2][Byte(s.s3, 2)] ^ F[3][Byte(s.s0, 3)] ^ k[1],
            F[0][Byte(s.s2, 0)] ^ F[1][Byte(s.s3, 1)] ^ F[2][Byte(s.s0, 2)] ^ F[3][Byte(s.s1, 3)] ^ k[2],
            F[0][Byte(s.s3, 0)] ^ F[1][Byte(s.s0, 1)] ^ F[2][Byte(s.s1, 2)] ^ F[3][Byte(s.s2, 3)] ^ k[3]};
}

inline State EncryptLastRound(const State& s, const std::uint32_t* k) {
    return {FL[0][Byte(s.s0, 0)] ^ FL[1][Byte(s.s1, 1)] ^ FL[2][Byte(s.s2, 2)] ^ FL[3][Byte(s.s3, 3)] ^ k[0],
            FL[0][Byte(s.s1, 0)] ^ FL[1][Byte(s.s2, 1)] ^ FL[2][Byte(s.s3, 2)] ^ FL[3][Byte(s.s0, 3)] ^ k[1],
            FL[0][Byte(s.s2, 0)] ^ FL[1][Byte(s.s3, 1)] ^ FL[2][Byte(s.s0, 2)] ^ FL[3][Byte(s.s1, 3)] ^ k[2],
            FL[0][Byte(s.s3, 0)] ^ FL[1][Byte(s.s0, 1)] ^ FL[2][Byte(s.s1, 2)] ^ FL[3][Byte(s.s2, 3)] ^ k[3]};
}

inline State DecryptRound(const State& s, const std::uint32_t* k) {
    return {I[0][Byte(s.s0, 0)] ^ I[1][Byte(s.s3, 1)] ^ I[2][Byte(s.s2, 2)] ^ I[3][Byte(s.s1, 3)] ^ k[0],
            I[0][Byte(s.s1, 0)] ^ I[1][Byte(s.s0, 1)] ^ I[2][Byte(s.s3, 2)] ^ I[3][Byte(s.s2, 3)] ^ k[1],
            I[0][Byte(s.s2, 0)] ^ I[1][Byte(s.s1, 1)] ^ I[2][Byte(s.s0, 2)] ^ I[3][Byte(s.s3, 3)] ^ k[2],
            I[0][Byte(s.s3, 0)] ^ I[1][Byte(s.s2, 1)] ^ I[2][Byte(s.s1, 2)] ^ I[3][Byte(s.s0, 3)] ^ k[3]};
}

inline State DecryptLastRound(const State& s, const std::uint32_t* k) {
    return {IL[0][Byte(s.s0, 0)] ^ IL[1][Byte(s.s3, 1)] ^ IL[2][Byte(s.s2, 2)] ^ IL[3][Byte(s.s1, 3)] ^ k[0],
            IL[0][Byte(s.s1, 0)] ^ IL[1][Byte(s.s0, 1)] ^ IL[2][Byte(s.s3, 2)] ^ IL[3][Byte(s.s2, 3)] ^ k[1],
            IL[0][Byte(s.s2, 0)] ^ IL[1][Byte(s.s1, 1)] ^ IL[2][Byte(s.s0, 2)] ^ IL[3][Byte(s.s3, 3)] ^ k[2],
            IL[0][Byte(s.s3, 0)] ^ IL[1][Byte(s.s2, 1)] ^ IL[2][Byte(s.s1, 2)] ^ IL[3][Byte(s.s0, 3)] ^ k[3]};
}

inline State LoadBlock(const std::uint8_t* in, const std::uint32_t* k) {
    return {Load(in) ^ k[0], Load(in + 4) ^ k[1], Load(in + 8) ^ k[2], Load(in + 12) ^ k[3]};
}

inline void StoreBlock(std::uint8_t* out, const State& s) {
    Store(out, s.s0);
    Store(out + 4, s.s1);
    Store(out + 8, s.s2);
    Store(out + 12, s.s3);
}

// The round count picks the entry point: 14 rounds run two and fall into the 12-round
// sequence, which runs two and falls into the 10-round sequence.
template <State (*Round)(const State&, const std::uint32_t*),
          State (*LastRound)(const State&, const std::uint32_t*)>
inline int CryptBlock(const std::uint8_t* in, std::uint8_t* out, const AesKeySchedule& schedule) {
    const int rounds = RoundsOf(schedule);
    if (rounds == 0) return -1;
    const std::uint32_t* k = schedule.roundKeys;
    State s = LoadBlock(in, k);
    switch (rounds) {
        case 14:
            s = Round(s, k + 4);
            s = Round(s, k + 8);
            k += 8;
            [[fallthrough]];
        case 12:
            s = Round(s, k + 4);
            s = Round(s, k + 8);
            k += 8;
            [[fallthrough]];
        default:
            s = Round(s, k + 4);
            s = Round(s, k + 8);
            s = Round(s, k + 12);
            s = Round(s, k + 16);
            s = Round(s, k + 20);
            s = Round(s, k + 24);
            s = Round(s, k + 28);
            s = Round(s, k + 32);
            s = Round(s, k + 36);
            s = LastRound(s, k + 40);
    }
    StoreBlock(out, s);
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
        case 16: case 128: return AesSetEncryptKey128(key, schedule);
        case 24: case 192: return AesSetEncryptKey192(key, schedule);
        case 32: case 256: return AesSetEncryptKey256(key, schedule);
        default: return -1;
    }
}

int AesSetDecryptKey(const std::uint8_t* key, std::int32_t keyLength, AesKeySchedule& schedule) {
    switch (keyLength) {
        case 16: case 128: return AesSetDecryptKey128(key, schedule);
        case 24: case 192: return AesSetDecryptKey192(key, schedule);
        case 32: case 256: return AesSetDecryptKey256(key, schedule);
        default: return -1;
    }
}

int AesEncryptBlock(const std::uint8_t* in, std::uint8_t* out, const AesKeySchedule& schedule) {
    return CryptBlock<EncryptRound, EncryptLastRound>(in, out, schedule);
}

int AesDecryptBlock(const std::uint8_t* in, std::uint8_t* out, const AesKeySchedule& schedule) {
    return CryptBlock<DecryptRound, DecryptLastRound>(in, out, schedule);
}

}  // namespace quillon::cipher
