#include "command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "wide_text.h"

namespace cabkit::sim {

std::vector<std::string> utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(static_cast<HLOCAL>(wide));
    // The event log and messages are UTF-8; a console left at the OEM code
    // page would garble every accented station name.
    SetConsoleOutputCP(CP_UTF8);
    return arguments;
}

}  // namespace cabkit::sim
