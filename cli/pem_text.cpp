#include "pem_text.h"

namespace quillon::cli {
namespace {

constexpr std::string_view kBegin = "-----BEGIN ";

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

bool HasPemBlock(std::string_view text) {
    return text.find(kBegin) != std::string_view::npos;
}

bool PemBlocksOf(std::string_view text, std::vector<PemBlock>& blocks, std::string& error) {
    blocks.clear();
    for (std::size_t at = text.find(kBegin); at != std::string_view::npos;
         at = text.find(kBegin, at)) {
        at += kBegin.size();
        const std::size_t labelEnd = text.find("-----", at);
        if (labelEnd == std::string_view::npos) break;
        const std::string_view label = text.substr(at, labelEnd - at);
        const std::size_t bodyStart = labelEnd + 5;
        const std::string end = "-----END " + std::string(label) + "-----";
        const std::size_t bodyEnd = text.find(end, bodyStart);
        if (bodyEnd == std::string_view::npos) {
            error = "a PEM block \"" + std::string(label) + "\" has no end line";
            return false;
        }
        blocks.push_back({label, text.substr(bodyStart, bodyEnd - bodyStart)});
        at = bodyEnd + end.size();
    }
    return true;
}

bool PemDecode(std::string_view body, Bytes& out) {
    out.clear();
    unsigned accumulator = 0;
    int bits = 0, symbols = 0, padding = 0;
    for (const char c : body) {
        if (IsSpace(c)) continue;
        if (c == '=') {
            ++padding;
            ++symbols;
            continue;
        }
        const int value = profile::Base64SextetValue(static_cast<unsigned char>(c));
        if (value < 0 || padding > 0) return false;  // nothing may follow the padding
        ++symbols;
        accumulator = (accumulator << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<std::uint8_t>(accumulator >> bits));
            accumulator &= (1u << bits) - 1;
        }
    }
    return symbols % 4 == 0 && padding <= 2 && accumulator == 0;
}

}  // namespace quillon::cli
