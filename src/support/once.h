// A one-time preparation that threads may race for: the first caller prepares, callers that
// arrive meanwhile sleep until it has finished. Constant-initialised (no constructor at load) and
// without a lock object, so it suits module-wide state and works before anything is set up.
#pragma once

#include <type_traits>

#include "platform/once_flag.h"

namespace quillon::support {

class Once {
  public:
    constexpr Once() = default;
    Once(const Once&) = delete;
    Once& operator=(const Once&) = delete;

    // Runs prepare() (which returns true when it succeeded) unless a run has succeeded already.
    // A run that fails leaves nothing prepared: the next call, or a caller that was waiting for
    // it, runs prepare again. True when prepared, by this call or an earlier one.
    template <typename Prepare>
    [[nodiscard]] bool Run(Prepare&& prepare) {
        using Callable = std::remove_reference_t<Prepare>;
        return flag_.Run([](void* context) { return (*static_cast<Callable*>(context))(); },
                         const_cast<void*>(static_cast<const void*>(&prepare)));
    }

    // True when a run has succeeded (and no Reset came after it).
    [[nodiscard]] bool Prepared() { return flag_.Done(); }

    // Back to unprepared, so that the next Run prepares again. Only while no other thread uses
    // what the once guards.
    void Reset() { flag_.Reset(); }

  private:
    platform::OnceFlag flag_;
};

}  // namespace quillon::support
