// The toolkit's byte string is the public Item: a pointer to bytes and an unsigned 32-bit length.
// Big integers in an Item are unsigned and big-endian, with no sign byte.
#pragma once

#include "quillon.h"

namespace quillon::toolkit {

using Item = ::Item;

}  // namespace quillon::toolkit
