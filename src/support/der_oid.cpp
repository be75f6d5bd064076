#include "support/der_oid.h"

namespace quillon::support {
namespace {

// Calls visit(arc) for every arc in order; stops at the first failure.
template <typename Visit>
DerStatus ForEachArc(std::span<const std::uint8_t> contents, Visit visit) {
    if (!DerOidContentsValid(contents)) return DerStatus::kBadContents;
    bool first = true;
    std::uint64_t value = 0;
    for (const std::uint8_t octet : contents) {
        if (value > (UINT64_MAX >> 7)) return DerStatus::kUnsupported;
        value = value << 7 | (octet & 0x7F);
        if ((octet & 0x80) != 0) continue;
        if (first) {
            // X.690 8.19.4: the first subidentifier is 40 * first arc + second arc.
            const std::uint64_t top = value < 40 ? 0 : value < 80 ? 1 : 2;
            visit(top);
            visit(value - 40 * top);
            first = false;
        } else {
            visit(value);
        }
        value = 0;
    }
    return DerStatus::kOk;
}

}  // namespace

DerStatus DerOidArcs(std::span<const std::uint8_t> contents, std::span<std::uint64_t> arcs,
                     std::size_t& count) {
    count = 0;
    const DerStatus status = ForEachArc(contents, [&](std::uint64_t arc) {
        if (count < arcs.size()) arcs[count] = arc;
        ++count;
    });
    if (status != DerStatus::kOk) {
        count = 0;
        return status;
    }
    return count <= arcs.size() ? DerStatus::kOk : DerStatus::kBufferTooSmall;
}

DerStatus DerOidToText(std::span<const std::uint8_t> contents, std::span<char> out,
                       std::size_t& length) {
    length = 0;
    // Measure first, so nothing is written unless all of it fits.
    const DerStatus status = ForEachArc(contents, [&](std::uint64_t arc) {
        if (length != 0) ++length;
        do {
            ++length;
            arc /= 10;
        } while (arc != 0);
    });
    if (status != DerStatus::kOk) {
        length = 0;
        return status;
    }
    if (out.size() < length + 1) return DerStatus::kBufferTooSmall;
    std::size_t at = 0;
    (void)ForEachArc(contents, [&](std::uint64_t arc) {
        if (at != 0) out[at++] = '.';
        char digits[20];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + arc % 10);
            arc /= 10;
        } while (arc != 0);
        while (count > 0) out[at++] = digits[--count];
    });
    out[at] = '\0';
    return DerStatus::kOk;
}

}  // namespace quillon::support
