// Shared file mappings on POSIX systems: mmap with MAP_SHARED.
#include "shared_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fmt/format.h>

namespace cabkit::sim {

SharedMapping::SharedMapping(const std::filesystem::path& path, std::size_t size, Mode mode) : size_(size) {
    const int flags = mode == Mode::Create ? O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC : O_RDWR | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags, 0600);
    const auto fail = [&path](const char* what, int error) {
        return std::runtime_error(fmt::format("cannot {} {}: {}", what, path.string(), std::strerror(error)));
    };
    if (fd < 0) throw fail(mode == Mode::Create ? "create" : "open", errno);
    struct stat info {};
    const bool sized = mode == Mode::Create ? ::ftruncate(fd, static_cast<off_t>(size)) == 0
                                            : ::fstat(fd, &info) == 0 && static_cast<std::size_t>(info.st_size) >= size;
    if (!sized) {
        const int error = errno;
        ::close(fd);
        throw fail("size", error);
    }
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    const int mapError = errno;
    // The mapping keeps the file open on its own.
    ::close(fd);
    if (data == MAP_FAILED) throw fail("map", mapError);
    data_ = data;
}

SharedMapping::~SharedMapping() { ::munmap(data_, size_); }

}  // namespace cabkit::sim
