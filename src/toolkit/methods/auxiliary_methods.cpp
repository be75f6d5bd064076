// The two auxiliary methods of the DefaultChooser: they belong to an algorithm type that no
// operation of the module creates, so they keep their place in the search order and answer
// "not supported".
#include "toolkit/methods/methods.h"

namespace quillon::toolkit::methods {

constinit const Method kAuxiliaryAMethod = {InfoAuxiliaryA, 0, nullptr, &kUnsupportedPrimitives};
constinit const Method kAuxiliaryBMethod = {InfoAuxiliaryB, 0, nullptr, &kUnsupportedPrimitives};

}  // namespace quillon::toolkit::methods
