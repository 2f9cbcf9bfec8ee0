#include <fstream>
#include <string>

#include "profile_int.h"

namespace cabkit::platform {

uint32_t readProfileInt(const char* path, const char* section, const char* key, int32_t defaultValue) {
    if (path == nullptr || section == nullptr || key == nullptr) {
        return static_cast<uint32_t>(defaultValue);
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return static_cast<uint32_t>(defaultValue);
    }
    std::string text(kProfileFileLimit, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return readProfileIntText(text, section, key, defaultValue);
}

}  // namespace cabkit::platform
