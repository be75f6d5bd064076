// What a signal that ends the command must not leave behind: a terminal without echo and a
// temporary file beside OUT. The handlers (console control handler on Windows) put the terminal
// back to the modes it had and remove the temporary file, then let the signal take its usual
// course. One file per system (interruption_posix.cpp, interruption_win32.cpp).
#pragma once

namespace quillon::cli {

// Installs the handlers, once; a signal that was ignored when the command started stays ignored.
// A write over the file-size limit then fails with an error instead of ending the command.
void InstallInterruptionHandlers();

}  // namespace quillon::cli
