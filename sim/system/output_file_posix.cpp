#include "output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cabkit::sim {

int openOutputFile(const std::filesystem::path& path, OutputMode mode, std::string& error) {
    const int flags =
        mode == OutputMode::Replace ? O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC : O_WRONLY | O_APPEND | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) error = std::strerror(errno);
    return fd;
}

bool writeOutputFile(int fd, const char* data, std::size_t size, std::string& error) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool closeOutputFile(int fd) { return ::close(fd) == 0; }

std::FILE* openOutputStream(const std::filesystem::path& path) { return std::fopen(path.c_str(), "wb"); }

}  // namespace cabkit::sim
