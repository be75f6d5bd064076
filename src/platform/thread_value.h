// The module's one value per thread.
#pragma once

namespace quillon::platform {

// The certificate layer's name of a refused argument: null in a thread that has not set it.
// Where no slot for it can be had, a set is not kept.
void SetThreadValue(const void* value);
[[nodiscard]] const void* ThreadValue();
// The DLL's slot for it is made at the first set; the loader entry gives it back when the DLL
// unloads, so no load leaves a slot behind.
void ReleaseThreadValueSlot();

}  // namespace quillon::platform
