// The certificates a file holds: PEM "CERTIFICATE" blocks, or else the whole file as one DER
// certificate.
#pragma once

#include <string>
#include <vector>

#include "commands.h"

namespace quillon::cli {

// False with a reason in error when a PEM block is broken or a PEM file holds no certificate.
[[nodiscard]] bool CertificatesOfFile(const Bytes& contents, std::vector<Bytes>& certificates,
                                      std::string& error);

}  // namespace quillon::cli
