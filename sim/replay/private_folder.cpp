#include "private_folder.h"

#include <cstdint>
#include <random>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "utf8_path.h"

namespace cabkit::sim {

std::filesystem::path makePrivateFolder() {
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (error) throw std::runtime_error(fmt::format("no temporary folder: {}", error.message()));
    // create_directory reports whether it made the folder, so a name another
    // process took meanwhile is never shared: try another.
    std::random_device seed;
    std::mt19937_64 names(static_cast<std::uint64_t>(seed()) << 32U ^ seed());
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const auto folder = temporary / fmt::format("simhost-{:012x}", names() & 0xffffffffffffULL);
        if (std::filesystem::create_directory(folder, error)) {
            // Only simhost reads what it copies here.
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
            return folder;
        }
        if (error) break;
    }
    throw std::runtime_error(fmt::format("cannot make a temporary folder under {}{}", utf8Text(temporary),
                                         error ? ": " + error.message() : std::string{}));
}

}  // namespace cabkit::sim
