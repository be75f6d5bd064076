// Owners of toolkit objects: an algorithm or key object is destroyed, and everything it holds
// wiped, when its owner goes out of scope. Make one with AlgCreate(owner.Receive()).
#pragma once

#include "support/owner.h"
#include "toolkit/toolkit.h"

namespace quillon::toolkit {

using OwnedAlg = support::Owner<AlgObject, AlgDestroy>;
using OwnedKey = support::Owner<KeyObject, KeyDestroy>;

}  // namespace quillon::toolkit
