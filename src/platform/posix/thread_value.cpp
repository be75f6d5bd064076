// The module's per-thread value: a thread-local variable, which the runtime gives back with the
// thread and the shared object.
#include "platform/thread_value.h"

namespace quillon::platform {
namespace {

thread_local const void* value = nullptr;

}  // namespace

void SetThreadValue(const void* newValue) {
    value = newValue;
}

const void* ThreadValue() {
    return value;
}

}  // namespace quillon::platform
