// CAST-128 (CAST5, RFC 2144) in the uses the profile reader and writer have for it: CBC
// decryption with padding removal, the plain CBC-MAC (ISO/IEC 9797-1 MAC algorithm 1, zero IV,
// zero padding, full 8-byte result), and CBC encryption of whole blocks for the writer.
#pragma once

#include <cstdint>

namespace quillon::profile {

// One key and its streaming state. Made zero-filled by its user, which sets the chaining value,
// the held flag and the buffered count before a decryption and releases it (wiped) afterwards.
struct CastContext {
    // Rounds 1 to 16: masking subkey Km and rotation subkey Kr (low 5 bits).
    struct Subkey {
        std::uint32_t mask;
        std::uint32_t rotate;
    } subkeys[16];
    std::uint8_t blockBuffer[8];  // input bytes waiting to make up a whole block
    std::uint32_t bufferedCount;  // 0 to 7 between calls
    std::uint8_t heldBlock[8];    // last decrypted block: written out, not yet counted
    std::int32_t held;            // 1 while heldBlock is valid
    std::uint8_t chaining[8];     // decryption: IV, then the previous ciphertext; MAC: running MAC
    std::uint16_t keyBits;        // as passed to CastInit, stored even when refused
    std::int32_t macStarted;      // 1 once the MAC has processed a block
    char marker[16];              // kCastMarker after a successful CastInit
    std::uint8_t initialVector[8];  // set by the key derivation, copied into chaining
};

// Written by a successful CastInit; every streaming operation refuses a context without it.
inline constexpr char kCastMarker[16] = "fjde86y73mk28dv";

// What the CAST5 operations return; the numbers are the ones the profile code has always used.
enum class CastStatus : std::int32_t {
    kOk = 0,
    kBadInput = -1,  // padding that is not 1 to 8 (decryption), a partial block (encryption)
    kNoKey = -2,     // a key length CastInit refuses, or a context without a key (no marker)
};

// Clears the subkeys, records keyBits, and for 40 to 128 bits in whole bytes computes the
// schedule from keyBits / 8 key bytes (zero-padded to 16) and writes the marker: kOk. Any other
// length: kNoKey, marker not written (a context that already held one keeps it, with no subkeys).
// Touches neither the streaming state nor the initial vector.
[[nodiscard]] CastStatus CastInit(CastContext& context, const std::uint8_t* key,
                                  std::uint32_t keyBits);

// CBC decryption of length input bytes. The last decrypted block is always held back (written
// but not counted) so the final can strip its padding; on return length holds the number of
// bytes delivered. output needs room for 8 (a held block) + 8 (the buffered block) + the rest
// of the input rounded down to whole blocks. kOk, or kNoKey for a context without the marker
// (nothing changed, length left as it was).
[[nodiscard]] CastStatus CastCbcDecryptUpdate(CastContext& context, const std::uint8_t* input,
                                              std::uint8_t* output, std::uint32_t& length);

// Writes the held block (8 bytes) to output and sets length to its bytes before the padding:
// kOk; kBadInput when its last byte is not 1 to 8 (length 0); nothing held: kOk with length 0.
// Buffered bytes that never made a whole block are dropped. kNoKey for a context without the
// marker.
[[nodiscard]] CastStatus CastCbcDecryptFinal(CastContext& context, std::uint8_t* output,
                                             std::uint32_t& length);

// CBC encryption in place of length bytes (whole blocks, the caller pads), chaining from and
// into the context's chaining value. kOk; kBadInput for a length that is not a multiple of 8;
// kNoKey for a context without the marker (nothing changed either way).
[[nodiscard]] CastStatus CastCbcEncrypt(CastContext& context, std::uint8_t* data,
                                        std::uint32_t length);

// Feeds length bytes to the running CBC-MAC. kOk, or kNoKey for a context without the marker.
[[nodiscard]] CastStatus CastMacUpdate(CastContext& context, const std::uint8_t* data,
                                       std::uint32_t length);

// Zero-pads a partial last block and processes it; an empty message MACs one zero block, a
// message of whole blocks gets no extra block.
void CastMacFinal(CastContext& context);

// Restarts the MAC, runs it over the data and writes the 8-byte result to mac (when not null;
// it also stays in the chaining value): kOk, or kNoKey for a context without the marker.
[[nodiscard]] CastStatus CastMacCompute(CastContext& context, const std::uint8_t* data,
                                        std::uint32_t length, std::uint8_t* mac);

// Restarts the MAC, runs it over the data and compares the 8-byte result with expected in
// constant time: 1 when they match, else 0 (always 0 for a context without the marker).
[[nodiscard]] std::int32_t CastMacVerify(CastContext& context, const std::uint8_t* data,
                                         std::uint32_t length, const std::uint8_t* expected);

}  // namespace quillon::profile
