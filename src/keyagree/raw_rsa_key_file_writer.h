// Writing one RSA key as the component lines of a raw RSA key file, the form RawRsaPublic and
// RawRsaPrivate read: n and e as they are, d, p, q and u (p^-1 mod q) masked. Not exported: the
// module only reads key files; the quillon command makes them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "support/secure_buffer.h"
#include "toolkit/kinds/rsa_key_der.h"

namespace quillon::keyagree {

// Big-endian unsigned magnitudes (leading zero bytes allowed).
struct RawRsaKeyParts {
    std::span<const std::uint8_t> n, e, d, p, q, u;
};

// The parts of a two-prime PKCS #8 key. Its coefficient is q^-1 mod p, so the file's p and q
// are the key's q and p: the coefficient is then the file's p^-1 mod q, and nothing is computed.
[[nodiscard]] RawRsaKeyParts KeyFilePartsOf(const toolkit::kinds::RsaPrivateParts& key);

enum class KeyFileWriteStatus {
    kWritten,
    kBadTag,    // not 8 characters of 0x20 to 0x7E
    kBadParts,  // a component that is zero
    kNoMemory,
};

// The six lines "<letter>.<tag>.0x<upper-case hex>\n" in the order n, e, d, p, q, u, into text
// (replacing what it held; empty on failure). Masked components are written in whole 8-digit
// words, the others without leading zeros.
[[nodiscard]] KeyFileWriteStatus KeyFileText(const RawRsaKeyParts& parts, std::string_view tag,
                                             support::SecureBuffer& text);

}  // namespace quillon::keyagree
