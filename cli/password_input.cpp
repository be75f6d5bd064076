#include "password_input.h"

#include "terminal.h"

namespace quillon::cli {

bool ReadPassword(std::FILE* stream, const char* prompt, std::string& password) {
    const bool terminal = stream == stdin && StandardInputIsTerminal();
    if (terminal) {
        SetStandardInputEcho(false);  // before the prompt, so nothing typed after it shows
        std::fputs(prompt, stderr);
        std::fflush(stderr);
    }
    password.clear();
    for (int c; (c = std::getc(stream)) != EOF && c != '\n';) password += static_cast<char>(c);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    if (terminal) {
        SetStandardInputEcho(true);
        std::fputs("\n", stderr);  // the Enter that was not echoed
    }
    return !std::ferror(stream);
}

}  // namespace quillon::cli
