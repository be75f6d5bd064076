// Locks: the generator's critical section, the process-wide locks, and the system-wide named
// mutex shared with other processes.
#pragma once

#include <cstdint>

namespace quillon::platform {

// A critical section (a pthread mutex on POSIX) that needs no constructor at load: its owner
// creates it before the first Enter (support::Once does that, on first need).
class CriticalSection {
  public:
    constexpr CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Create();
    void Enter();
    void Leave();
    // Deletes it, so that the module leaves nothing behind when it is unloaded; Create makes it
    // again. Only when no thread holds or waits for it.
    void Destroy();

  private:
    alignas(8) unsigned char storage_[48] = {};
};

// Locks for state that every thread of the process shares. Each is usable from the first call,
// needs no set-up and cannot fail, so callers have no error path for it. Not recursive.
enum class ProcessLock : int {
    kRawRsaKeyFileCache,
    kProfileList,  // the parsed credential profile, from load to free
    kRsaBlinding,  // the blinding pairs of RSA private keys, each taken and renewed at once
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
