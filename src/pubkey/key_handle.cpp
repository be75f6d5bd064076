#include "pubkey/key_handle.h"

#include "support/checked_alloc.h"

namespace quillon::pubkey {

std::int32_t CreateKeyHandle(KeyHandle** handle, KeyFormGiver give, const void* context) {
    auto* cell = static_cast<KeyHandle*>(support::AllocateZeroed(sizeof(KeyHandle)));
    if (cell == nullptr) return -1;
    toolkit::Status status = toolkit::KeyCreate(&cell->key);
    if (status == toolkit::kOk) status = give(cell->key, context);
    if (status != toolkit::kOk) {
        DestroyKeyHandle(cell);
        *handle = nullptr;
        return static_cast<std::int32_t>(status);
    }
    *handle = cell;
    return 0;
}

void DestroyKeyHandle(KeyHandle*& cell) {
    if (cell == nullptr) return;
    (void)toolkit::KeyDestroy(&cell->key);
    support::Release(cell);
    cell = nullptr;
}

}  // namespace quillon::pubkey
