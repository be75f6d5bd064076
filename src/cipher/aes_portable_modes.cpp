// ECB and CBC on word arithmetic, for processors without AES instructions or SSSE3: the state
// as four row words, the S-box computed by GF(2^8) arithmetic on whole words
// (aes_byte_arithmetic.h). A word holds one row of as many blocks as it has 32-bit lanes: two
// on 64-bit processors, one on 32-bit ones. Far slower than the other engines (the S-box is some
// hundreds of word operations), but the same time for any key and data on any processor.
#include <cstring>

#include "cipher/aes_byte_arithmetic.h"
#include "cipher/aes_mode_set.h"
#include "support/secure_wipe.h"

namespace quillon::cipher {
namespace {

using Word = std::uintptr_t;
constexpr std::size_t kBlock = 16;
constexpr std::size_t kLanes = sizeof(Word) / 4;
constexpr Word kLaneOnes = static_cast<Word>(~Word{0} / 0xFFFFFFFFu);

// Row r of a block holds its column c's byte r at bits 8c of the block's lane.
struct State {
    Word row[4];
};

inline State Xor(State a, const State& b) {
    for (int r = 0; r < 4; ++r) a.row[r] ^= b.row[r];
    return a;
}

// lanes blocks (at most kLanes) from in; missing lanes stay zero.
inline State Load(const std::uint8_t* in, std::size_t lanes) {
    State s{};
    for (std::size_t lane = 0; lane < lanes; ++lane) {
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) {
                s.row[r] |= static_cast<Word>(in[kBlock * lane + 4 * c + r]) << (32 * lane + 8 * c);
            }
        }
    }
    return s;
}

inline void Store(std::uint8_t* out, const State& s, std::size_t lanes) {
    for (std::size_t lane = 0; lane < lanes; ++lane) {
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) {
                out[kBlock * lane + 4 * c + r] =
                    static_cast<std::uint8_t>(s.row[r] >> (32 * lane + 8 * c));
            }
        }
    }
}

// Every 32-bit lane rotated right: column c takes column c + bits / 8.
inline Word LaneRotateRight(Word x, int bits) {
    const Word low = kLaneOnes * (0xFFFFFFFFu >> bits);
    return ((x >> bits) & low) | ((x << (32 - bits)) & ~low);
}

// The round keys in row form, the same in every lane. Key material: wiped after use.
struct Keys {
    State key[15];
};

void PrepareKeys(Keys& keys, const AesKeySchedule& schedule, int rounds) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(schedule.roundKeys);
    for (int k = 0; k <= rounds; ++k) keys.key[k] = Load(bytes + kBlock * k, 1);
    for (int k = 0; k <= rounds; ++k) {
        for (Word& row : keys.key[k].row) row *= kLaneOnes;
    }
}

inline State MixColumns(const State& s) {
    const Word all = s.row[0] ^ s.row[1] ^ s.row[2] ^ s.row[3];
    State mixed;
    for (int r = 0; r < 4; ++r) {
        mixed.row[r] = s.row[r] ^ all ^ bytes::Xtime(s.row[r] ^ s.row[(r + 1) % 4]);
    }
    return mixed;
}

// InvMixColumns is MixColumns after adding 4 a_r + 4 a_(r+2) to each row r.
inline State InvMixColumns(State s) {
    const Word even = bytes::Xtime(bytes::Xtime(s.row[0] ^ s.row[2]));
    const Word odd = bytes::Xtime(bytes::Xtime(s.row[1] ^ s.row[3]));
    s.row[0] ^= even;
    s.row[1] ^= odd;
    s.row[2] ^= even;
    s.row[3] ^= odd;
    return MixColumns(s);
}

State Encrypt(State s, const Keys& keys, int rounds) {
    s = Xor(s, keys.key[0]);
    for (int round = 1; round <= rounds; ++round) {
        for (int r = 0; r < 4; ++r) {
            s.row[r] = bytes::SubBytes(s.row[r]);
            if (r != 0) s.row[r] = LaneRotateRight(s.row[r], 8 * r);  // ShiftRows
        }
        if (round != rounds) s = MixColumns(s);
        s = Xor(s, keys.key[round]);
    }
    return s;
}

// The equivalent inverse cipher, whose round keys the decryption schedule holds.
State Decrypt(State s, const Keys& keys, int rounds) {
    s = Xor(s, keys.key[0]);
    for (int round = 1; round <= rounds; ++round) {
        for (int r = 0; r < 4; ++r) {
            s.row[r] = bytes::InvSubBytes(s.row[r]);
            if (r != 0) s.row[r] = LaneRotateRight(s.row[r], 32 - 8 * r);  // InvShiftRows
        }
        if (round != rounds) s = InvMixColumns(s);
        s = Xor(s, keys.key[round]);
    }
    return s;
}

template <bool kEncrypt>
void Ecb(const AesKeySchedule& schedule, int rounds, std::uint8_t* out, const std::uint8_t* in,
         std::size_t blocks) {
    Keys keys;
    PrepareKeys(keys, schedule, rounds);
    while (blocks != 0) {
        const std::size_t lanes = blocks < kLanes ? blocks : kLanes;
        const State s = Load(in, lanes);
        Store(out, kEncrypt ? Encrypt(s, keys, rounds) : Decrypt(s, keys, rounds), lanes);
        in += kBlock * lanes;
        out += kBlock * lanes;
        blocks -= lanes;
    }
    support::SecureWipe(&keys, sizeof keys);
}

void CbcEncrypt(const AesKeySchedule& schedule, int rounds, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    Keys keys;
    PrepareKeys(keys, schedule, rounds);
    State chain = Load(iv, 1);
    for (std::uint8_t* at = data; at != data + kBlock * blocks; at += kBlock) {
        chain = Encrypt(Xor(Load(at, 1), chain), keys, rounds);
        Store(at, chain, 1);
    }
    Store(iv, chain, 1);
    support::SecureWipe(&keys, sizeof keys);
}

// kLanes blocks side by side; each block's chaining value is the ciphertext before it, copied
// before the plaintext is written over it.
void CbcDecrypt(const AesKeySchedule& schedule, int rounds, std::uint8_t* data, std::size_t blocks,
                std::uint8_t* iv) {
    Keys keys;
    PrepareKeys(keys, schedule, rounds);
    std::uint8_t previous[kBlock * kLanes];
    while (blocks != 0) {
        const std::size_t lanes = blocks < kLanes ? blocks : kLanes;
        std::memcpy(previous, iv, kBlock);
        std::memcpy(previous + kBlock, data, kBlock * (lanes - 1));
        std::memcpy(iv, data + kBlock * (lanes - 1), kBlock);
        Store(data, Xor(Decrypt(Load(data, lanes), keys, rounds), Load(previous, lanes)), lanes);
        data += kBlock * lanes;
        blocks -= lanes;
    }
    support::SecureWipe(&keys, sizeof keys);
}

std::uint32_t SubWord(std::uint32_t word) {
    return bytes::SubBytes(word);
}

}  // namespace

constinit const AesModeSet kAesPortableModes = {
    Ecb<true>, Ecb<false>, CbcEncrypt, CbcDecrypt, SubWord, bytes::InvMixColumnsOfRoundKeys};

}  // namespace quillon::cipher
