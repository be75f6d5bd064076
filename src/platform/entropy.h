// Entropy sources: the system state mixed into each reseed of the module random generator,
// the process state that seeds the certificate provider, and the operating system's random
// source.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::platform {

// Receives one poll item: its bytes as the platform returned them.
using PollSink = void (*)(void* context, const void* bytes, std::uint32_t length);

// Feeds the 23 system-state items of a reseed to sink, in their fixed order and lengths:
// seventeen 4-byte values (window, process and thread handles and identifiers, input and
// queue state), caret and cursor positions (8 each), memory status (32), start-up information
// (68), performance counter (8) and calendar time (8); 212 - 12 = 200 bytes in all.
void PollSystemState(PollSink sink, void* context);

// Bytes from the operating system's cryptographic random source; false when it failed.
[[nodiscard]] bool OsRandomBytes(void* out, std::size_t size);

// Feeds the NT family's process items to sink, in order: the start-up information (68 bytes),
// the process and thread identifiers (4 each), then the creation, exit, kernel and user times
// (8 each, 100-nanosecond units) of the current thread, then of the current process.
void PollProcessState(PollSink sink, void* context);

// The Windows 95 family's tool-help walk: a snapshot whose every module, process, thread,
// heap-list and heap entry record is fed whole (548, 296, 28, 16 and 36 bytes). False, feeding
// nothing, when one of the eleven tool-help functions is missing.
[[nodiscard]] bool PollToolHelpSnapshot(PollSink sink, void* context);

// The fresh values of a seed refresh, in order and with their lengths: active window (4),
// capture (4), caret position (8), clipboard owner (4), clipboard viewer (4), cursor position
// (8), focus (4), local time (16), message position (4), message time (4), open clipboard window
// (4), queue status (4), tick count (4), performance counter (8), memory status (32), working
// set size (8), then the creation, exit, kernel and user times of the process and of the thread
// (32 each).
void PollSeedRefresh(PollSink sink, void* context);

}  // namespace quillon::platform
