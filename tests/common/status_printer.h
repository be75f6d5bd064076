// Statuses as failure messages show them: toolkit and certificate statuses as the hex numbers the
// module's callers see, method statuses as their small numbers.
#pragma once

#include <cstdint>
#include <ios>
#include <ostream>

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
