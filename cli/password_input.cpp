#include "password_input.h"

#include <algorithm>
#include <cstring>

#include "terminal.h"

namespace quillon::cli {
namespace {

// Room for any password typed or read, so the text never moves while it grows and never sits
// in the string's own (unwiped) inline storage.
constexpr std::size_t kPasswordRoom = 1024;

}  // namespace

bool ReadPassword(const char* path, const char* prompt, SecretText& password) {
    password.clear();
    password.reserve(kPasswordRoom);
    if (std::strcmp(path, "-") == 0 && StandardInputIsTerminal()) {
        if (ReadTypedLine(prompt, password)) return true;
        std::fprintf(stderr, "quillon: the password cannot be read from the terminal\n");
        return false;
    }
    Bytes contents;
    if (!ReadWholeFile(path, contents)) return false;
    const auto end = std::find(contents.begin(), contents.end(), '\n');
    password.assign(contents.begin(), end);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return true;
}

}  // namespace quillon::cli
