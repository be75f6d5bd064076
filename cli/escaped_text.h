// Text from a certificate made safe to print: a certificate is anyone's input, and a name with
// ESC or BEL in it would drive the terminal that shows it.
#pragma once

#include <string>
#include <string_view>

namespace quillon::cli {

// Control characters (C0, DEL, and C1 as UTF-8) and bytes that are not part of well-formed
// UTF-8 become "\XX", two uppercase hex digits, as `openssl x509 -noout -subject` shows them;
// everything else is kept as it is.
[[nodiscard]] std::string EscapedText(std::string_view text);

}  // namespace quillon::cli
