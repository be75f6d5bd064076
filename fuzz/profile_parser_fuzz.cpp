// The profile parser on arbitrary file content: the load must end with a status, the list must
// hold only whole entries, and freeing it must leave nothing behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "profile/profile_parser.h"
#include "profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon::profile;
    const char* path = quillon::fuzz::WriteProfileFile(data, size);
    const auto status = static_cast<std::int32_t>(ProfileLoad(path));
    const bool known = status == 0 || status == 1 || status == 11 ||
                       (status >= 21 && status <= 24) || (status >= 31 && status <= 33) ||
                       (status >= 41 && status <= 44);
    if (!known) std::abort();
    // Every entry is whole, findable, and its recorded length is its text's length.
    const ProfileEntry* previous = nullptr;
    for (const ProfileEntry* entry = ProfileFirstEntry(); entry != nullptr; entry = entry->next) {
        if (entry->previous != previous) std::abort();
        if (std::strlen(entry->value) != entry->valueLength) std::abort();
        if (ProfileLookup(entry->section, entry->key) != entry) std::abort();
        previous = entry;
    }
    ProfileFree();
    if (ProfileFirstEntry() != nullptr) std::abort();
    return 0;
}
