// A hash index of the profile list by (section, key), under a hash keyed per process. Every line of
// a profile looks its pair up (a new entry must not exist yet, a continuation finds its entry), so
// without an index a load takes time quadratic in the number of entries, all under the profile
// lock.
//
// Short lists are walked instead: an index pays off only from kIndexedFrom entries. An index that
// cannot be allocated or grown leaves lookups correct, only slower, so running out of memory here
// changes no result.
#pragma once

#include <cstddef>

#include "profile/profile_parser.h"

namespace quillon::profile {

class ProfileEntryIndex {
  public:
    static constexpr std::size_t kIndexedFrom = 32;

    constexpr ProfileEntryIndex() = default;

    // Records entry, just appended at the tail of the list that starts at head.
    void Add(ProfileEntry* head, ProfileEntry* entry);
    // The entry of the pair in the list that starts at head, or null.
    [[nodiscard]] ProfileEntry* Find(ProfileEntry* head, const char* section,
                                     const char* key) const;
    // Forgets every entry and releases the index (the list is released by its owner).
    void Clear();

    // How many entries lookups have looked at since the index was made: what a crafted file
    // would drive up.
    [[nodiscard]] std::size_t VisitedForTesting() const { return visited_; }

  private:
    // Rebuilds the buckets at twice the size from the list; false when out of memory.
    bool Grow(ProfileEntry* head);
    // Puts entry at the front of its bucket.
    void Link(ProfileEntry* entry);

    ProfileEntry** buckets_ = nullptr;
    std::size_t bucketCount_ = 0;  // a power of two; 0 while the list is walked
    std::size_t entries_ = 0;
    mutable std::size_t visited_ = 0;
};

}  // namespace quillon::profile
