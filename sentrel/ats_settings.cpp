#include "ats_settings.h"

#include <cstring>
#include <string>

#include "profile_int.h"

namespace cabkit::sentrel {
namespace {

bool isSeparator(char c, PathStyle style) { return c == '/' || (style == PathStyle::kWindows && c == '\\'); }

std::size_t driveLength(std::string_view path, PathStyle style) {
    if (style == PathStyle::kWindows && path.size() >= kDriveLimit && path[1] == ':') {
        return kDriveLimit;
    }
    return 0;
}

// Up to and including the last separator after the drive; 0 without one.
std::size_t directoryLength(std::string_view pathAfterDrive, PathStyle style) {
    for (std::size_t i = pathAfterDrive.size(); i > 0; --i) {
        if (isSeparator(pathAfterDrive[i - 1], style)) {
            return i;
        }
    }
    return 0;
}

constexpr std::size_t kFileNameLength = std::char_traits<char>::length(kSettingsFileName);

}  // namespace

SettingsPath buildSettingsPath(std::string_view libraryPath, PathStyle style) {
    SettingsPath result;
    // An unknown path or one the host's calls could not hold gives no file,
    // and so the defaults.
    if (libraryPath.empty() || libraryPath.size() >= kPathCapacity) {
        return result;
    }
    const std::size_t drive = driveLength(libraryPath, style);
    const std::size_t directory = directoryLength(libraryPath.substr(drive), style);
    if (directory > kDirectoryLimit || drive + directory + kFileNameLength >= kPathCapacity) {
        return result;
    }
    std::memcpy(result.text.data(), libraryPath.data(), drive + directory);
    std::memcpy(result.text.data() + drive + directory, kSettingsFileName, kFileNameLength + 1);
    result.found = true;
    return result;
}

Settings readSettings(const SettingsPath& path) {
    if (!path.found) {
        return Settings{static_cast<double>(kDefaultSpeed), static_cast<double>(kDefaultDeceleration)};
    }
    const uint32_t speed =
        platform::readProfileInt(path.text.data(), kSpeedEntry.section, kSpeedEntry.key, kDefaultSpeed);
    const uint32_t deceleration = platform::readProfileInt(path.text.data(), kDecelerationEntry.section,
                                                           kDecelerationEntry.key, kDefaultDeceleration);
    return Settings{static_cast<double>(speed), static_cast<double>(deceleration)};
}

}  // namespace cabkit::sentrel
