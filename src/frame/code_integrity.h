// The code-integrity check: the SHA-1 digest of the module's executable code, taken on the first
// attach and compared again when the self-tests run, so a patched module fails them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon::frame {

struct IntegrityReference {
    bool prepared = false;
    const std::uint8_t* codeBegin = nullptr;
    std::size_t codeSize = 0;
    std::uint8_t digest[20] = {};
};

// SHA-1 of code, remembered together with the range it covers.
[[nodiscard]] IntegrityReference MakeIntegrityReference(std::span<const std::uint8_t> code);

// True when the range the reference covers still has the digest it had. An unprepared
// reference never passes.
[[nodiscard]] bool IntegrityHolds(const IntegrityReference& reference);

}  // namespace quillon::frame
