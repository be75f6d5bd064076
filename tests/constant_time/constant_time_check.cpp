// The constant-time check: runs each path that holds a secret with the secret marked undefined,
// under Valgrind's memcheck (ctest runs it so, with --error-exitcode). Memcheck reports every
// conditional branch and every memory address that depends on an undefined byte; the program
// counts the reports each path adds and names the paths that added any.
//
// Memcheck sees branches and addresses only: not the time an instruction takes for its operands
// (a division, a multiplication on some processors), and not the paths it hides from the program
// through its CPUID (the AES and SHA instructions, vector AES), which therefore go unchecked.
#include <valgrind/memcheck.h>

#include <cstdio>

#include "constant_time/checked_paths.h"
#include "constant_time/secret_marking.h"

namespace quillon::constant_time_check {

void MarkSecret(const void* data, std::size_t size) {
    (void)VALGRIND_MAKE_MEM_UNDEFINED(data, size);
}

void MarkPublic(const void* data, std::size_t size) {
    (void)VALGRIND_MAKE_MEM_DEFINED(data, size);
}

}  // namespace quillon::constant_time_check

int main() {
    using namespace quillon::constant_time_check;
    if (RUNNING_ON_VALGRIND == 0) {
        std::fprintf(stderr, "run this program under valgrind --tool=memcheck\n");
        return 2;
    }
    int leaking = 0;
    for (const CheckedPath& path : kCheckedPaths) {
        const unsigned before = VALGRIND_COUNT_ERRORS;
        path.run();
        const unsigned added = VALGRIND_COUNT_ERRORS - before;
        std::printf("%-40s %s (%u reports)\n", path.name, added == 0 ? "clean" : "LEAKS", added);
        if (added != 0) ++leaking;
    }
    return leaking == 0 ? 0 : 1;
}
