// What makes two paths one file, as the system sees it. A file that exists
// is known by the system's own identity for it, so that a hard or symbolic
// link, a second spelling or another letter case where the system ignores
// case all name the same file. For a path with no file yet there is only the
// name, compared as the system compares names.
#ifndef CABKIT_SIM_FILE_IDENTITY_H
#define CABKIT_SIM_FILE_IDENTITY_H

#include <cstdint>
#include <filesystem>
#include <optional>

namespace cabkit::sim {

struct FileIdentity {
    uint64_t volume = 0;  // the device (POSIX), the volume serial number (Windows)
    uint64_t file = 0;    // the inode (POSIX), the file index (Windows)

    bool operator==(const FileIdentity& other) const = default;
};

// The identity of the file `path` leads to, following links; nothing when
// there is no such file or the system will not tell.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

// Whether two absolute, normalised paths are one name: byte for byte on
// POSIX, regardless of letter case on Windows.
bool samePathName(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_FILE_IDENTITY_H
