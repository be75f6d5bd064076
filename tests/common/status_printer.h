// Statuses as failure messages show them: toolkit and certificate statuses as the hex numbers the
// module's callers see, method statuses as their small numbers, the other families' statuses
// (AES key setup, CAST5, profile loading, the security device) as their numbers.
#pragma once

#include <cstdint>
#include <ios>
#include <ostream>

#include "cipher/aes_engine.h"
#include "device/isd_device.h"
#include "profile/cast5.h"
#include "profile/profile_parser.h"
#include "toolkit/cert/cert_status.h"
#include "toolkit/status.h"

namespace quillon::test {

inline std::ostream& PrintHex(std::ostream& out, std::uint32_t number) {
    const std::ios_base::fmtflags flags = out.flags();
    out << "0x" << std::hex << std::uppercase << number;
    out.flags(flags);
    return out;
}

}  // namespace quillon::test

namespace quillon::toolkit {

inline std::ostream& operator<<(std::ostream& out, Status status) {
    return test::PrintHex(out, static_cast<std::uint32_t>(status));
}

inline std::ostream& operator<<(std::ostream& out, MethodStatus status) {
    return out << "method status " << static_cast<std::uint32_t>(status);
}

namespace cert {
inline std::ostream& operator<<(std::ostream& out, CertStatus status) {
    return test::PrintHex(out, static_cast<std::uint32_t>(status));
}
}  // namespace cert

}  // namespace quillon::toolkit

namespace quillon::cipher {

inline std::ostream& operator<<(std::ostream& out, AesKeyStatus status) {
    return out << "AES key status " << static_cast<std::int32_t>(status);
}

}  // namespace quillon::cipher

namespace quillon::profile {

inline std::ostream& operator<<(std::ostream& out, CastStatus status) {
    return out << "CAST5 status " << static_cast<std::int32_t>(status);
}

inline std::ostream& operator<<(std::ostream& out, ProfileLoadStatus status) {
    return out << "load status " << static_cast<std::int32_t>(status);
}

}  // namespace quillon::profile

namespace quillon::device {

inline std::ostream& operator<<(std::ostream& out, IsdStatus status) {
    return test::PrintHex(out, static_cast<std::uint32_t>(status));
}

}  // namespace quillon::device
