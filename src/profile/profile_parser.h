// The credential profile file: sections of key/value entries read into one module-wide list.
//
// Syntax, per line after trailing control characters (below 0x20) are removed:
//   (empty)            ends the current multi-line value
//   [name]anything     starts section "name"; ends the current multi-line value
//   &key=first part    adds an entry and makes it the current multi-line value
//   _anything=part     appends part to the current multi-line value (ignored when none)
//   key=value          adds an entry; ends the current multi-line value
// Lines are read 99 bytes at a time, so a longer line continues as a line of its own. Names
// and values are kept exactly as written (case and spaces significant); keys end at the first
// "=". The pair (section, key) is unique in the list.
//
// The list is module-wide and has no lock of its own: callers serialise every use of it
// (the profile readers hold the profile lock from load to free).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::profile {

struct ProfileEntry {
    ProfileEntry* next;
    ProfileEntry* previous;
    char* section;
    char* key;
    char* value;  // grows when continuation lines are appended
    std::size_t valueLength;
    std::size_t valueCapacity;  // bytes allocated for value, terminator included
    // Kept by the list's index (profile_entry_index.h): the pair's hash, the bucket's next entry.
    std::uint32_t hash;
    ProfileEntry* bucketNext;
};

// ProfileLoad results: the tens digit names the kind of line, the unit digit the fault. Running
// out of memory while copying a line's texts ends the load with that line's x1 code.
enum class ProfileLoadStatus : std::int32_t {
    kProfileLoaded = 0,
    kProfileCannotOpen = 1,
    kProfileSectionWithoutBracket = 11,
    kProfileMultiLineDuplicate = 21,
    kProfileMultiLineEmpty = 22,
    kProfileMultiLineWithoutEquals = 23,
    kProfileMultiLineOutsideSection = 24,
    kProfileContinuationNotAppended = 31,
    kProfileContinuationEmpty = 32,
    kProfileContinuationWithoutEquals = 33,
    kProfileEntryDuplicate = 41,
    kProfileEntryEmpty = 42,
    kProfileEntryWithoutEquals = 43,
    kProfileEntryOutsideSection = 44,
};

// The parser spells them kProfileLoaded, kProfileCannotOpen, ...
using enum ProfileLoadStatus;

// Reads the file at path and appends its entries to the list; kProfileLoaded when the whole file
// was read, else the code of the first faulty line (entries before it stay in the list). A path
// that is not a regular file, or a file larger than support::BoundedFile::kLimit, cannot be opened.
[[nodiscard]] ProfileLoadStatus ProfileLoad(const char* path);

// The first entry with this section and key, or null.
[[nodiscard]] const ProfileEntry* ProfileLookup(const char* section, const char* key);

// Appends a new entry holding copies of the texts: 1; 0 when the pair exists already or memory
// ran out (nothing added then).
[[nodiscard]] int ProfileAddEntry(const char* section, const char* key, const char* value);

// Appends text to the value of the entry (section, key): 1; 0 when there is no such entry or the
// value cannot grow (the value is left as it was).
[[nodiscard]] int ProfileAppendValue(const char* section, const char* key, const char* text);

// Releases every entry; the list is empty afterwards.
void ProfileFree();

// The head of the list (for walking it in file order), null when empty.
[[nodiscard]] const ProfileEntry* ProfileFirstEntry();

}  // namespace quillon::profile
