// Guarded arrays on POSIX systems: an anonymous mapping, its first and last
// pages made inaccessible with mprotect.
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "guarded_arrays.h"

namespace cabkit::sim {
namespace {

std::runtime_error failure(const char* what, int error) {
    return std::runtime_error(std::string("cannot guard the host arrays: ") + what + ": " + std::strerror(error));
}

}  // namespace

GuardedSlots::GuardedSlots(std::size_t slots) : count_(slots) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t arrayBytes = slots * sizeof(int32_t);
    std::size_t dataPages = (arrayBytes + page - 1) / page;
    // A canary of some width even when the array fills its pages exactly.
    if (dataPages * page - arrayBytes < 64) ++dataPages;
    mappingBytes_ = (dataPages + 2) * page;
    void* mapping = mmap(nullptr, mappingBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) throw failure("mmap", errno);
    mapping_ = mapping;
    auto* base = static_cast<unsigned char*>(mapping_);
    unsigned char* back = base + (dataPages + 1) * page;
    if (mprotect(base, page, PROT_NONE) != 0 || mprotect(back, page, PROT_NONE) != 0) {
        const int error = errno;
        munmap(mapping_, mappingBytes_);
        throw failure("mprotect", error);
    }
    front_ = base + page;
    frontBytes_ = dataPages * page - arrayBytes;
    slots_ = reinterpret_cast<int32_t*>(back - arrayBytes);  // NOLINT(cppcoreguidelines-pro-type-reinterpret-cast)
    fillFront();
}

GuardedSlots::~GuardedSlots() {
    clearFront();
    munmap(mapping_, mappingBytes_);
}

}  // namespace cabkit::sim
