#include "profile/profile_entry_index.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "support/checked_alloc.h"

namespace quillon::profile {
namespace {

// FNV-1a over the section, its terminator and the key: the terminator keeps ("ab", "c") and
// ("a", "bc") apart.
std::uint32_t PairHash(const char* section, const char* key) {
    std::uint32_t hash = 2166136261u;
    for (const char* text : {section, key}) {
        const char* at = text;
        do {
            hash = (hash ^ static_cast<unsigned char>(*at)) * 16777619u;
        } while (*at++ != '\0');
    }
    return hash;
}

bool HoldsPair(const ProfileEntry* entry, const char* section, const char* key) {
    return std::strcmp(entry->section, section) == 0 && std::strcmp(entry->key, key) == 0;
}

}  // namespace

void ProfileEntryIndex::Add(ProfileEntry* head, ProfileEntry* entry) {
    entry->hash = PairHash(entry->section, entry->key);
    entry->bucketNext = nullptr;
    ++entries_;
    // Growing links every entry of the list, this one included.
    if (entries_ >= kIndexedFrom && entries_ > bucketCount_ && Grow(head)) return;
    if (bucketCount_ != 0) Link(entry);
}

ProfileEntry* ProfileEntryIndex::Find(ProfileEntry* head, const char* section,
                                      const char* key) const {
    if (bucketCount_ == 0) {
        for (ProfileEntry* entry = head; entry != nullptr; entry = entry->next) {
            if (HoldsPair(entry, section, key)) return entry;
        }
        return nullptr;
    }
    const std::uint32_t hash = PairHash(section, key);
    for (ProfileEntry* entry = buckets_[hash & (bucketCount_ - 1)]; entry != nullptr;
         entry = entry->bucketNext) {
        if (entry->hash == hash && HoldsPair(entry, section, key)) return entry;
    }
    return nullptr;
}

void ProfileEntryIndex::Clear() {
    support::Release(buckets_);
    buckets_ = nullptr;
    bucketCount_ = 0;
    entries_ = 0;
}

bool ProfileEntryIndex::Grow(ProfileEntry* head) {
    const std::size_t count = bucketCount_ == 0 ? 2 * kIndexedFrom : 2 * bucketCount_;
    auto* buckets = support::NewZeroedArray<ProfileEntry*>(count);
    if (buckets == nullptr) return false;
    support::Release(buckets_);
    buckets_ = buckets;
    bucketCount_ = count;
    for (ProfileEntry* entry = head; entry != nullptr; entry = entry->next) Link(entry);
    return true;
}

void ProfileEntryIndex::Link(ProfileEntry* entry) {
    ProfileEntry*& bucket = buckets_[entry->hash & (bucketCount_ - 1)];
    entry->bucketNext = bucket;
    bucket = entry;
}

}  // namespace quillon::profile
