// The DLL links its own copy of libcrypto, built without the load-time constructor its x86
// assembly registers (the DLL runs no foreign code at load): the processor capabilities that
// constructor would have set up are set up here, once, before the first big number, and so is
// the copy's secure heap, from which secret numbers take their limbs.
#include <windows.h>

#include <openssl/crypto.h>

#include "platform/crypto_library.h"
#include "platform/once_flag.h"

// libcrypto's own set-up of OPENSSL_ia32cap_P; not in its public headers.
extern "C" void OPENSSL_cpuid_setup(void);

namespace quillon::platform {
namespace {

// Room for the secret numbers of a few dozen 2048-bit keys held at once and of the operations
// in flight. Small enough that locking it fits the default minimum working set (50 pages), so
// the module changes no process-wide limit; when the system refuses the lock anyway, the heap
// still serves, wiped on free but swappable.
constexpr std::size_t kSecureHeapBytes = 128 * 1024;
// The smallest block libcrypto hands out from it: one 64-bit limb pair.
constexpr std::size_t kSecureHeapGrain = 16;

OnceFlag capabilities;
// Apart from the capabilities: the heap is given back with the module's state and made again.
OnceFlag secureHeap;
// The secure heap's allocation, as registered with Windows Error Reporting; null when not.
void* excludedFromDumps = nullptr;

using RegisterExcludedBlock = HRESULT(WINAPI*)(const void*, DWORD);
using UnregisterExcludedBlock = HRESULT(WINAPI*)(const void*);

template <typename Function>
Function KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

// Keeps the secure heap out of the crash dumps Windows Error Reporting writes, where the
// system offers it (Windows 10 1709 and later); elsewhere dumps may hold it. libcrypto does not
// say where its heap lies: one block taken from it shows the allocation, guard pages and all.
void ExcludeSecureHeapFromDumps() {
    const auto exclude = KernelFunction<RegisterExcludedBlock>("WerRegisterExcludedMemoryBlock");
    if (exclude == nullptr) return;
    void* probe = OPENSSL_secure_malloc(1);
    if (probe == nullptr) return;
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(probe, &region, sizeof region) == 0) {
        OPENSSL_secure_free(probe);
        return;
    }
    char* const base = static_cast<char*>(region.AllocationBase);
    char* end = base;
    while (VirtualQuery(end, &region, sizeof region) != 0 && region.AllocationBase == base) {
        end = static_cast<char*>(region.BaseAddress) + region.RegionSize;
    }
    OPENSSL_secure_free(probe);
    const auto size = static_cast<std::size_t>(end - base);
    if (size <= MAXDWORD && SUCCEEDED(exclude(base, static_cast<DWORD>(size)))) {
        excludedFromDumps = base;
    }
}

bool SetUpCapabilities(void*) {
    OPENSSL_cpuid_setup();
    return true;
}

bool SetUpSecureHeap(void*) {
    // 0 is a failure to map the heap: secure allocations then come from the ordinary heap,
    // wiped on free, as where no secure heap exists.
    if (CRYPTO_secure_malloc_init(kSecureHeapBytes, kSecureHeapGrain) != 0) {
        ExcludeSecureHeapFromDumps();
    }
    return true;
}

}  // namespace

void PrepareCryptoLibrary() {
    (void)capabilities.Run(SetUpCapabilities, nullptr);
    (void)secureHeap.Run(SetUpSecureHeap, nullptr);
}

void ReleaseSecureHeap() {
    if (!secureHeap.Done()) return;
    // libcrypto refuses while a secret number is still alive in the heap (a key the caller
    // never released): the heap then stays, still kept out of dumps.
    if (CRYPTO_secure_malloc_initialized() != 0 && CRYPTO_secure_malloc_done() == 0) return;
    if (excludedFromDumps != nullptr) {
        const auto include =
            KernelFunction<UnregisterExcludedBlock>("WerUnregisterExcludedMemoryBlock");
        if (include != nullptr) (void)include(excludedFromDumps);
        excludedFromDumps = nullptr;
    }
    secureHeap.Reset();
}

}  // namespace quillon::platform
