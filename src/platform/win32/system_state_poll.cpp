// The system-state poll on Windows: the window-manager and kernel queries of a reseed, in
// their fixed order. Items 20, 21, 24 and 25 share one zeroed 8-byte buffer and no result is
// checked: a failing call contributes what the buffer held before.
#include <windows.h>

#include <cstring>
#include <ctime>

#include "platform/entropy.h"
#include "platform/win32/poll_feed.h"

namespace quillon::platform {

void PollSystemState(PollSink sink, void* context) {
    Feed4(sink, context, GetForegroundWindow());
    Feed4(sink, context, GetCapture());
    Feed4(sink, context, GetClipboardOwner());
    Feed4(sink, context, GetClipboardViewer());
    Feed4(sink, context, GetCurrentProcess());
    Feed4(sink, context, static_cast<std::uint32_t>(GetCurrentProcessId()));
    Feed4(sink, context, GetCurrentThread());
    Feed4(sink, context, static_cast<std::uint32_t>(GetCurrentThreadId()));
    Feed4(sink, context, GetDesktopWindow());
    Feed4(sink, context, GetFocus());
    Feed4(sink, context, static_cast<std::uint32_t>(GetInputState()));
    Feed4(sink, context, static_cast<std::uint32_t>(GetMessagePos()));
    Feed4(sink, context, static_cast<std::uint32_t>(GetMessageTime()));
    Feed4(sink, context, GetOpenClipboardWindow());
    Feed4(sink, context, GetProcessHeap());
    Feed4(sink, context, GetProcessWindowStation());
    // Key, mouse move and buttons, posted messages, timer, paint, hot key, raw input, touch
    // and pointer: the all-events mask without the sent-message bit.
    Feed4(sink, context, static_cast<std::uint32_t>(GetQueueStatus(0x1CBF)));

    std::uint8_t shared[8] = {};
    static_assert(sizeof(POINT) == sizeof shared && sizeof(LARGE_INTEGER) == sizeof shared);
    GetCaretPos(reinterpret_cast<POINT*>(shared));
    sink(context, shared, 8);
    GetCursorPos(reinterpret_cast<POINT*>(shared));
    sink(context, shared, 8);

    // The items keep their lengths on both targets: the first 32 bytes of the memory status and
    // 68 of the start-up information, the whole structures on 32-bit Windows (56 and 104 bytes on
    // 64-bit Windows, whose first bytes hold the same fields).
    MEMORYSTATUS memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    sink(context, &memory, 32);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    sink(context, &startup, 68);

    QueryPerformanceCounter(reinterpret_cast<LARGE_INTEGER*>(shared));
    sink(context, shared, 8);
    const __time64_t now = _time64(nullptr);
    std::memcpy(shared, &now, 8);
    sink(context, shared, 8);
}

}  // namespace quillon::platform
