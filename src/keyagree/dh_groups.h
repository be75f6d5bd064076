// The Diffie-Hellman group records: made from the group texts on the first lookup, once per
// process, and read-only from then on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "keyagree/dh_group_texts.h"
#include "quillon.h"
#include "support/once.h"

namespace quillon::keyagree {

// Status results of a lookup, as DhGetGroup returns them.
inline constexpr std::int32_t kDhFound = 0;
inline constexpr std::int32_t kDhNotPrepared = -1;
inline constexpr std::int32_t kDhUnknownGroup = -3;

// Fills record from a group text: private-value bits 256, the one generator byte 2, and
// (bits + 7) / 8 prime bytes read as pairs of upper-case hex digits with white space allowed
// between pairs only. Fails, leaving the record empty, when an allocation fails or the text is
// not exactly that many well-formed pairs (surrounded by white space at most).
[[nodiscard]] bool ParseHexParameter(DhKeyAgreeParams& record, std::string_view text,
                                     std::uint32_t bits);
// Frees what ParseHexParameter allocated and empties the record.
void ReleaseHexParameter(DhKeyAgreeParams& record);

[[nodiscard]] constexpr bool IsHexParameterSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
// Only upper-case letters are digits, as the texts are written.
[[nodiscard]] constexpr bool IsHexParameterDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// True when text is exactly the pairs ParseHexParameter accepts for a prime of that many bytes;
// usable at compile time, so the built-in texts are checked where they are written.
[[nodiscard]] constexpr bool HexParameterIsWellFormed(std::string_view text, std::uint32_t bytes) {
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < bytes; ++i) {
        while (at < text.size() && IsHexParameterSpace(text[at])) ++at;
        if (text.size() - at < 2 || !IsHexParameterDigit(text[at]) ||
            !IsHexParameterDigit(text[at + 1])) {
            return false;
        }
        at += 2;
    }
    while (at < text.size() && IsHexParameterSpace(text[at])) ++at;
    return at == text.size();
}

// One group's record as callers receive it. A caller may describe the record as two Items
// {pointer, 32-bit length} followed by the bit count; on a 64-bit target its count then lies
// past the second Item's padding, 4 bytes after the end of DhKeyAgreeParams. The record holds
// the count there as well, so both descriptions read the same value. (On a 32-bit target the two
// descriptions are the same layout.)
struct DhGroupRecord {
    DhKeyAgreeParams params;
    std::uint32_t privateValueBitsAfterItems;
};
static_assert(sizeof(void*) != 8 ||
              offsetof(DhGroupRecord, privateValueBitsAfterItems) == 2 * sizeof(Item));

class DhGroupTable {
  public:
    constexpr DhGroupTable() = default;
    DhGroupTable(const DhGroupTable&) = delete;
    DhGroupTable& operator=(const DhGroupTable&) = delete;

    // Prepares the records on first use (once, whichever threads race for it), then writes the
    // record of the IKE group number to *params: kDhFound, or kDhUnknownGroup with null. When
    // the records cannot be prepared: kDhNotPrepared with null, and the next lookup tries again.
    [[nodiscard]] std::int32_t Find(std::uint32_t group, const DhKeyAgreeParams** params);

    // Frees the records so the next lookup prepares them again. Only for a table nobody else
    // is using; the module's own table is released only when the module is unloaded.
    void Release();

  private:
    // Parses the group texts into the records; false, with nothing left made, when one cannot be.
    [[nodiscard]] bool Prepare();

    // Constant-initialised on every target, so the module's table needs no constructor at load.
    support::Once prepared_;
    DhGroupRecord records_[std::size(kDhGroupTexts)]{};
};

// The module's table behind DhGetGroup, alive until the process unloads the module.
DhGroupTable& ModuleDhGroups();

}  // namespace quillon::keyagree
