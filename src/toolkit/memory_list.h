// The memory list: every block a toolkit object owns (parameters, key material, handler and
// method state, info arrays). Releasing the list wipes and frees each block, so destroying an
// object cannot forget a secret.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

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

// The typed forms of MemoryAllocate and MemoryCopy, for the plain records and arrays the kinds
// and methods keep in an object's list (nothing is constructed or destroyed: the block is wiped
// and freed as bytes). Each gives null when out of memory or when the size does not fit.
template <class T>
inline constexpr bool kMemoryListHolds = (std::is_trivially_copyable_v<T> &&
                                          std::is_trivially_destructible_v<T>);

// count Ts, zero-filled (a plain record comes out all zero).
template <class T>
[[nodiscard]] T* MemoryNewArray(MemoryList& list, std::size_t count) {
    static_assert(kMemoryListHolds<T>);
    if (count > SIZE_MAX / sizeof(T)) return nullptr;
    return static_cast<T*>(MemoryAllocate(list, count * sizeof(T)));
}

// One T, zero-filled.
template <class T>
[[nodiscard]] T* MemoryNew(MemoryList& list) {
    return MemoryNewArray<T>(list, 1);
}

// One T followed in the same block by tailBytes zero bytes (at MemoryTailOf), for a record and
// the bytes it points at.
template <class T>
[[nodiscard]] T* MemoryNewWithTail(MemoryList& list, std::size_t tailBytes) {
    static_assert(kMemoryListHolds<T>);
    if (tailBytes > SIZE_MAX - sizeof(T)) return nullptr;
    return static_cast<T*>(MemoryAllocate(list, sizeof(T) + tailBytes));
}

// The bytes after a record of MemoryNewWithTail.
template <class T>
[[nodiscard]] std::uint8_t* MemoryTailOf(T* record) {
    return reinterpret_cast<std::uint8_t*>(record + 1);
}

// A copy of count Ts; count 0 gives a valid block, as MemoryCopy does.
template <class T>
[[nodiscard]] T* MemoryCopyOf(MemoryList& list, const T* source, std::size_t count = 1) {
    static_assert(kMemoryListHolds<T>);
    if (count > SIZE_MAX / sizeof(T)) return nullptr;
    return static_cast<T*>(MemoryCopy(list, source, count * sizeof(T)));
}

// Hands an existing block to the list. On failure (out of memory) the block is released at
// once, exactly as the list would have released it, and false is returned.
[[nodiscard]] bool MemoryAdopt(MemoryList& list, void* block, std::uint32_t length,
                               ReleaseOperation release);

// Releases one block of the list early (a buffer being replaced); unknown blocks are ignored.
void MemoryFree(MemoryList& list, void* block);

// Releases every block, then the entry array; the list is empty afterwards.
void MemoryListRelease(MemoryList& list);

}  // namespace quillon::toolkit
