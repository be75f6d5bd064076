// The system's one-time initialisation (Vista and later): waiters sleep in the kernel until the
// preparation completes; a failed one wakes them and one of them runs it again.
#include <windows.h>

#include "platform/once_flag.h"

namespace quillon::platform {
namespace {

static_assert(sizeof(INIT_ONCE) == sizeof(std::atomic<std::uintptr_t>));

struct Preparation {
    bool (*prepare)(void*);
    void* context;
};

BOOL CALLBACK RunPreparation(PINIT_ONCE, PVOID parameter, PVOID*) {
    const auto* preparation = static_cast<const Preparation*>(parameter);
    return preparation->prepare(preparation->context) ? TRUE : FALSE;
}

// The flag's word is the INIT_ONCE: all-zero is INIT_ONCE_STATIC_INIT, and only the system's
// functions touch it.
PINIT_ONCE InitOnceOf(std::atomic<std::uintptr_t>& word) {
    return reinterpret_cast<PINIT_ONCE>(&word);
}

}  // namespace

bool OnceFlag::Run(bool (*prepare)(void*), void* context) {
    Preparation preparation{prepare, context};
    return InitOnceExecuteOnce(InitOnceOf(word_), RunPreparation, &preparation, nullptr) != FALSE;
}

bool OnceFlag::Done() {
    BOOL pending = FALSE;
    return InitOnceBeginInitialize(InitOnceOf(word_), INIT_ONCE_CHECK_ONLY, &pending, nullptr) !=
               FALSE &&
           pending == FALSE;
}

void OnceFlag::Reset() {
    InitOnceInitialize(InitOnceOf(word_));
}

}  // namespace quillon::platform
