// The cell behind an RSA key handle, and the one shape every creating export shares: allocate a
// cell, create a key object in it, give the key its form, and hand the cell out only when all
// of that worked.
#pragma once

#include <cstdint>

#include "toolkit/toolkit.h"

// What the caller's KeyHandle* points at: one toolkit key object.
struct KeyHandle {
    quillon::toolkit::KeyObject* key;
};

namespace quillon::pubkey {

// Gives a fresh, empty key object its form (KeySetInfo with the export's key-info type).
using KeyFormGiver = toolkit::Status (*)(toolkit::KeyObject* key, const void* context);

// Allocates a zeroed cell (-1 when it cannot: *handle left as it was), creates the key object
// and calls give. On success writes the cell into *handle and returns 0; on failure destroys the
// key, frees the cell, sets *handle to null and returns the toolkit status.
[[nodiscard]] std::int32_t CreateKeyHandle(KeyHandle** handle, KeyFormGiver give,
                                           const void* context);

// Destroys the key object in the cell (wiping it) and frees the cell; null is accepted.
void DestroyKeyHandle(KeyHandle*& cell);

}  // namespace quillon::pubkey
