#include "frame/code_integrity.h"

#include <cstring>

namespace quillon::frame {
namespace {

// Five interleaved 32-bit FNV-1a lanes fill the 20-byte digest. Not a cryptographic hash: it
// catches accidental and naive changes to the code, which is what this check is for.
void DigestCode(std::span<const std::uint8_t> code, std::uint8_t (&digest)[20]) {
    std::uint32_t lanes[5] = {0x811C9DC5u, 0x01000193u, 0x9E3779B9u, 0x85EBCA6Bu, 0xC2B2AE35u};
    for (std::size_t i = 0; i < code.size(); ++i) {
        std::uint32_t& lane = lanes[i % 5];
        lane = (lane ^ code[i]) * 0x01000193u;
    }
    std::memcpy(digest, lanes, sizeof digest);
}

}  // namespace

IntegrityReference MakeIntegrityReference(std::span<const std::uint8_t> code) {
    IntegrityReference reference;
    reference.codeBegin = code.data();
    reference.codeSize = code.size();
    DigestCode(code, reference.digest);
    reference.prepared = !code.empty();
    return reference;
}

bool IntegrityHolds(const IntegrityReference& reference) {
    if (!reference.prepared) return false;
    std::uint8_t digest[20];
    DigestCode({reference.codeBegin, reference.codeSize}, digest);
    return std::memcmp(digest, reference.digest, sizeof digest) == 0;
}

}  // namespace quillon::frame
