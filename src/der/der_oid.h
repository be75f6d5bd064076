// OBJECT IDENTIFIER contents (X.690 section 8.19): validation, arcs, dotted text and back.
// The functions work on the contents octets only, without tag and length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "der/der.h"

namespace quillon::der {

// Non-empty, every subidentifier in its shortest base-128 form (no leading 0x80 octet), and
// the last octet ends a subidentifier.
[[nodiscard]] constexpr bool DerOidContentsValid(std::span<const std::uint8_t> contents) {
    if (contents.empty() || (contents.back() & 0x80) != 0) return false;
    bool atStart = true;
    for (const std::uint8_t octet : contents) {
        if (atStart && octet == 0x80) return false;
        atStart = (octet & 0x80) == 0;
    }
    return true;
}

// Text to contents: decimal arcs separated by single dots, at least two, no leading zeros, the
// first 0, 1 or 2, the second below 40 unless the first is 2, every arc within 64 bits. Writes
// into out when it fits; size is the number of contents octets either way. kInvalidArgument for
// text of another form, kBufferTooSmall when out is shorter than size (out may be empty, to
// measure).
[[nodiscard]] constexpr DerStatus DerOidFromText(std::string_view text, std::span<std::uint8_t> out,
                                                 std::size_t& size) {
    size = 0;
    std::uint64_t arcs[2] = {};
    std::size_t arcCount = 0;
    std::size_t at = 0;
    const auto emit = [&](std::uint64_t value) {
        int groups = 1;
        for (std::uint64_t rest = value >> 7; rest != 0; rest >>= 7) ++groups;
        for (int i = groups - 1; i >= 0; --i) {
            const auto octet = static_cast<std::uint8_t>((value >> (7 * i)) & 0x7F);
            if (size < out.size())
                out[size] = static_cast<std::uint8_t>(octet | (i > 0 ? 0x80 : 0));
            ++size;
        }
    };
    while (true) {
        if (at >= text.size() || text[at] < '0' || text[at] > '9')
            return DerStatus::kInvalidArgument;
        if (text[at] == '0' && at + 1 < text.size() && text[at + 1] != '.') {
            return DerStatus::kInvalidArgument;
        }
        std::uint64_t arc = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
            const auto digit = static_cast<std::uint64_t>(text[at] - '0');
            if (arc > (UINT64_MAX - digit) / 10) return DerStatus::kInvalidArgument;
            arc = arc * 10 + digit;
        }
        if (arcCount < 2) {
            arcs[arcCount] = arc;
        } else {
            emit(arc);
        }
        ++arcCount;
        if (arcCount == 2) {
            if (arcs[0] > 2 || (arcs[0] < 2 && arcs[1] >= 40)) return DerStatus::kInvalidArgument;
            if (arcs[1] > UINT64_MAX - 80) return DerStatus::kInvalidArgument;
            emit(arcs[0] * 40 + arcs[1]);
        }
        if (at == text.size()) break;
        if (text[at] != '.') return DerStatus::kInvalidArgument;
        ++at;
    }
    if (arcCount < 2) return DerStatus::kInvalidArgument;
    return size <= out.size() ? DerStatus::kOk : DerStatus::kBufferTooSmall;
}

// An object identifier known when the module is compiled, as contents octets.
struct DerOidConstant {
    std::uint8_t bytes[32] = {};
    std::size_t size = 0;  // 0 when the text was not a valid object identifier

    [[nodiscard]] constexpr std::span<const std::uint8_t> contents() const { return {bytes, size}; }
};

[[nodiscard]] constexpr DerOidConstant MakeDerOid(std::string_view text) {
    DerOidConstant oid;
    std::size_t size = 0;
    if (DerOidFromText(text, oid.bytes, size) == DerStatus::kOk) oid.size = size;
    return oid;
}

[[nodiscard]] constexpr bool DerOidEquals(std::span<const std::uint8_t> contents,
                                          const DerOidConstant& oid) {
    if (contents.size() != oid.size) return false;
    for (std::size_t i = 0; i < oid.size; ++i) {
        if (contents[i] != oid.bytes[i]) return false;
    }
    return true;
}

// PKCS #1 rsaEncryption, and the X.500 RSA algorithm identifier.
inline constexpr DerOidConstant kOidRsaEncryption = MakeDerOid("1.2.840.113549.1.1.1");
inline constexpr DerOidConstant kOidX500Rsa = MakeDerOid("2.5.8.1.1");
// PKCS #7 content types.
inline constexpr DerOidConstant kOidPkcs7Data = MakeDerOid("1.2.840.113549.1.7.1");
inline constexpr DerOidConstant kOidPkcs7SignedData = MakeDerOid("1.2.840.113549.1.7.2");

// Dotted decimal text of valid contents, arcs of any size (UUID arcs under 2.25 have 128 bits).
// length is the number of characters; the text, without a terminator, is written as far as out
// holds it: kBufferTooSmall when out is shorter than length (out may be empty, to measure).
// kBadContents for invalid contents; kOutOfMemory when an arc beyond 64 bits found no room to be
// divided in.
[[nodiscard]] DerStatus DerOidToText(std::span<const std::uint8_t> contents, std::span<char> out,
                                     std::size_t& length);

}  // namespace quillon::der
