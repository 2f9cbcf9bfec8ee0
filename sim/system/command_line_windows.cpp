#include "command_line.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "wide_text.h"

namespace cabkit::sim {
namespace {

// The Windows shells hand wildcards over as they are; programs expand them
// themselves. A pattern that matches no file stays as it is, and so gets
// the same "cannot read" message a missing file gets.
void expandWildcards(const std::wstring& argument, std::vector<std::string>& out) {
    if (argument.find_first_of(L"*?") == std::wstring::npos) {
        out.push_back(utf8FromWide(argument));
        return;
    }
    const std::size_t slash = argument.find_last_of(L"\\/:");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring{} : argument.substr(0, slash + 1);
    std::vector<std::wstring> matches;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(argument.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) matches.push_back(folder + found.cFileName);
        } while (FindNextFileW(search, &found) != 0);
        FindClose(search);
    }
    if (matches.empty()) {
        out.push_back(utf8FromWide(argument));
        return;
    }
    std::sort(matches.begin(), matches.end());
    for (const std::wstring& match : matches) out.push_back(utf8FromWide(match));
}

}  // namespace

std::vector<std::string> utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (i == 0) {
            arguments.push_back(utf8FromWide(wide[i]));
        } else {
            expandWildcards(wide[i], arguments);
        }
    }
    LocalFree(static_cast<HLOCAL>(wide));
    // The event log and messages are UTF-8; a console left at the OEM code
    // page would garble every accented station name.
    SetConsoleOutputCP(CP_UTF8);
    return arguments;
}

}  // namespace cabkit::sim
