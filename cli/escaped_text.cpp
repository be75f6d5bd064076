// Well-formed UTF-8 as RFC 3629 defines it: no overlong forms, no surrogates, nothing above
// U+10FFFF.
#include "escaped_text.h"

#include "library_internals.h"

#include <cstddef>

namespace quillon::cli {
namespace {

// Length of the well-formed multi-byte sequence at text[at], 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u;
    };
    const unsigned lead = byte(0);
    unsigned low = 0x80, high = 0xBF;  // the range of the second byte
    std::size_t length;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

void AppendEscaped(std::string& out, unsigned char byte) {
    out += '\\';
    out += support::HexDigit(byte >> 4, support::HexCase::kUpper);
    out += support::HexDigit(byte & 15u, support::HexCase::kUpper);
}

}  // namespace

std::string EscapedText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F) {
                AppendEscaped(out, byte);
            } else {
                out += static_cast<char>(byte);
            }
            ++at;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, at);
        // U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F.
        const bool c1 =
            length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
        if (length == 0 || c1) {
            AppendEscaped(out, byte);  // a C1 control's second byte follows as a stray one
            ++at;
            continue;
        }
        out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

}  // namespace quillon::cli
