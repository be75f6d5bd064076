// Key files that are not regular files: devices that never end, a directory and a FIFO without a
// writer are "not readable" (-4) at once, and nothing is read from them.
#include <gtest/gtest.h>

#include "common/non_regular_files_posix.h"
#include "common/raw_rsa_key_fixture.h"
#include "common/temporary_directory.h"
#include "quillon.h"

namespace quillon::test {
namespace {

TEST(RawRsaFileKinds, OnlyRegularFilesAreKeyFiles) {
    TemporaryDirectory directory;
    for (const NonRegularFile& file : NonRegularFiles(directory.path())) {
        SCOPED_TRACE(file.what);
        std::vector<uint8_t> buffer(200, 0x5A);
        EXPECT_EQ(RawRsaPublic(file.path.c_str(), buffer.data(), 4), -4);
        EXPECT_EQ(RawRsaPrivate(file.path.c_str(), buffer.data(), 20), -4);
        EXPECT_EQ(buffer, std::vector<uint8_t>(200, 0x5A));
    }
}

}  // namespace
}  // namespace quillon::test
