#include "program_folder.h"

#include <system_error>

namespace cabkit::sim {

std::filesystem::path programFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path{} : self.parent_path();
}

}  // namespace cabkit::sim
