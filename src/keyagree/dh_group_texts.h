// The MODP group primes as their RFCs print them: upper-case hexadecimal in groups of eight
// digits separated by single spaces, six groups to a line. Generator 2 for all three.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillon::keyagree {

struct DhGroupText {
    std::uint32_t group;  // IKE group number
    std::uint32_t bits;   // bit length of the prime
    std::string_view text;
};

// RFC 2409 section 6.1, First Oakley Default Group: 2^768 - 2^704 - 1 + 2^64 * {[2^638 pi] +
// 149686}.
inline constexpr char kOakleyGroup1Text[] =
    "FFFFFFFF FFFFFFFF C90FDAA2 2168C234 C4C6628B 80DC1CD1 "
    "29024E08 8A67CC74 020BBEA6 3B139B22 514A0879 8E3404DD "
    "EF9519B3 CD3A431B 302B0A6D F25F1437 4FE1356D 6D51C245 "
    "E485B576 625E7EC6 F44C42E9 A63A3620 FFFFFFFF FFFFFFFF";

// RFC 2409 section 6.2, Second Oakley Group: 2^1024 - 2^960 - 1 + 2^64 * {[2^894 pi] + 129093}.
inline constexpr char kOakleyGroup2Text[] =
    "FFFFFFFF FFFFFFFF C90FDAA2 2168C234 C4C6628B 80DC1CD1 "
    "29024E08 8A67CC74 020BBEA6 3B139B22 514A0879 8E3404DD "
    "EF9519B3 CD3A431B 302B0A6D F25F1437 4FE1356D 6D51C245 "
    "E485B576 625E7EC6 F44C42E9 A637ED6B 0BFF5CB6 F406B7ED "
    "EE386BFB 5A899FA5 AE9F2411 7C4B1FE6 49286651 ECE65381 "
    "FFFFFFFF FFFFFFFF";

// RFC 3526 section 2, 1536-bit MODP Group: 2^1536 - 2^1472 - 1 + 2^64 * {[2^1406 pi] + 741804}.
// The text keeps the trailing space of its last line.
inline constexpr char kModp1536Text[] =
    "FFFFFFFF FFFFFFFF C90FDAA2 2168C234 C4C6628B 80DC1CD1 "
    "29024E08 8A67CC74 020BBEA6 3B139B22 514A0879 8E3404DD "
    "EF9519B3 CD3A431B 302B0A6D F25F1437 4FE1356D 6D51C245 "
    "E485B576 625E7EC6 F44C42E9 A637ED6B 0BFF5CB6 F406B7ED "
    "EE386BFB 5A899FA5 AE9F2411 7C4B1FE6 49286651 ECE45B3D "
    "C2007CB8 A163BF05 98DA4836 1C55D39A 69163FA8 FD24CF5F "
    "83655D23 DCA3AD96 1C62F356 208552BB 9ED52907 7096966D "
    "670C354E 4ABC9804 F1746C08 CA237327 FFFFFFFF FFFFFFFF ";

// In lookup order.
inline constexpr DhGroupText kDhGroupTexts[] = {
    {1, 768, kOakleyGroup1Text},
    {2, 1024, kOakleyGroup2Text},
    {5, 1536, kModp1536Text},
};

}  // namespace quillon::keyagree
