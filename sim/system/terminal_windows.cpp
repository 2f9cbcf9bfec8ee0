#include "terminal.h"

#include <windows.h>

namespace cabkit::sim {

// A console answers GetConsoleMode; a file or a pipe does not. (The C
// runtime's isatty also says yes for the NUL device.)
bool standardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace cabkit::sim
