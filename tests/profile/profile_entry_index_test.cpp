#include "profile/profile_entry_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/fnv_colliding_keys.h"

namespace quillon::profile {
namespace {

// Entries of one section in a list, indexed as the parser does: each looked up first (it must
// not exist yet), then appended and added. Returns how many entries the lookups looked at.
std::size_t IndexAndLookUp(std::vector<std::string> keys) {
    std::string section = "Crafted";
    std::vector<ProfileEntry> entries(keys.size());
    ProfileEntryIndex index;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        ProfileEntry* head = i == 0 ? nullptr : &entries[0];
        EXPECT_EQ(index.Find(head, section.c_str(), keys[i].c_str()), nullptr);
        entries[i] = ProfileEntry{};
        entries[i].section = section.data();
        entries[i].key = keys[i].data();
        if (i > 0) entries[i - 1].next = &entries[i];
        index.Add(&entries[0], &entries[i]);
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(index.Find(&entries[0], section.c_str(), keys[i].c_str()), &entries[i]);
    }
    const std::size_t visited = index.VisitedForTesting();
    index.Clear();
    return visited;
}

// Keys that all fall into one bucket of an unkeyed FNV-1a index cost the keyed index no more
// than ordinary keys do: a few entries looked at per lookup, not thousands.
TEST(ProfileEntryIndex, KeysCraftedAgainstAFixedHashDoNotShareABucket) {
    constexpr std::size_t kKeys = 4096;
    const std::vector<std::string> crafted = test::FnvCollidingKeys("Crafted", kKeys);
    for (const std::string& key : crafted) {
        ASSERT_EQ(test::FnvPairHash("Crafted", key) & 0xFFFF,
                  test::FnvPairHash("Crafted", crafted[0]) & 0xFFFF);
    }
    std::vector<std::string> ordinary;
    for (std::size_t i = 0; i < kKeys; ++i) ordinary.push_back("k" + std::to_string(i));

    const std::size_t craftedVisits = IndexAndLookUp(crafted);
    const std::size_t ordinaryVisits = IndexAndLookUp(ordinary);
    // The short list before indexing starts is walked: about kIndexedFrom^2 / 2 visits.
    constexpr std::size_t kWalked =
        ProfileEntryIndex::kIndexedFrom * ProfileEntryIndex::kIndexedFrom;
    EXPECT_LE(craftedVisits, 3 * 2 * kKeys + kWalked);
    EXPECT_LE(ordinaryVisits, 3 * 2 * kKeys + kWalked);
}

}  // namespace
}  // namespace quillon::profile
