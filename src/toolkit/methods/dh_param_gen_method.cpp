// Diffie-Hellman parameter generation (prime 256 to 4096 bits, private value 128 to 4095 bits).
// No operation of the module generates parameters: the method keeps its place in the chooser
// and answers "not supported".
#include "toolkit/methods/methods.h"

namespace quillon::toolkit::methods {

constinit const Method kDhParamGenMethod = {InfoDhParamGen, 0, nullptr, &kUnsupportedPrimitives};

}  // namespace quillon::toolkit::methods
