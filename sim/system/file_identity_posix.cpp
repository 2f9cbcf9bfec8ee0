#include "file_identity.h"

#include <sys/stat.h>

namespace cabkit::sim {

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

bool samePathName(const std::filesystem::path& a, const std::filesystem::path& b) { return a == b; }

}  // namespace cabkit::sim
