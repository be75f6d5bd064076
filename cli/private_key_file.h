// An RSA private key as people keep it: PEM "PRIVATE KEY" (PKCS #8) or "RSA PRIVATE KEY"
// (PKCS #1), or the DER of either; handed on as PKCS #8 DER, what RsaCreatePrivateKey takes.
#pragma once

#include <string>

#include "commands.h"

namespace quillon::cli {

// The key of the file's contents as PKCS #8 DER, and its parts (views into pkcs8). False with a
// reason in error for anything else, an encrypted key or a key that is not RSA among them.
[[nodiscard]] bool RsaPrivateKeyOfFile(const Bytes& contents, Bytes& pkcs8,
                                       toolkit::kinds::RsaPrivateParts& parts, std::string& error);

}  // namespace quillon::cli
