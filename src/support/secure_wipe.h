// Overwrites secrets with zeros in a way the optimiser cannot remove as a dead store.
#pragma once

#include <cstddef>

namespace quillon::support {

void SecureWipe(void* block, std::size_t size);

// Wipes, then frees through the checked allocator; a null block is ignored.
void WipeAndRelease(void* block, std::size_t size);

}  // namespace quillon::support
