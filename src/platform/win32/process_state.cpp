// The process state of the certificate provider's seed on Windows: the NT family's start-up
// information, identifiers and times; the Windows 95 family's tool-help walk, resolved at run
// time because NT 4 lacks those functions; and the values of a seed refresh. No result is
// checked: a failing query contributes what its buffer held before.
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include "platform/entropy.h"
#include "platform/win32/poll_feed.h"

namespace quillon::platform {
namespace {

using TimesQuery = BOOL(WINAPI*)(HANDLE, LPFILETIME, LPFILETIME, LPFILETIME, LPFILETIME);

// Creation, exit, kernel and user time, 8 bytes each.
void FeedTimes(PollSink sink, void* context, TimesQuery query, HANDLE of) {
    FILETIME times[4] = {};
    query(of, &times[0], &times[1], &times[2], &times[3]);
    sink(context, times, sizeof times);
}

// The eleven tool-help functions, looked up in the kernel module by name.
struct ToolHelp {
    HANDLE(WINAPI* createSnapshot)(DWORD, DWORD);
    BOOL(WINAPI* moduleFirst)(HANDLE, LPMODULEENTRY32);
    BOOL(WINAPI* moduleNext)(HANDLE, LPMODULEENTRY32);
    BOOL(WINAPI* processFirst)(HANDLE, LPPROCESSENTRY32);
    BOOL(WINAPI* processNext)(HANDLE, LPPROCESSENTRY32);
    BOOL(WINAPI* threadFirst)(HANDLE, LPTHREADENTRY32);
    BOOL(WINAPI* threadNext)(HANDLE, LPTHREADENTRY32);
    BOOL(WINAPI* heapListFirst)(HANDLE, LPHEAPLIST32);
    BOOL(WINAPI* heapListNext)(HANDLE, LPHEAPLIST32);
    BOOL(WINAPI* heapFirst)(LPHEAPENTRY32, DWORD, ULONG_PTR);
    BOOL(WINAPI* heapNext)(LPHEAPENTRY32);
};

template <typename Function>
bool Resolve(HMODULE kernel, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
    return function != nullptr;
}

bool ResolveToolHelp(ToolHelp& help) {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    if (kernel == nullptr) return false;
    return Resolve(kernel, "CreateToolhelp32Snapshot", help.createSnapshot) &&
           Resolve(kernel, "Module32First", help.moduleFirst) &&
           Resolve(kernel, "Module32Next", help.moduleNext) &&
           Resolve(kernel, "Process32First", help.processFirst) &&
           Resolve(kernel, "Process32Next", help.processNext) &&
           Resolve(kernel, "Thread32First", help.threadFirst) &&
           Resolve(kernel, "Thread32Next", help.threadNext) &&
           Resolve(kernel, "Heap32ListFirst", help.heapListFirst) &&
           Resolve(kernel, "Heap32ListNext", help.heapListNext) &&
           Resolve(kernel, "Heap32First", help.heapFirst) &&
           Resolve(kernel, "Heap32Next", help.heapNext);
}

// Feeds every record of one list, each whole, its size field set as the walk requires.
template <typename Record, typename First, typename Next>
void Walk(PollSink sink, void* context, HANDLE snapshot, First first, Next next) {
    Record record{};
    record.dwSize = sizeof record;
    for (BOOL more = first(snapshot, &record); more; more = next(snapshot, &record)) {
        sink(context, &record, sizeof record);
    }
}

}  // namespace

void PollProcessState(PollSink sink, void* context) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;  // 68
    GetStartupInfoA(&startup);
    sink(context, &startup, 68);
    Feed4(sink, context, static_cast<std::uint32_t>(GetCurrentProcessId()));
    Feed4(sink, context, static_cast<std::uint32_t>(GetCurrentThreadId()));
    FeedTimes(sink, context, GetThreadTimes, GetCurrentThread());
    FeedTimes(sink, context, GetProcessTimes, GetCurrentProcess());
}

// Record sizes on the 32-bit module: 548, 296, 28, 16 and 36 bytes.
bool PollToolHelpSnapshot(PollSink sink, void* context) {
    ToolHelp help{};
    if (!ResolveToolHelp(help)) return false;
    HANDLE snapshot = help.createSnapshot(TH32CS_SNAPALL, 0);
    Walk<MODULEENTRY32>(sink, context, snapshot, help.moduleFirst, help.moduleNext);
    Walk<PROCESSENTRY32>(sink, context, snapshot, help.processFirst, help.processNext);
    Walk<THREADENTRY32>(sink, context, snapshot, help.threadFirst, help.threadNext);
    HEAPLIST32 list{};
    list.dwSize = sizeof list;
    for (BOOL more = help.heapListFirst(snapshot, &list); more;
         more = help.heapListNext(snapshot, &list)) {
        sink(context, &list, sizeof list);
        HEAPENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL block = help.heapFirst(&entry, list.th32ProcessID, list.th32HeapID); block;
             block = help.heapNext(&entry)) {
            sink(context, &entry, sizeof entry);
        }
    }
    if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
    return true;
}

void PollSeedRefresh(PollSink sink, void* context) {
    Feed4(sink, context, GetActiveWindow());
    Feed4(sink, context, GetCapture());
    POINT point{};
    GetCaretPos(&point);
    sink(context, &point, 8);
    Feed4(sink, context, GetClipboardOwner());
    Feed4(sink, context, GetClipboardViewer());
    GetCursorPos(&point);
    sink(context, &point, 8);
    Feed4(sink, context, GetFocus());
    SYSTEMTIME local{};
    GetLocalTime(&local);
    sink(context, &local, 16);
    Feed4(sink, context, static_cast<std::uint32_t>(GetMessagePos()));
    Feed4(sink, context, static_cast<std::uint32_t>(GetMessageTime()));
    Feed4(sink, context, GetOpenClipboardWindow());
    Feed4(sink, context, static_cast<std::uint32_t>(GetQueueStatus(QS_ALLEVENTS)));
    Feed4(sink, context, static_cast<std::uint32_t>(GetTickCount()));
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    sink(context, &counter, 8);
    MEMORYSTATUS memory{};
    memory.dwLength = sizeof memory;  // 32
    GlobalMemoryStatus(&memory);
    sink(context, &memory, 32);
    SIZE_T minimum = 0, maximum = 0;
    GetProcessWorkingSetSize(GetCurrentProcess(), &minimum, &maximum);
    const std::uint32_t workingSet[2] = {static_cast<std::uint32_t>(minimum),
                                         static_cast<std::uint32_t>(maximum)};
    sink(context, workingSet, 8);
    FeedTimes(sink, context, GetProcessTimes, GetCurrentProcess());
    FeedTimes(sink, context, GetThreadTimes, GetCurrentThread());
}

}  // namespace quillon::platform
