// A private directory under the system's temporary directory for one test (or benchmark), removed
// with its files. Test programs and other builds of the same tree run at the same moment: a random
// name keeps their directories apart.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace quillon::test {

class TemporaryDirectory {
  public:
    TemporaryDirectory() {
        std::random_device random;
        do {
            path_ = std::filesystem::temp_directory_path() /
                    ("quillon-" + std::to_string(random()) + std::to_string(random()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    [[nodiscard]] std::string path() const { return path_.string(); }
    [[nodiscard]] std::string PathOf(const std::string& name) const {
        return (path_ / name).string();
    }

    // Writes name with exactly these bytes (binary: line ends as given) and returns its path. A
    // fixture that cannot be written ends the program: every check after it would be meaningless.
    std::string Write(const std::string& name, const std::string& content) const {
        const std::string path = PathOf(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        if (!out) {
            std::fprintf(stderr, "cannot write the fixture %s\n", path.c_str());
            std::abort();
        }
        return path;
    }

  private:
    std::filesystem::path path_;
};

}  // namespace quillon::test
