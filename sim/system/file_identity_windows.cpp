#include "file_identity.h"

#include <windows.h>

namespace cabkit::sim {

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    // No access asked for: the handle serves to read the identity only, and
    // may be had while others write. Backup semantics let a folder open too.
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    if (!known) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (uint64_t{information.nFileIndexHigh} << 32U) | information.nFileIndexLow};
}

bool samePathName(const std::filesystem::path& a, const std::filesystem::path& b) {
    const std::wstring& left = a.native();
    const std::wstring& right = b.native();
    if (left.size() != right.size()) return false;
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace cabkit::sim
