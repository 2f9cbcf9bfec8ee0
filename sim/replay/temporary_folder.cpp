#include "temporary_folder.h"

#include <random>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

namespace cabkit::sim {

TemporaryFolder::TemporaryFolder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) throw std::runtime_error(fmt::format("no temporary folder: {}", error.message()));
    std::random_device entropy;
    std::mt19937_64 draw((static_cast<uint64_t>(entropy()) << 32U) ^ entropy());
    // create_directory fails on a name that exists, so two processes can
    // never share a folder; a few draws find a free name.
    constexpr int kAttempts = 16;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::filesystem::path candidate = base / fmt::format("simhost-{:016x}", draw());
        if (std::filesystem::create_directory(candidate, error)) {
            std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, error);
            path_ = candidate;
            return;
        }
        if (error) break;  // an existing name gives false without an error
    }
    throw std::runtime_error(fmt::format("cannot make a folder under {}: {}", base.string(),
                                         error ? error.message() : std::string("every name taken")));
}

TemporaryFolder::~TemporaryFolder() { remove(); }

void TemporaryFolder::remove() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    path_.clear();
}

}  // namespace cabkit::sim
