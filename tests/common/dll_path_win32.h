// Where the Windows tests find the built Quillon.dll: beside the test program, where the build
// puts both.
#pragma once

#include <windows.h>

#include <string>

namespace quillon::test {

inline std::string QuillonDllPath() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string program(path, length);
    return program.substr(0, program.find_last_of("\\/") + 1) + "Quillon.dll";
}

}  // namespace quillon::test
