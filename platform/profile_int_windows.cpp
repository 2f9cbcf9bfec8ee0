#include <windows.h>

#include <array>

#include "profile_int.h"

namespace cabkit::platform {

uint32_t readProfileInt(const char* path, const char* section, const char* key, int32_t defaultValue) {
    const auto fallback = static_cast<uint32_t>(defaultValue);
    if (path == nullptr || section == nullptr || key == nullptr || path[0] == '\0') {
        return fallback;
    }
    // The system reads a name without a folder from the Windows folder; make
    // it absolute so that the same path means the same file everywhere.
    std::array<char, MAX_PATH> full{};
    const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) {
        return fallback;  // a path the system's reader could not open either
    }
    return GetPrivateProfileIntA(section, key, defaultValue, full.data());
}

}  // namespace cabkit::platform
