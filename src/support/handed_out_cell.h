// The shape every export shares that gives a caller a new handle: the handle's cell is made,
// filled with the objects it holds, and written into the caller's variable only when all of that
// succeeded. A failure at any step leaves nothing allocated and the caller's variable as it was.
#pragma once

#include <cstdint>
#include <utility>

#include "support/checked_alloc.h"
#include "support/owner.h"

namespace quillon::support {

// What MakeCell returns when the cell itself cannot be allocated.
inline constexpr std::int32_t kNoCell = -1;

// A fresh cell (New<Cell>: zeroed, its members' owners empty) is given to fill, which makes what
// the cell holds and returns 0 or a failure; the cell reaches *handle only on 0, otherwise it is
// deleted with everything fill put into it. Returns fill's result, or kNoCell.
template <class Cell, class Fill>
[[nodiscard]] std::int32_t MakeCell(Cell** handle, Fill&& fill) {
    Owner<Cell, Delete<Cell>> cell(New<Cell>());
    if (cell.get() == nullptr) return kNoCell;
    const std::int32_t result = std::forward<Fill>(fill)(*cell.get());
    if (result == 0) cell.HandOut(handle);
    return result;
}

}  // namespace quillon::support
