// The certificates a file holds: PEM "CERTIFICATE" blocks (also "X509 CERTIFICATE" and
// "TRUSTED CERTIFICATE"), or else the whole file as one DER certificate.
#pragma once

#include <string>
#include <vector>

#include "commands.h"

namespace quillon::cli {

// False with a reason in error when the file is empty, is neither PEM nor DER, has a broken PEM
// block or a PEM file holds no certificate.
[[nodiscard]] bool CertificatesOfFile(const Bytes& contents, std::vector<Bytes>& certificates,
                                      std::string& error);

}  // namespace quillon::cli
