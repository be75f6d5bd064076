// The system's cryptographic random source (RtlGenRandom, exported by advapi32 as
// SystemFunction036).
#include <windows.h>

#include <cstdint>

#include "platform/entropy.h"

extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

namespace quillon::platform {

bool OsRandomBytes(void* out, std::size_t size) {
    auto* at = static_cast<std::uint8_t*>(out);
    while (size > 0) {
        const ULONG piece = size > 0x10000 ? 0x10000 : static_cast<ULONG>(size);
        if (!SystemFunction036(at, piece)) return false;
        at += piece;
        size -= piece;
    }
    return true;
}

}  // namespace quillon::platform
