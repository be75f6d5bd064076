// Profile keys made to collide under an unkeyed FNV-1a over "section\0key\0" (32-bit): every
// pair's hash has the same low 16 bits, so a table that buckets by those bits puts them all in
// one bucket. The last character of each key cancels the low byte of the running hash; keys are
// tried until the byte above it matches too, a few hundred tries a key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quillon::test {

constexpr std::uint32_t kFnvOffset = 2166136261u;
constexpr std::uint32_t kFnvPrime = 16777619u;

inline std::uint32_t FnvUpdate(std::uint32_t hash, const std::string& text) {
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
    return hash * kFnvPrime;  // the terminator
}

inline std::uint32_t FnvPairHash(const std::string& section, const std::string& key) {
    return FnvUpdate(FnvUpdate(kFnvOffset, section), key);
}

// count distinct keys of 10 characters ("k", 8 hex digits, one printable character other than
// '='), all of whose pair hashes with section end in the same 16 bits.
inline std::vector<std::string> FnvCollidingKeys(const std::string& section, std::size_t count) {
    constexpr std::uint32_t kTarget = 0x5A41;  // the low 16 bits of hash ^ last character
    const std::uint32_t sectionHash = FnvUpdate(kFnvOffset, section);
    std::vector<std::string> keys;
    keys.reserve(count);
    char prefix[10];
    for (std::uint32_t counter = 0; keys.size() < count; ++counter) {
        std::snprintf(prefix, sizeof prefix, "k%08x", counter);
        std::uint32_t hash = sectionHash;
        for (const char* at = prefix; *at != '\0'; ++at) {
            hash = (hash ^ static_cast<unsigned char>(*at)) * kFnvPrime;
        }
        if (((hash ^ kTarget) & 0xFF00) != 0) continue;
        const auto last = static_cast<char>((hash ^ kTarget) & 0xFF);
        if (last < 0x21 || last > 0x7E || last == '=') continue;
        keys.push_back(std::string(prefix) + last);
    }
    return keys;
}

}  // namespace quillon::test
