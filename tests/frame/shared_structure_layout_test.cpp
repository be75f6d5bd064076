// The shared structures of the header in the layouts the README gives for each target: callers
// built by other compilers lay them out from that table, not from this header.
#include "quillon.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

struct Field {
    const char* name;
    std::size_t actual;
    std::size_t on32;  // 32-bit Windows
    std::size_t on64;  // 64-bit Windows and Linux x86-64
};

constexpr bool k64Bit = sizeof(void*) == 8;

#define QUILLON_FIELD(type, field, on32, on64) \
    { #type "." #field, offsetof(type, field), on32, on64 }
#define QUILLON_SIZE(type, on32, on64) \
    { "sizeof " #type, sizeof(type), on32, on64 }

TEST(SharedStructureLayout, MatchesTheTableForThisTarget) {
    const Field fields[] = {
        QUILLON_SIZE(Item, 8, 16),
        QUILLON_FIELD(Item, data, 0, 0),
        QUILLON_FIELD(Item, length, 4, 8),
        QUILLON_SIZE(DhKeyAgreeParams, 20, 32),
        QUILLON_FIELD(DhKeyAgreeParams, prime, 0, 0),
        QUILLON_FIELD(DhKeyAgreeParams, primeLength, 4, 8),
        QUILLON_FIELD(DhKeyAgreeParams, generator, 8, 16),
        QUILLON_FIELD(DhKeyAgreeParams, generatorLength, 12, 24),
        QUILLON_FIELD(DhKeyAgreeParams, privateValueBits, 16, 28),
        QUILLON_SIZE(HashDescriptor, 16, 32),
        QUILLON_FIELD(HashDescriptor, digestLength, 0, 0),
        QUILLON_FIELD(HashDescriptor, create, 4, 8),
        QUILLON_FIELD(HashDescriptor, update, 8, 16),
        QUILLON_FIELD(HashDescriptor, final, 12, 24),
        QUILLON_SIZE(HmacContext, 140, 152),
        QUILLON_FIELD(HmacContext, descriptor, 0, 0),
        QUILLON_FIELD(HmacContext, handle, 4, 8),
        QUILLON_FIELD(HmacContext, digestLength, 8, 16),
        QUILLON_FIELD(HmacContext, innerPad, 12, 20),
        QUILLON_FIELD(HmacContext, outerPad, 76, 84),
    };
    for (const Field& field : fields) {
        EXPECT_EQ(field.actual, k64Bit ? field.on64 : field.on32) << field.name;
    }
}

#undef QUILLON_FIELD
#undef QUILLON_SIZE

}  // namespace
