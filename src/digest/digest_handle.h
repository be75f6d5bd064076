// The digest handle: a block holding one toolkit digest object (SHA-1 or MD5), initialised for
// digesting. The block does not record the algorithm; the object knows it. The object is built in
// the handle's own block (AlgCreateIn), so a digest costs one allocation.
#pragma once

#include "toolkit/owners.h"

struct DigestHandle {
    // Before its owner, so that the object outlives the owner that destroys it.
    quillon::toolkit::AlgObject storage;
    quillon::toolkit::OwnedAlg object;
};

namespace quillon::digest {

// A handle whose object was made and initialised. Create hands out a handle even when the
// toolkit could not make or initialise its object; such a handle ignores every update and its
// final writes nothing.
[[nodiscard]] inline bool DigestHandleIsLive(const DigestHandle* handle) {
    return handle != nullptr && toolkit::IsAlgObject(handle->object) &&
           (handle->object->flags & toolkit::kFlagInitialized) != 0;
}

}  // namespace quillon::digest
