// The raw RSA envelope over key files: a short secret is wrapped as c = (0xFF || secret)^e mod n
// with the public key of a key file and unwrapped with its private key in Chinese-remainder form.
#pragma once

#include <cstdint>

namespace quillon::keyagree {

// Status results, as the exports return them.
// Out of memory anywhere in a wrap is kRawRsaNoNumber, in an unwrap kRawRsaFailed: never the end
// of the process.
inline constexpr std::int32_t kRawRsaNoNumber = -1;  // plain bytes not made into a number
inline constexpr std::int32_t kRawRsaKeyFile = -4;   // key file unreadable or component missing
inline constexpr std::int32_t kRawRsaArgument = -5;  // null path, null buffer or zero length
inline constexpr std::int32_t kRawRsaFailed = -6;    // the operation failed

// Output layout: tag, 2-byte big-endian bit count of c, the bytes of c.
inline constexpr std::uint32_t kRawRsaHeader = 10;
// Largest bit count an unwrap accepts.
inline constexpr std::uint32_t kRawRsaMaxBits = 16384;

// Wraps the length plain bytes at the start of buffer, writing tag, bit count and c over it.
// Returns the output length or a status above. The buffer must have room for 10 + the modulus
// bytes. Removes the key file's cache entry when it succeeds.
[[nodiscard]] std::int32_t RawRsaWrap(const char* path, std::uint8_t* buffer, std::uint32_t length);

// Unwraps a wrap output of length bytes in place. Returns the number of plain bytes written over
// the start of buffer, or a status above. Anything that does not unwrap to the 0xFF marker and
// a secret that fits in the buffer (wrong key, damaged input) gives kRawRsaFailed and leaves the
// buffer as it was. The key file's cache entry stays.
[[nodiscard]] std::int32_t RawRsaUnwrap(const char* path, std::uint8_t* buffer,
                                        std::uint32_t length);

// The low 16 bits of value in big-endian byte order.
[[nodiscard]] std::uint16_t HostToBigEndian16Value(std::uint32_t value);

}  // namespace quillon::keyagree
