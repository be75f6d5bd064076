#include "pubkey/key_handle.h"

#include "support/handed_out_cell.h"
#include "toolkit/status.h"

namespace quillon::pubkey {

std::int32_t CreateKeyHandle(KeyHandle** handle, KeyFormGiver give, const void* context) {
    const std::int32_t result = support::MakeCell(handle, [&](KeyHandle& cell) {
        if (const toolkit::Status status = toolkit::KeyCreate(cell.key.Receive());
            status != toolkit::kOk) {
            return toolkit::ToExportStatus(status);
        }
        return toolkit::ToExportStatus(give(cell.key, context));
    });
    // A key that could not be made clears the caller's variable; a cell that could not be
    // allocated leaves it alone.
    if (result != 0 && result != support::kNoCell) *handle = nullptr;
    return result;
}

}  // namespace quillon::pubkey
