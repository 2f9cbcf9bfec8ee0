// Shared file mappings on Windows: CreateFileMappingW over the record file.
// Views of one local file are coherent between processes.
#include "shared_mapping.h"

#include <windows.h>

#include <cstdint>
#include <stdexcept>

#include <fmt/format.h>

#include "wide_text.h"

namespace cabkit::sim {

SharedMapping::SharedMapping(const std::filesystem::path& path, std::size_t size, Mode mode) : size_(size) {
    const auto fail = [&path](const char* what) {
        return std::runtime_error(
            fmt::format("cannot {} {}: {}", what, path.string(), systemErrorText(GetLastError())));
    };
    // Shared for deletion too: the supervisor removes the folder once both are done.
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, mode == Mode::Create ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw fail(mode == Mode::Create ? "create" : "open");
    LARGE_INTEGER existing{};
    if (mode == Mode::Open &&
        (GetFileSizeEx(file, &existing) == 0 || static_cast<uint64_t>(existing.QuadPart) < size)) {
        const auto error = fail("size");
        CloseHandle(file);
        throw error;
    }
    // A mapping larger than a new, empty file grows it, filled with zeros.
    const auto wanted = static_cast<uint64_t>(size);
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, static_cast<DWORD>(wanted >> 32U),
                                        static_cast<DWORD>(wanted & 0xffffffffU), nullptr);
    CloseHandle(file);
    if (mapping == nullptr) throw fail("map");
    void* data = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
    // The view keeps the mapping and the file open on its own.
    CloseHandle(mapping);
    if (data == nullptr) throw fail("map");
    data_ = data;
}

SharedMapping::~SharedMapping() {
    if (data_ != nullptr) UnmapViewOfFile(data_);
}

}  // namespace cabkit::sim
