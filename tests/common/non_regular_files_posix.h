// Paths that name something other than a regular file, for the tests of files the caller names:
// devices that never end, a directory and a FIFO without a writer (made in the given directory).
#pragma once

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon::test {

struct NonRegularFile {
    const char* what;
    std::string path;
};

inline std::vector<NonRegularFile> NonRegularFiles(const std::string& directory) {
    const std::string fifo = directory + "/fifo";
    EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0) << fifo;
    return {{"/dev/zero", "/dev/zero"},
            {"/dev/urandom", "/dev/urandom"},
            {"/dev/null", "/dev/null"},
            {"a directory", directory},
            {"a FIFO without a writer", fifo}};
}

}  // namespace quillon::test
