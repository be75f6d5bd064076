// PEM text (RFC 7468): blocks found by their boundary lines, their Base64 decoded strictly
// (whitespace may break the lines, anything else outside the alphabet is an error).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands.h"

namespace quillon::cli {

struct PemBlock {
    std::string_view label;  // "CERTIFICATE", "PRIVATE KEY", ...
    std::string_view body;   // the Base64 text between the boundary lines
};

// Whether text holds a PEM boundary at all (else it may be DER).
[[nodiscard]] bool HasPemBlock(std::string_view text);

// Every block of text in order; false with a reason in error when one has no end line.
[[nodiscard]] bool PemBlocksOf(std::string_view text, std::vector<PemBlock>& blocks,
                               std::string& error);

// The bytes of a block's body; false when it is not valid Base64.
[[nodiscard]] bool PemDecode(std::string_view body, Bytes& out);

}  // namespace quillon::cli
