// Calls a cdecl function of a 32-bit module with ESP at a chosen distance below a 16-byte
// boundary, as callers built by other compilers do (they guarantee 4-byte alignment only), and
// records what the callee left in the registers the convention makes it preserve.
#pragma once

#include <cstdint>

namespace quillon::test {

// What the callee left behind, read right after it returned.
struct CallRecord {
    std::uint32_t espAtCall;  // ESP at the call instruction (after the arguments)
    std::uint32_t espAfter;   // must equal espAtCall: the caller removes the arguments
    std::uint32_t ebxAfter;   // must equal kPreservedEbx
    std::uint32_t esiAfter;   // must equal kPreservedEsi
    std::uint32_t ediAfter;   // must equal kPreservedEdi
    std::uint32_t ebpAfter;   // must equal ebpAtCall
    std::uint32_t ebpAtCall;
};

inline constexpr std::uint32_t kPreservedEbx = 0x0B0B0B0Bu;
inline constexpr std::uint32_t kPreservedEsi = 0x05150515u;
inline constexpr std::uint32_t kPreservedEdi = 0x0D1D0D1Du;

}  // namespace quillon::test

// Copies count 32-bit arguments to a stack at 16n - misalignment bytes (misalignment 0, 4, 8 or
// 12), loads EBX, ESI and EDI with the values above, calls function and returns its EAX.
extern "C" std::uint32_t __cdecl QuillonCallAtMisalignment(const void* function,
                                                           const std::uint32_t* arguments,
                                                           std::uint32_t count,
                                                           std::uint32_t misalignment,
                                                           quillon::test::CallRecord* record);
