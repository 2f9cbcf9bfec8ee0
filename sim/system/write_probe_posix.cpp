#include "write_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cabkit::sim {

std::optional<std::string> writeRefusal(const std::filesystem::path& path) {
    const char* file = path.c_str();
    struct stat status {};
    if (::stat(file, &status) == 0) {
        // Non-blocking: a pipe without a reader is refused, not waited for.
        const int fd = ::open(file, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return std::strerror(errno);
        ::close(fd);
        return std::nullopt;
    }
    const int fd = ::open(file, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    ::unlink(file);
    return std::nullopt;
}

}  // namespace cabkit::sim
