// Owners of blocks from the checked allocator: an array of NewArray, freed when its owner goes,
// and one New'd record holding secrets, wiped before it is freed. Failure paths then have nothing
// to release by hand.
#pragma once

#include <utility>

#include "support/checked_alloc.h"
#include "support/owner.h"
#include "support/secure_wipe.h"

namespace quillon::support {

// Frees a NewArray block and clears the variable (the shape Owner calls).
template <class T>
void ReleaseArray(T** array) {
    Release(std::exchange(*array, nullptr));
}

// Destroys a New'd record and wipes its bytes before they are freed; clears the variable.
template <class T>
void WipeAndDelete(T** object) {
    T* made = std::exchange(*object, nullptr);
    if (made == nullptr) return;
    made->~T();
    WipeAndRelease(made, sizeof(T));
}

// An array of plain values that holds no secret.
template <class T>
using OwnedArray = Owner<T, ReleaseArray<T>>;

// One record whose bytes are secret until they are wiped.
template <class T>
using WipedOwner = Owner<T, WipeAndDelete<T>>;

}  // namespace quillon::support
