// Test-side files: a private temporary directory per test, and profile files written into it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace quillon::test {

class TemporaryDirectory {
  public:
    TemporaryDirectory() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "quillon-";
        if (info != nullptr) name += std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        // Other builds of the same tree may run this test at the same moment.
        name += "-" + std::to_string(std::random_device{}());
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    // Writes the bytes of content as the file name (binary: line ends as given) and returns its
    // path.
    std::string Write(const std::string& name, const std::string& content) const {
        const std::string path = (path_ / name).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        EXPECT_TRUE(out.good()) << path;
        return path;
    }
    std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace quillon::test
