// The cell behind an RSA key handle, and the one shape every creating export shares: make a
// cell, create a key object in it, give the key its form, and hand the cell out only when all
// of that worked.
#pragma once

#include <cstdint>

#include "toolkit/owners.h"

// What the caller's KeyHandle* points at: one toolkit key object, destroyed (wiped) with the
// cell by support::Delete.
struct KeyHandle {
    quillon::toolkit::OwnedKey key;
};

namespace quillon::pubkey {

// Gives a fresh, empty key object its form (KeySetInfo with the export's key-info type).
using KeyFormGiver = toolkit::Status (*)(toolkit::KeyObject* key, const void* context);

// Makes a cell (-1 when it cannot: *handle left as it was), creates the key object and calls
// give. On success writes the cell into *handle and returns 0; on failure destroys the key,
// frees the cell, sets *handle to null and returns the toolkit status.
[[nodiscard]] std::int32_t CreateKeyHandle(KeyHandle** handle, KeyFormGiver give,
                                           const void* context);

}  // namespace quillon::pubkey
