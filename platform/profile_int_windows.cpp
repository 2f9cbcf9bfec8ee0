#include <windows.h>

#include "profile_int.h"

namespace cabkit::platform {

uint32_t readProfileInt(const char* path, const char* section, const char* key, int32_t defaultValue) {
    if (path == nullptr || section == nullptr || key == nullptr) {
        return static_cast<uint32_t>(defaultValue);
    }
    return GetPrivateProfileIntA(section, key, defaultValue, path);
}

}  // namespace cabkit::platform
