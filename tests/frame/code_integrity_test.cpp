#include "frame/code_integrity.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cstring>
#include <vector>

namespace quillon::frame {
namespace {

TEST(CodeIntegrity, AnyChangedByteIsDetected) {
    std::vector<std::uint8_t> code(3000);
    for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(i * 31);
    const IntegrityReference reference = MakeIntegrityReference(code);
    ASSERT_TRUE(IntegrityHolds(reference));
    for (const std::size_t at :
         {std::size_t{0}, std::size_t{1}, std::size_t{4}, std::size_t{1499}, code.size() - 1}) {
        for (const std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            code[at] ^= flip;
            EXPECT_FALSE(IntegrityHolds(reference)) << at << " ^ " << int{flip};
            code[at] ^= flip;
        }
    }
    EXPECT_TRUE(IntegrityHolds(reference));
}

TEST(CodeIntegrity, SwappedBytesAreDetected) {
    std::vector<std::uint8_t> code = {0x55, 0x48, 0x89, 0xE5, 0xC3, 0x90, 0x90, 0x90, 0x0F, 0x1F};
    const IntegrityReference reference = MakeIntegrityReference(code);
    std::swap(code[0], code[1]);
    EXPECT_FALSE(IntegrityHolds(reference));
}

TEST(CodeIntegrity, TheReferenceIsTheSha1OfTheRange) {
    for (const std::size_t size : {std::size_t{1}, std::size_t{64}, std::size_t{100003}}) {
        std::vector<std::uint8_t> code(size);
        for (std::size_t i = 0; i < size; ++i) code[i] = static_cast<std::uint8_t>(i * 7 + 3);
        std::uint8_t expected[SHA_DIGEST_LENGTH];
        SHA1(code.data(), code.size(), expected);
        const IntegrityReference reference = MakeIntegrityReference(code);
        EXPECT_EQ(0, std::memcmp(reference.digest, expected, sizeof expected)) << size;
        EXPECT_EQ(reference.codeBegin, code.data());
        EXPECT_EQ(reference.codeSize, size);
    }
}

TEST(CodeIntegrity, AnUnpreparedReferenceNeverHolds) {
    EXPECT_FALSE(IntegrityHolds(IntegrityReference{}));
    EXPECT_FALSE(IntegrityHolds(MakeIntegrityReference({})));
}

}  // namespace
}  // namespace quillon::frame
