#include "temp_folder.h"

#include <atomic>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace cabkit::test {

std::filesystem::path freshTempFolder(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const auto process = static_cast<unsigned long>(_getpid());
#else
    const auto process = static_cast<unsigned long>(getpid());
#endif
    // Process ids come round again quickly under wine; a random part keeps a
    // later process from meeting an earlier one's folder.
    static const unsigned salt = std::random_device{}();
    const auto folder =
        std::filesystem::temp_directory_path() /
        (prefix + "-" + std::to_string(process) + "-" + std::to_string(salt) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(folder);
    return folder;
}

#ifdef _WIN32
namespace {

// The runtime's file calls stop at 260 characters; the wide system calls
// with the "\\?\" prefix do not.
void removeLongTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry{};
    const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = path + L"\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                removeLongTree(child);
            } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveDirectoryW(child.c_str());  // a link: remove it, not what it points to
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &entry) != 0);
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

}  // namespace

void removeTree(const std::filesystem::path& path) {
    std::error_code error;
    std::wstring full = std::filesystem::absolute(path, error).make_preferred().wstring();
    if (error || full.empty()) {
        return;
    }
    if (full.rfind(L"\\\\?\\", 0) != 0) {
        full = full.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
    }
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileW(full.c_str());
        return;
    }
    removeLongTree(full);
}
#else
void removeTree(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}
#endif

TempFolder::~TempFolder() { removeTree(path_); }

}  // namespace cabkit::test
