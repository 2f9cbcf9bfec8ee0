// Guarded arrays on Windows: VirtualAlloc, the first and last pages made
// inaccessible with VirtualProtect.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "guarded_arrays.h"

namespace cabkit::sim {
namespace {

std::runtime_error failure(const char* what) {
    return std::runtime_error(std::string("cannot guard the host arrays: ") + what + " failed with error " +
                              std::to_string(GetLastError()));
}

}  // namespace

GuardedSlots::GuardedSlots(std::size_t slots) : count_(slots) {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const auto page = static_cast<std::size_t>(system.dwPageSize);
    const std::size_t arrayBytes = slots * sizeof(int32_t);
    std::size_t dataPages = (arrayBytes + page - 1) / page;
    if (dataPages * page - arrayBytes < 64) ++dataPages;
    mappingBytes_ = (dataPages + 2) * page;
    mapping_ = VirtualAlloc(nullptr, mappingBytes_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (mapping_ == nullptr) throw failure("VirtualAlloc");
    auto* base = static_cast<unsigned char*>(mapping_);
    unsigned char* back = base + (dataPages + 1) * page;
    DWORD previous = 0;
    if (VirtualProtect(base, page, PAGE_NOACCESS, &previous) == 0 ||
        VirtualProtect(back, page, PAGE_NOACCESS, &previous) == 0) {
        const auto error = failure("VirtualProtect");
        VirtualFree(mapping_, 0, MEM_RELEASE);
        throw error;
    }
    front_ = base + page;
    frontBytes_ = dataPages * page - arrayBytes;
    slots_ = reinterpret_cast<int32_t*>(back - arrayBytes);  // NOLINT(cppcoreguidelines-pro-type-reinterpret-cast)
    fillFront();
}

GuardedSlots::~GuardedSlots() {
    clearFront();
    VirtualFree(mapping_, 0, MEM_RELEASE);
}

}  // namespace cabkit::sim
