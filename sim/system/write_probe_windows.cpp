#include "write_probe.h"

#include <windows.h>

#include "wide_text.h"

namespace cabkit::sim {

std::optional<std::string> writeRefusal(const std::filesystem::path& path) {
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    // A file made for the test goes again when its handle closes, also when
    // simhost does not live to remove it. A pipe that is busy is refused at
    // once: CreateFileW never waits for one.
    const HANDLE file = exists ? CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr)
                               : CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return systemErrorText(GetLastError());
    CloseHandle(file);
    return std::nullopt;
}

}  // namespace cabkit::sim
