#include "frame/module_entry.h"

#include "frame/module_release.h"

namespace quillon::frame {
namespace {

// Constant-initialised: nothing runs at load besides the entry itself. The loader serialises
// its calls to the entry, so the attach count needs no lock.
constinit ModuleState theModule{};

}  // namespace

ModuleState& Module() {
    return theModule;
}

void HandleLoaderCall(ModuleState& state, unsigned long reason, platform::CodeRange code) {
    if (reason != platform::kProcessAttach) return;
    if (state.attachCount++ != 0) return;
    state.integrity = MakeIntegrityReference({code.begin, code.size});
}

bool ModuleCodeIntact() {
    return IntegrityHolds(Module().integrity);
}

}  // namespace quillon::frame

namespace quillon::platform {

int ModuleEntry(unsigned long reason) {
    // The code range is only looked up for an attach, the one reason that may need it.
    const CodeRange code = reason == kProcessAttach ? ModuleCodeRange() : CodeRange{};
    frame::HandleLoaderCall(frame::Module(), reason, code);
    return 1;
}

void ModuleRelease() {
    frame::ReleaseModuleState();
}

}  // namespace quillon::platform
