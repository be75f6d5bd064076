// Profiles that are not regular files: devices that never end, a directory and a FIFO without a
// writer cannot be opened (-100 from the certificate readers, 0 from the key readers), at once.
#include <gtest/gtest.h>

#include "common/non_regular_files_posix.h"
#include "common/status_printer.h"
#include "common/temporary_directory.h"
#include "profile/profile_parser.h"
#include "quillon.h"

namespace quillon::test {
namespace {

TEST(ProfileFileKinds, OnlyRegularFilesAreProfiles) {
    TemporaryDirectory directory;
    for (const NonRegularFile& file : NonRegularFiles(directory.PathOf(""))) {
        SCOPED_TRACE(file.what);
        EXPECT_EQ(profile::ProfileLoad(file.path.c_str()), profile::kProfileCannotOpen);
        EXPECT_EQ(profile::ProfileFirstEntry(), nullptr);
        uint8_t* buffer = nullptr;
        EXPECT_EQ(ProfileGetSignatureCertificate(&buffer, file.path.c_str(), "password"), -100);
        EXPECT_EQ(ProfileGetCaCertificates(&buffer, file.path.c_str(), "password"), -100);
        EXPECT_EQ(ProfileGetSignatureKey(&buffer, file.path.c_str(), "password"), 0);
        EXPECT_EQ(buffer, nullptr);
    }
}

}  // namespace
}  // namespace quillon::test
