#include "keyagree/raw_rsa_key_file_writer.h"

#include <algorithm>
#include <cstring>

#include "keyagree/raw_rsa_component_mask.h"
#include "keyagree/raw_rsa_key_file.h"
#include "support/hex.h"

namespace quillon::keyagree {
namespace {

std::span<const std::uint8_t> WithoutLeadingZeros(std::span<const std::uint8_t> value) {
    const auto first = std::find_if(value.begin(), value.end(), [](std::uint8_t b) { return b; });
    return value.subspan(static_cast<std::size_t>(first - value.begin()));
}

std::size_t WordCount(std::span<const std::uint8_t> value) {
    return (value.size() + 3) / 4;
}

// Digits of a component: two per byte, or eight per 32-bit word when masked.
std::size_t DigitCount(std::span<const std::uint8_t> value, bool masked) {
    return masked ? 8 * WordCount(value) : 2 * value.size();
}

// Word index of a big-endian magnitude, 0 the least significant.
std::uint32_t WordAt(std::span<const std::uint8_t> value, std::size_t index) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t fromEnd = 4 * index + i;
        if (fromEnd < value.size()) {
            word |= static_cast<std::uint32_t>(value[value.size() - 1 - fromEnd]) << (8 * i);
        }
    }
    return word;
}

char* PutDigits(char* out, std::span<const std::uint8_t> value, bool masked) {
    if (!masked) {
        support::HexEncode(value, out, support::HexCase::kUpper);
        return out + 2 * value.size();
    }
    for (std::size_t index = WordCount(value); index-- > 0;) {
        const std::uint32_t word = KeyFileMaskWord(WordAt(value, index), index);
        for (int shift = 28; shift >= 0; shift -= 4) {
            *out++ = support::HexDigit((word >> shift) & 15, support::HexCase::kUpper);
        }
    }
    return out;
}

}  // namespace

RawRsaKeyParts KeyFilePartsOf(const toolkit::kinds::RsaPrivateParts& key) {
    return {key.modulus, key.publicExponent, key.privateExponent,
            key.prime2,  key.prime1,         key.coefficient};
}

KeyFileWriteStatus KeyFileText(const RawRsaKeyParts& parts, std::string_view tag,
                               support::SecureBuffer& text) {
    text.Reset();
    if (tag.size() != kKeyTagLength ||
        !std::all_of(tag.begin(), tag.end(), [](char c) { return c >= 0x20 && c <= 0x7E; })) {
        return KeyFileWriteStatus::kBadTag;
    }
    const struct {
        char letter;
        std::span<const std::uint8_t> value;
        bool masked;
    } lines[] = {
        {'n', WithoutLeadingZeros(parts.n), false}, {'e', WithoutLeadingZeros(parts.e), false},
        {'d', WithoutLeadingZeros(parts.d), true},  {'p', WithoutLeadingZeros(parts.p), true},
        {'q', WithoutLeadingZeros(parts.q), true},  {'u', WithoutLeadingZeros(parts.u), true}};
    // "x." + tag + ".0x" + digits + "\n"
    constexpr std::size_t kFraming = 2 + kKeyTagLength + 3 + 1;
    std::size_t size = 0;
    for (const auto& line : lines) {
        if (line.value.empty()) return KeyFileWriteStatus::kBadParts;
        size += kFraming + DigitCount(line.value, line.masked);
    }
    support::SecureBuffer out = support::SecureBuffer::Zeroed(size);
    if (!out.ok()) return KeyFileWriteStatus::kNoMemory;
    char* at = reinterpret_cast<char*>(out.data());
    for (const auto& line : lines) {
        *at++ = line.letter;
        *at++ = '.';
        at = std::copy(tag.begin(), tag.end(), at);
        at = std::copy_n(".0x", 3, at);
        at = PutDigits(at, line.value, line.masked);
        *at++ = '\n';
    }
    text = std::move(out);
    return KeyFileWriteStatus::kWritten;
}

}  // namespace quillon::keyagree
