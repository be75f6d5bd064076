#include "profile/profile_entry_index.h"

#include <cstdint>
#include <cstring>

#include "hash/sip_hash.h"
#include "platform/entropy.h"
#include "platform/fine_clock.h"
#include "support/checked_alloc.h"
#include "support/once.h"

namespace quillon::profile {
namespace {

// A profile may come from anyone who can hand a user a file: with a hash known in advance, keys
// that all share a bucket are cheap to make, and the load turns quadratic. The key is drawn
// once per process and never changes, since the index keeps the hashes it made.
support::Once hashKeyDrawn;
hash::SipKey hashKey;

const hash::SipKey& HashKey() {
    (void)hashKeyDrawn.Run([] {
        if (!platform::OsRandomBytes(&hashKey, sizeof hashKey)) {
            // Without the system's source, the clock and where the process was laid out still
            // differ between processes, which keeps a crafted file from working everywhere.
            hashKey.k0 = platform::FineClockCount();
            hashKey.k1 = reinterpret_cast<std::uintptr_t>(&hashKey) ^ platform::FineClockCount();
        }
        return true;
    });
    return hashKey;
}

// The keyed hash of the section, its terminator and the key: the terminator keeps ("ab", "c")
// and ("a", "bc") apart.
std::uint32_t PairHash(const char* section, const char* key) {
    hash::SipHash24 hash(HashKey());
    hash.Update(section, std::strlen(section) + 1);
    hash.Update(key, std::strlen(key) + 1);
    return static_cast<std::uint32_t>(hash.Final());
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
            ++visited_;
            if (HoldsPair(entry, section, key)) return entry;
        }
        return nullptr;
    }
    const std::uint32_t hash = PairHash(section, key);
    for (ProfileEntry* entry = buckets_[hash & (bucketCount_ - 1)]; entry != nullptr;
         entry = entry->bucketNext) {
        ++visited_;
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
