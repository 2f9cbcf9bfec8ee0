#include "program_folder.h"

#include <windows.h>

#include <string>

namespace cabkit::sim {

std::filesystem::path programFolder() {
    // GetModuleFileNameW truncates silently: grow the buffer until the name fits.
    std::wstring name(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 6; ++attempt) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name).parent_path();
        }
        name.resize(name.size() * 4);
    }
    return {};
}

}  // namespace cabkit::sim
