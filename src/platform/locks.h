// Locks: the generator's critical section, the process-wide locks, and the system-wide named
// mutex shared with other processes.
#pragma once

#include <atomic>
#include <cstdint>

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
    // Deletes it if it exists, so that the module leaves nothing behind when it is unloaded;
    // the next Enter creates it again. Only when no thread holds or waits for it.
    void Destroy();

  private:
    static constexpr std::uint32_t kAbsent = 0, kCreating = 1, kReady = 2;
    std::atomic<std::uint32_t> state_{kAbsent};
    alignas(8) unsigned char storage_[48] = {};
};

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

// A system-wide mutex known by name, shared with other processes that use the same name.
// Acquire creates or opens it and waits without time limit; release lets it go and closes it.
struct NamedMutex {
    std::intptr_t handle = -1;
};
[[nodiscard]] NamedMutex AcquireNamedMutex(const char* name);
void ReleaseNamedMutex(NamedMutex mutex);

}  // namespace quillon::platform
