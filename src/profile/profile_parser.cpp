#include "profile/profile_parser.h"

#include <cstring>

#include "profile/profile_entry_index.h"
#include "profile/profile_text_file.h"
#include "support/checked_alloc.h"

namespace quillon::profile {
namespace {

// The one parsed profile of the module (see the header for who serialises access).
constinit ProfileEntry* listHead = nullptr;
constinit ProfileEntry* listTail = nullptr;
constinit ProfileEntryIndex listIndex;

// An own copy of a text from the checked allocator, released when it goes out of scope.
class OwnedText {
  public:
    OwnedText() = default;
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
    ~OwnedText() { Reset(); }

    // Replaces the text with a copy of length bytes at text; false (and empty) when out of memory.
    [[nodiscard]] bool Assign(const char* text, std::size_t length) {
        Reset();
        text_ = support::NewArray<char>(length + 1);
        if (text_ == nullptr) return false;
        std::memcpy(text_, text, length);
        text_[length] = '\0';
        return true;
    }
    void Reset() {
        support::Release(text_);
        text_ = nullptr;
    }
    [[nodiscard]] const char* get() const { return text_; }

  private:
    char* text_ = nullptr;
};

ProfileEntry* FindEntry(const char* section, const char* key) {
    return listIndex.Find(listHead, section, key);
}

char* CopyText(const char* text) {
    const std::size_t length = std::strlen(text);
    auto* copy = support::NewArray<char>(length + 1);
    if (copy != nullptr) std::memcpy(copy, text, length + 1);
    return copy;
}

void ReleaseEntry(ProfileEntry* entry) {
    support::Release(entry->section);
    support::Release(entry->key);
    support::Release(entry->value);
    support::Release(entry);
}

// Removes the control characters (below 0x20, bytes compared unsigned) that end the line:
// LF, CR, tab and the like. Trailing spaces stay.
std::size_t StripLineEnd(char* line) {
    std::size_t length = std::strlen(line);
    while (length != 0 && static_cast<unsigned char>(line[length - 1]) < 0x20) --length;
    line[length] = '\0';
    return length;
}

// Loads one open file; the current section and multi-line key are released on every return.
ProfileLoadStatus LoadLines(ProfileTextFile& file) {
    OwnedText section;
    OwnedText multiLineKey;
    char line[ProfileTextFile::kLineBufferSize];
    while (file.ReadLine(line)) {
        const std::size_t length = StripLineEnd(line);
        if (length == 0) {
            multiLineKey.Reset();
            continue;
        }
        switch (line[0]) {
            case '[': {
                multiLineKey.Reset();
                section.Reset();
                const char* close = std::strchr(line + 1, ']');
                if (close == nullptr) return kProfileSectionWithoutBracket;
                if (!section.Assign(line + 1, static_cast<std::size_t>(close - (line + 1)))) {
                    return kProfileSectionWithoutBracket;
                }
                break;
            }
            case '&': {
                multiLineKey.Reset();
                if (section.get() == nullptr) return kProfileMultiLineOutsideSection;
                char* equals = std::strchr(line + 1, '=');
                if (equals == nullptr) return kProfileMultiLineWithoutEquals;
                *equals = '\0';
                const char* key = line + 1;
                const char* value = equals + 1;
                if (*key == '\0' || *value == '\0') return kProfileMultiLineEmpty;
                if (!multiLineKey.Assign(key, std::strlen(key))) return kProfileMultiLineDuplicate;
                if (ProfileAddEntry(section.get(), key, value) == 0) {
                    return kProfileMultiLineDuplicate;
                }
                break;
            }
            case '_': {
                if (section.get() == nullptr || multiLineKey.get() == nullptr) break;
                const char* equals = std::strchr(line + 1, '=');
                if (equals == nullptr) return kProfileContinuationWithoutEquals;
                if (equals[1] == '\0') return kProfileContinuationEmpty;
                if (ProfileAppendValue(section.get(), multiLineKey.get(), equals + 1) == 0) {
                    return kProfileContinuationNotAppended;
                }
                break;
            }
            default: {
                multiLineKey.Reset();
                if (section.get() == nullptr) return kProfileEntryOutsideSection;
                char* equals = std::strchr(line, '=');
                if (equals == nullptr) return kProfileEntryWithoutEquals;
                *equals = '\0';
                const char* value = equals + 1;
                if (line[0] == '\0' || *value == '\0') return kProfileEntryEmpty;
                if (ProfileAddEntry(section.get(), line, value) == 0) return kProfileEntryDuplicate;
                break;
            }
        }
    }
    return kProfileLoaded;
}

}  // namespace

ProfileLoadStatus ProfileLoad(const char* path) {
    ProfileTextFile file;
    if (!file.Open(path)) return kProfileCannotOpen;
    const ProfileLoadStatus status = LoadLines(file);
    // Larger than any profile: refused like a file that cannot be opened, whatever the cut-off
    // line looked like.
    return file.TooLarge() ? kProfileCannotOpen : status;
}

const ProfileEntry* ProfileLookup(const char* section, const char* key) {
    return FindEntry(section, key);
}

int ProfileAddEntry(const char* section, const char* key, const char* value) {
    if (FindEntry(section, key) != nullptr) return 0;
    auto* entry = support::New<ProfileEntry>();
    if (entry == nullptr) return 0;
    entry->section = CopyText(section);
    entry->key = CopyText(key);
    entry->value = CopyText(value);
    if (entry->section == nullptr || entry->key == nullptr || entry->value == nullptr) {
        // All or nothing: a half-copied entry would answer lookups with the wrong text.
        ReleaseEntry(entry);
        return 0;
    }
    entry->valueLength = std::strlen(value);
    entry->valueCapacity = entry->valueLength + 1;
    entry->previous = listTail;
    if (listTail != nullptr) {
        listTail->next = entry;
    } else {
        listHead = entry;
    }
    listTail = entry;
    listIndex.Add(listHead, entry);
    return 1;
}

int ProfileAppendValue(const char* section, const char* key, const char* text) {
    ProfileEntry* entry = FindEntry(section, key);
    if (entry == nullptr) return 0;
    const std::size_t textLength = std::strlen(text);
    const std::size_t needed = entry->valueLength + textLength + 1;
    if (needed > entry->valueCapacity) {
        // Doubling keeps a value of many continuation lines linear to build.
        std::size_t capacity = 2 * entry->valueCapacity;
        if (capacity < needed) capacity = needed;
        auto* grown = support::NewArray<char>(capacity);
        if (grown == nullptr) return 0;
        std::memcpy(grown, entry->value, entry->valueLength);
        support::Release(entry->value);
        entry->value = grown;
        entry->valueCapacity = capacity;
    }
    std::memcpy(entry->value + entry->valueLength, text, textLength + 1);
    entry->valueLength += textLength;
    return 1;
}

void ProfileFree() {
    ProfileEntry* entry = listHead;
    while (entry != nullptr) {
        ProfileEntry* next = entry->next;
        ReleaseEntry(entry);
        entry = next;
    }
    listHead = nullptr;
    listTail = nullptr;
    listIndex.Clear();
}

const ProfileEntry* ProfileFirstEntry() {
    return listHead;
}

}  // namespace quillon::profile
