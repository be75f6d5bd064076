// The platform seam: the only interface through which the families reach the operating system.
// posix/ and win32/ implement it; nothing outside src/platform/ includes an OS header.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace quillon::platform {

// A range of mapped bytes.
struct CodeRange {
    const std::uint8_t* begin = nullptr;
    std::size_t size = 0;
};

// The executable code of the module this library is linked into, as mapped: the code of the
// shared library or DLL when loaded as one, of the program when linked into a test program.
// An empty range when it cannot be found.
[[nodiscard]] CodeRange ModuleCodeRange();

// The reasons the Windows loader gives DllMain; the loader hooks of both targets pass them.
inline constexpr unsigned long kProcessDetach = 0;
inline constexpr unsigned long kProcessAttach = 1;

// The module's entry, called by the platform's loader hook (DllMain on Windows, the shared
// library's constructor and destructor elsewhere) for every loader call. The module's frame
// defines it; it returns 1 (TRUE) for every reason.
int ModuleEntry(unsigned long reason);

}  // namespace quillon::platform

// ---- Security device (the hardware random device's driver) ------------------------------------

namespace quillon::platform {

// A system-wide mutex known by name, shared with other processes that use the same name.
// Acquire creates or opens it and waits without time limit; release lets it go and closes it.
struct NamedMutex {
    std::intptr_t handle = -1;
};
[[nodiscard]] NamedMutex AcquireNamedMutex(const char* name);
void ReleaseNamedMutex(NamedMutex mutex);

// The operating system's version as the device opening reads it: platform 1 is the Windows 95
// family, 2 the NT family. False when it cannot be asked.
struct OsVersion {
    std::uint32_t platformId = 0;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
};
[[nodiscard]] bool QueryOsVersion(OsVersion& version);

using DeviceHandle = std::uintptr_t;
inline constexpr DeviceHandle kInvalidDevice = ~DeviceHandle{0};

// How a device is opened: the Windows 95 way (no access rights, no sharing, deleted on close)
// or for reading and writing, shared both ways.
enum class DeviceOpenMode { kQueryOnlyDeleteOnClose, kReadWriteShared };

// Opens a device by path; kInvalidDevice when there is none.
[[nodiscard]] DeviceHandle OpenDevice(const char* path, DeviceOpenMode mode);

// One buffered device-control request: buffer (size bytes) goes in and comes back. Whether the
// request reached the driver is not reported; callers read the answer from the buffer.
void DeviceControl(DeviceHandle device, std::uint32_t code, void* buffer, std::uint32_t size);

}  // namespace quillon::platform

// ---- Entropy sources of the module random generator -------------------------------------------

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

// A millisecond tick counter that wraps at 2^32, and a yield of the processor to any other
// ready thread: the two ingredients of the timing-jitter sampler.
[[nodiscard]] std::uint32_t TickCount();
void YieldTimeSlice();

}  // namespace quillon::platform

// ---- The generator lock ------------------------------------------------------------------------

namespace quillon::platform {

// A critical section (a pthread mutex on POSIX) made on first need and never destroyed: whoever
// first enters it creates it, and threads that arrive meanwhile wait until it is ready.
class LazyCriticalSection {
  public:
    constexpr LazyCriticalSection() = default;
    LazyCriticalSection(const LazyCriticalSection&) = delete;
    LazyCriticalSection& operator=(const LazyCriticalSection&) = delete;

    void Enter();
    void Leave();
    // Creates it now if it does not exist yet.
    void EnsureCreated();

  private:
    static constexpr std::uint32_t kAbsent = 0, kCreating = 1, kReady = 2;
    std::atomic<std::uint32_t> state_{kAbsent};
    alignas(8) unsigned char storage_[48] = {};
};

}  // namespace quillon::platform

// ---- Process-wide locks -------------------------------------------------------------------------

namespace quillon::platform {

// Locks for state that every thread of the process shares. Each is usable from the first call,
// needs no set-up and cannot fail, so callers have no error path for it. Not recursive.
enum class ProcessLock : int {
    kRawRsaKeyFileCache,
    kProfileList,  // the parsed credential profile, from load to free
    kCount,
};
void AcquireProcessLock(ProcessLock lock);
void ReleaseProcessLock(ProcessLock lock);

// Holds a process lock for the lifetime of the guard.
class ProcessLockGuard {
  public:
    explicit ProcessLockGuard(ProcessLock lock) : lock_(lock) { AcquireProcessLock(lock_); }
    ~ProcessLockGuard() { ReleaseProcessLock(lock_); }
    ProcessLockGuard(const ProcessLockGuard&) = delete;
    ProcessLockGuard& operator=(const ProcessLockGuard&) = delete;

  private:
    ProcessLock lock_;
};

}  // namespace quillon::platform

// ---- Process state of the certificate provider's seed ------------------------------------------

namespace quillon::platform {

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

// ---- Dynamic libraries ------------------------------------------------------------------------

namespace quillon::platform {

// A library loaded at run time by name (LoadLibraryA / dlopen): null when it cannot be loaded.
// Every successful load is matched by one FreeDynamicLibrary.
using LibraryHandle = void*;
[[nodiscard]] LibraryHandle LoadDynamicLibrary(const char* name);
// The address of an exported function, null when the library lacks it.
[[nodiscard]] void* LibrarySymbol(LibraryHandle library, const char* name);
void FreeDynamicLibrary(LibraryHandle library);

// The calling thread's last system error (GetLastError, errno), read right after a failed call.
[[nodiscard]] std::uint32_t LastSystemError();

}  // namespace quillon::platform

// ---- Files the caller names
// ----------------------------------------------------------------------

namespace quillon::platform {

// Opens path for reading in binary mode when it is a regular file; null when it cannot be opened
// or is anything else (a directory, device, FIFO or socket: reading one may block or never end).
// Opening does not wait for a FIFO's writer. The caller closes the stream with fclose.
[[nodiscard]] std::FILE* OpenRegularFile(const char* path);

}  // namespace quillon::platform

// ---- One value per thread ------------------------------------------------------------------
namespace quillon::platform {

// The module's one per-thread value (the certificate layer's name of a refused argument): null
// in a thread that has not set it. Where no slot for it can be had, a set is not kept.
void SetThreadValue(const void* value);
[[nodiscard]] const void* ThreadValue();
// The DLL's slot for it is made at the first set; the loader entry gives it back when the DLL
// unloads, so no load leaves a slot behind.
void ReleaseThreadValueSlot();

}  // namespace quillon::platform

// ---- libcrypto ----------------------------------------------------------------------------------
namespace quillon::platform {

// Called before the first big-number operation. The DLL's own copy of libcrypto sets up its
// processor capabilities here, once, instead of at load; where libcrypto is a shared library
// that does so itself, nothing happens.
void PrepareCryptoLibrary();

}  // namespace quillon::platform
