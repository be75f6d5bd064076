#include "toolkit/methods/primitives.h"
#include "toolkit/status.h"

namespace quillon::toolkit::methods {
namespace {

std::uint32_t NotSupported() {
    return method::kNotSupported;
}

}  // namespace

constinit const UnsupportedPrimitives kUnsupportedPrimitives = {NotSupported};

}  // namespace quillon::toolkit::methods
