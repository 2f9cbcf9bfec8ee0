// Paths as UTF-8 text and back. simhost's command line, its messages and the
// scenario files are UTF-8; a path holds the system's own encoding, which is
// UTF-16 on Windows. Every crossing between the two goes through here, so a
// folder named with spaces or accents means the same file everywhere.
#ifndef CABKIT_SIM_UTF8_PATH_H
#define CABKIT_SIM_UTF8_PATH_H

#include <filesystem>
#include <string>
#include <string_view>
#include <type_traits>

namespace cabkit::sim {

// Where paths are bytes (POSIX), they stay the bytes they are, even when
// they are not valid UTF-8.
inline constexpr bool kPathsAreBytes = std::is_same_v<std::filesystem::path::value_type, char>;

inline std::filesystem::path pathFromUtf8(std::string_view text) {
    if constexpr (kPathsAreBytes) {
        return std::filesystem::path(text);
    } else {
        return std::filesystem::path(std::u8string(text.begin(), text.end()));
    }
}

inline std::string utf8Text(const std::filesystem::path& path) {
    if constexpr (kPathsAreBytes) {
        return path.string();
    } else {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    }
}

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_UTF8_PATH_H
