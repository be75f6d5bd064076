#include "toolkit/memory_list.h"

#include <cstring>

#include "support/checked_alloc.h"
#include "support/secure_wipe.h"

namespace quillon::toolkit {
namespace {

void ReleaseEntry(const MemoryEntry& entry) {
    if (entry.release != nullptr) {
        entry.release(entry.block, entry.length);
    } else {
        support::WipeAndRelease(entry.block, entry.length);
    }
}

// The built-in first array belongs to the owner's block, which the owner wipes and frees.
void ReleaseEntryArray(MemoryList& list) {
    if (list.entries != list.firstEntries) {
        support::WipeAndRelease(list.entries, list.capacity * sizeof(MemoryEntry));
    }
}

// Makes room for one more entry.
bool Reserve(MemoryList& list) {
    if (list.count < list.capacity) return true;
    const std::uint32_t capacity = list.capacity + kMemoryListStep;
    auto* entries = support::NewArray<MemoryEntry>(capacity);
    if (entries == nullptr) return false;
    if (list.count != 0) std::memcpy(entries, list.entries, list.count * sizeof(MemoryEntry));
    ReleaseEntryArray(list);
    list.entries = entries;
    list.capacity = capacity;
    return true;
}

}  // namespace

void* MemoryAllocate(MemoryList& list, std::size_t length) {
    if (length > UINT32_MAX || !Reserve(list)) return nullptr;
    void* block = support::AllocateZeroed(length);
    if (block == nullptr) return nullptr;
    list.entries[list.count++] = {block, static_cast<std::uint32_t>(length), nullptr};
    return block;
}

void* MemoryCopy(MemoryList& list, const void* source, std::size_t length) {
    void* block = MemoryAllocate(list, length);
    if (block != nullptr && length != 0) std::memcpy(block, source, length);
    return block;
}

bool MemoryAdopt(MemoryList& list, void* block, std::uint32_t length, ReleaseOperation release) {
    const MemoryEntry entry{block, length, release};
    if (!Reserve(list)) {
        ReleaseEntry(entry);
        return false;
    }
    list.entries[list.count++] = entry;
    return true;
}

void MemoryFree(MemoryList& list, void* block) {
    if (block == nullptr) return;
    for (std::uint32_t i = list.count; i-- > 0;) {
        if (list.entries[i].block != block) continue;
        ReleaseEntry(list.entries[i]);
        list.entries[i] = list.entries[--list.count];
        return;
    }
}

void MemoryListRelease(MemoryList& list) {
    // Newest first: a later block may refer to an earlier one while it is released.
    for (std::uint32_t i = list.count; i-- > 0;) ReleaseEntry(list.entries[i]);
    ReleaseEntryArray(list);
    list = {0, 0, nullptr, list.firstEntries};
}

}  // namespace quillon::toolkit
