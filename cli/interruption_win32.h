// The state the Windows console control handler undoes: the console mode to put back and the
// temporary file to remove. The handler runs on a thread of its own, so both are held under a
// lock.
#pragma once

#include <windows.h>

namespace quillon::cli {

// From now on the handler puts mode back on the console input; a null input forgets it.
void RestoreConsoleOnInterruption(HANDLE input, DWORD mode);

// From now on the handler removes the file at path (copied); null forgets it.
void RemoveFileOnInterruption(const wchar_t* path);

}  // namespace quillon::cli
