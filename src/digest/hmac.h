// HMAC (RFC 2104, FIPS 198) over a hash descriptor's digest operations, on a context the caller
// owns. The HMAC layer never reaches the toolkit itself: our own MD5 and SHA-1 come through the
// hash table like any caller's descriptor of a 64-byte-block hash.
//
// Where a run cannot go on (empty descriptor, no memory for a digest, no inner digest running)
// the operations stop without writing a MAC, rather than produce one over a wrong key or a
// missing inner digest.
#pragma once

#include <cstdint>

#include "quillon.h"

namespace quillon::digest {

// Keys the context and starts the inner digest. A key longer than the block is replaced by its
// digest. A descriptor without all three operations or with a digest longer than the block, a
// null key with a non-zero length, or a key digest that cannot be made leaves the context
// unkeyed (no descriptor): the other operations then do nothing.
void HmacStart(HmacContext& context, const HashDescriptor* descriptor, const std::uint8_t* key,
               std::uint32_t keyLength);

// Feeds message bytes to the running inner digest.
void HmacFeed(HmacContext& context, const std::uint8_t* data, std::uint32_t length);

// Writes the MAC (the descriptor's digest length) into out and ends the run; with no inner
// digest running out is left untouched.
void HmacFinish(std::uint8_t* out, HmacContext& context);

// Abandons a run still going and starts a new one with the same key.
void HmacRestart(HmacContext& context);

}  // namespace quillon::digest
