// The raw RSA envelope over key files: a short secret is wrapped as c = (0xFF || secret)^e mod n
// with the public key of a key file and unwrapped with its private key in Chinese-remainder form.
#pragma once

#include <cstdint>

namespace quillon::keyagree {

// Status results; the failures reach the exports' callers as these numbers.
// Out of memory anywhere in a wrap is kRawRsaNoNumber, in an unwrap kRawRsaFailed: never the end
// of the process.
enum class RawRsaStatus : std::int32_t {
    kRawRsaDone = 0,       // the output is in the buffer
    kRawRsaNoNumber = -1,  // plain bytes not made into a number
    kRawRsaKeyFile = -4,   // key file unreadable or component missing
    kRawRsaArgument = -5,  // null path, null buffer or zero length
    kRawRsaFailed = -6,    // the operation failed
};

// The envelope code spells them kRawRsaDone, kRawRsaFailed, ...
using enum RawRsaStatus;

// The number an export hands its caller for a failure.
[[nodiscard]] constexpr std::int32_t ToExportStatus(RawRsaStatus status) {
    return static_cast<std::int32_t>(status);
}

// Output layout: tag, 2-byte big-endian bit count of c, the bytes of c.
inline constexpr std::uint32_t kRawRsaHeader = 10;
// Largest bit count an unwrap accepts.
inline constexpr std::uint32_t kRawRsaMaxBits = 16384;

// Wraps the length plain bytes at the start of buffer, writing tag, bit count and c over it and
// their length to produced: kRawRsaDone, or a failure above. The buffer must have room for 10 +
// the modulus bytes. Removes the key file's cache entry when it succeeds.
[[nodiscard]] RawRsaStatus RawRsaWrap(const char* path, std::uint8_t* buffer, std::uint32_t length,
                                      std::uint32_t& produced);

// Unwraps a wrap output of length bytes in place, writing the plain bytes over the start of
// buffer and their number to produced: kRawRsaDone, or a failure above. Anything that does not
// unwrap to the 0xFF marker and a secret that fits in the buffer (wrong key, damaged input)
// gives kRawRsaFailed and leaves the buffer as it was. The key file's cache entry stays.
[[nodiscard]] RawRsaStatus RawRsaUnwrap(const char* path, std::uint8_t* buffer,
                                        std::uint32_t length, std::uint32_t& produced);

// The low 16 bits of value in big-endian byte order.
[[nodiscard]] std::uint16_t HostToBigEndian16Value(std::uint32_t value);

}  // namespace quillon::keyagree
