#include "toolkit/methods/primitives.h"
#include "toolkit/status.h"

namespace quillon::toolkit::methods {
namespace {

MethodStatus NotSupported() {
    return method::kNotSupported;
}

}  // namespace

constinit const UnsupportedPrimitives kUnsupportedPrimitives = {NotSupported};

}  // namespace quillon::toolkit::methods
