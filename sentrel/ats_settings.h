// The train stop's settings file, "ZQConfig.ini" in the folder of the
// library itself. Both values are read and kept at every start of a run;
// nothing in the supervision depends on them.
#ifndef CABKIT_SENTREL_ATS_SETTINGS_H
#define CABKIT_SENTREL_ATS_SETTINGS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sentrel_contract.h"

namespace cabkit::sentrel {

inline constexpr const char* kSettingsFileName = contract::sentrel::kSettingsFile;

// Path limits of the 32-bit host's file calls.
inline constexpr std::size_t kPathCapacity = 260;    // characters, terminator included
inline constexpr std::size_t kDriveLimit = 2;        // "C:"
inline constexpr std::size_t kDirectoryLimit = 255;  // characters, without terminator

enum class PathStyle {
    kPosix,    // '/' separates, no drive
    kWindows,  // '/' and '\' separate, an optional "X:" drive leads
};

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::kWindows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::kPosix;
#endif

// The full path of the settings file, or none when the library's own path
// was unknown or did not fit the limits.
struct SettingsPath {
    std::array<char, kPathCapacity> text{};  // NUL-terminated when `found`
    bool found = false;
};

// Drive and directory of `libraryPath` followed by the settings file name.
SettingsPath buildSettingsPath(std::string_view libraryPath, PathStyle style = kNativePathStyle);

// The two entries of the contract table, by key.
consteval const contract::Setting& settingEntry(std::string_view key) {
    for (const contract::Setting& entry : contract::sentrel::kSettings) {
        if (key == entry.key) {
            return entry;
        }
    }
    contract::detail::labelIsNotInTheTable();
    return contract::sentrel::kSettings[0];
}
inline constexpr const contract::Setting& kSpeedEntry = settingEntry("Speed");
inline constexpr const contract::Setting& kDecelerationEntry = settingEntry("Deceleration");

inline constexpr int32_t kDefaultSpeed = kSpeedEntry.fallback;
inline constexpr int32_t kDefaultDeceleration = kDecelerationEntry.fallback;

struct Settings {
    double speedSetting;         // "Speed" of [MaxSpd]
    double decelerationSetting;  // "Deceleration" of [SetSpec]
};

// Reads both values, each as an unsigned 32-bit profile integer; without a
// settings path, or without file, section or key, the defaults hold.
Settings readSettings(const SettingsPath& path);

}  // namespace cabkit::sentrel

#endif  // CABKIT_SENTREL_ATS_SETTINGS_H
