// Files the caller names: only regular files open, and reading stops past the limit.
#include "support/bounded_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace quillon::support {
namespace {

class BoundedFileTest : public ::testing::Test {
  protected:
    BoundedFileTest() {
        std::random_device random;
        directory_ = std::filesystem::temp_directory_path() /
                     ("quillon-bounded-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(directory_);
    }
    ~BoundedFileTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    std::string Write(const std::string& name, std::size_t size) const {
        const std::string path = (directory_ / name).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::string chunk(64 * 1024, 'x');
        for (std::size_t left = size; left != 0;) {
            const std::size_t piece = std::min(left, chunk.size());
            out.write(chunk.data(), static_cast<std::streamsize>(piece));
            left -= piece;
        }
        return path;
    }
    // Reads the whole file in odd-sized pieces; the byte count, or -1 when it was too large.
    static long long ReadAll(BoundedFile& file) {
        std::vector<char> buffer(10007);
        long long total = 0;
        for (std::size_t got; (got = file.Read(buffer.data(), buffer.size())) != 0;) total += got;
        return file.TooLarge() ? -1 : total;
    }
    std::filesystem::path directory_;
};

TEST_F(BoundedFileTest, SizesAroundTheLimit) {
    struct Case {
        std::size_t size;
        long long read;  // -1: too large
    } const cases[] = {
        {0, 0},
        {1, 1},
        {BoundedFile::kLimit - 1, static_cast<long long>(BoundedFile::kLimit - 1)},
        {BoundedFile::kLimit, static_cast<long long>(BoundedFile::kLimit)},
        {BoundedFile::kLimit + 1, -1},
        {3 * BoundedFile::kLimit, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        BoundedFile file;
        ASSERT_TRUE(file.Open(Write("file", c.size).c_str()));
        EXPECT_EQ(ReadAll(file), c.read);
        // Once too large, the file stays so.
        char byte;
        EXPECT_EQ(file.Read(&byte, 1), 0u);
        EXPECT_EQ(file.TooLarge(), c.read < 0);
    }
}

TEST_F(BoundedFileTest, OnlyRegularFilesOpen) {
    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"missing", (directory_ / "absent").string()},
        {"directory", directory_.string()},
#if defined(_WIN32)
        {"null device", "NUL"},
#else
        {"null device", "/dev/null"},
#endif
    };
    for (const auto& c : cases) {
        BoundedFile file;
        EXPECT_FALSE(file.Open(c.path.c_str())) << c.what;
        char byte;
        EXPECT_EQ(file.Read(&byte, 1), 0u) << c.what;
    }
    BoundedFile file;
    EXPECT_FALSE(file.Open(nullptr));
    // Reopening starts afresh.
    ASSERT_TRUE(file.Open(Write("big", BoundedFile::kLimit + 1).c_str()));
    EXPECT_EQ(ReadAll(file), -1);
    ASSERT_TRUE(file.Open(Write("small", 10).c_str()));
    EXPECT_FALSE(file.TooLarge());
    EXPECT_EQ(ReadAll(file), 10);
}

}  // namespace
}  // namespace quillon::support
