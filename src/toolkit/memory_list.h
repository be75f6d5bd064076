// The memory list: every block a toolkit object owns (parameters, key material, handler and
// method state, info arrays). Releasing the list wipes and frees each block, so destroying an
// object cannot forget a secret.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::toolkit {

// Called instead of wipe-and-free for blocks that need their own release (a big number, say).
using ReleaseOperation = void (*)(void* block, std::uint32_t length);

struct MemoryEntry {
    void* block;
    std::uint32_t length;
    ReleaseOperation release;  // null: wipe length bytes, then free
};

// The entry array grows by this many entries at a time.
inline constexpr std::uint32_t kMemoryListStep = 10;

struct MemoryList {
    std::uint32_t count;
    std::uint32_t capacity;
    MemoryEntry* entries;
    // The owner's built-in first array of kMemoryListStep entries (or null): objects carry one,
    // so a typical object needs no separate entry allocation. Never freed by the list.
    MemoryEntry* firstEntries;
};

// An empty list whose first kMemoryListStep entries live in the owner's block.
[[nodiscard]] inline MemoryList MemoryListWithFirstEntries(MemoryEntry* firstEntries) {
    return {0, kMemoryListStep, firstEntries, firstEntries};
}

// A new block of length bytes, zero-filled, owned by the list; null when out of memory.
[[nodiscard]] void* MemoryAllocate(MemoryList& list, std::size_t length);

// A copy of length bytes owned by the list; null when out of memory. length 0 gives a valid
// one-byte block, so a copied empty value is never confused with a failure.
[[nodiscard]] void* MemoryCopy(MemoryList& list, const void* source, std::size_t length);

// Hands an existing block to the list. On failure (out of memory) the block is released at
// once, exactly as the list would have released it, and false is returned.
[[nodiscard]] bool MemoryAdopt(MemoryList& list, void* block, std::uint32_t length,
                               ReleaseOperation release);

// Releases one block of the list early (a buffer being replaced); unknown blocks are ignored.
void MemoryFree(MemoryList& list, void* block);

// Releases every block, then the entry array; the list is empty afterwards.
void MemoryListRelease(MemoryList& list);

}  // namespace quillon::toolkit
