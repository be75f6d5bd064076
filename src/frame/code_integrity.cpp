#include "frame/code_integrity.h"

#include <cstring>

#include "hash/sha1.h"

namespace quillon::frame {
namespace {

// SHA-1 of the code, computed by the engine directly: no object, no allocation, so the check
// cannot fail for want of memory.
void DigestCode(std::span<const std::uint8_t> code, std::uint8_t (&digest)[20]) {
    hash::Sha1Context context;
    hash::Sha1Init(context);
    hash::Sha1Update(context, code.data(), code.size());
    hash::Sha1Final(context, digest);
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
