#include "output_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace cabkit::sim {

int openOutputFile(const std::filesystem::path& path, OutputMode mode, std::string& error) {
    // Binary: a trace must be the same bytes as on every other system.
    const int flags = mode == OutputMode::Replace ? _O_WRONLY | _O_CREAT | _O_TRUNC : _O_WRONLY | _O_APPEND;
    const int fd = _wopen(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) error = std::strerror(errno);
    return fd;
}

bool writeOutputFile(int fd, const char* data, std::size_t size, std::string& error) {
    while (size > 0) {
        // _write takes an unsigned int count.
        const auto chunk = static_cast<unsigned int>(std::min<std::size_t>(size, 1U << 30));
        const int written = _write(fd, data, chunk);
        if (written < 0) {
            error = std::strerror(errno);
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool closeOutputFile(int fd) { return _close(fd) == 0; }

std::FILE* openOutputStream(const std::filesystem::path& path) { return _wfopen(path.c_str(), L"wb"); }

}  // namespace cabkit::sim
