// Toolkit statuses as failure messages show them: the hex number the module's callers see.
#pragma once

#include <cstdint>
#include <ios>
#include <ostream>

#include "toolkit/status.h"

namespace quillon::toolkit {

inline std::ostream& operator<<(std::ostream& out, Status status) {
    const std::ios_base::fmtflags flags = out.flags();
    out << "0x" << std::hex << std::uppercase << static_cast<std::uint32_t>(status);
    out.flags(flags);
    return out;
}

}  // namespace quillon::toolkit
