#include "temp_folder.h"

#include <atomic>
#include <system_error>

#ifdef _WIN32
#include <process.h>
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
    const auto folder = std::filesystem::temp_directory_path() /
                        (prefix + "-" + std::to_string(process) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(folder);  // left over by an earlier process of the same id
    std::filesystem::create_directories(folder);
    return folder;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace cabkit::test
