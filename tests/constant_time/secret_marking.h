// What the constant-time check tells memcheck: secrets are undefined bytes, so every branch and
// every address computed from them is reported; a path is clean when running it adds no report.
#pragma once

#include <cstddef>

namespace quillon::constant_time_check {

// Marks size bytes as secret (undefined to memcheck; their values are kept).
void MarkSecret(const void* data, std::size_t size);

// Marks size bytes as public again: results the check itself looks at after a path.
void MarkPublic(const void* data, std::size_t size);

// One path of the library run with its secrets marked.
struct CheckedPath {
    const char* name;
    void (*run)();
};

}  // namespace quillon::constant_time_check
