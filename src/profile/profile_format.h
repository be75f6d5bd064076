// The names and sizes of a credential profile that its reader and its writer share.
//
// The "Password Token" section holds the protection parameters. A protected item is Base64 text
// of a CAST5-CBC ciphertext whose plaintext is: section name and key name (no separator), the
// payload (at least 1 byte), the 8-byte CAST5 CBC-MAC of those two, and 1 to 8 padding bytes
// (the last one giving their number).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::profile {

inline constexpr char kPasswordTokenSection[] = "Password Token";
inline constexpr char kSaltValueKey[] = "SaltValue";
inline constexpr char kProtectionKey[] = "Protection";
inline constexpr char kMacAlgorithmKey[] = "MAC Algorithm";
inline constexpr char kHashCountKey[] = "HashCount";
// The one protection scheme there is.
inline constexpr char kProfileMacAlgorithm[] = "pbeWithSHA1AndCAST5-CBC";

// The CAST5 CBC-MAC closing every item's plaintext.
inline constexpr std::uint32_t kProfileMacLength = 8;

// Size of the buffers a protected item is decoded and decrypted into: an item whose decoded
// text needs more (2000 bytes or longer, with its terminator) is unreadable.
inline constexpr std::size_t kProfileItemBufferSize = 2000;

}  // namespace quillon::profile
