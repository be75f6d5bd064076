// The text form of a name: entries written one after the other, "," before an entry that begins
// a new relative distinguished name and "+" before any other, each as short name "=" value.
// Types without a short name are written as their dotted object identifier, "=#" and the
// lower-case hex of the value's DER; values are turned into UTF-8 and escaped.
#pragma once

#include <span>

#include "toolkit/cert/cert_status.h"
#include "toolkit/cert/name_object.h"

namespace quillon::toolkit::cert {

// A zero-terminated text of the entries in a block from the checked allocator (the caller
// releases it). kCertBadData for a value that cannot be read as its string type (a BMPString of
// odd length, an unpaired surrogate, a UniversalString character beyond Unicode), kCertOutOfMemory
// when out of memory; *text is null on failure.
[[nodiscard]] CertStatus NameToString(std::span<const NameEntry> entries, char** text);

}  // namespace quillon::toolkit::cert
