#include "library_loader.h"

#include <windows.h>

#include "wide_text.h"

namespace cabkit::sim {

const char* const SharedLibrary::kExtension = ".dll";

bool SharedLibrary::open(const std::filesystem::path& file, std::string& error) {
    close();
    // No "cannot load" dialog box: the reason comes back as an error code.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // The altered search path: the DLLs a plug-in imports are looked for
    // beside the plug-in first, as when the simulator loads it from the
    // vehicle folder.
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = GetLastError();
    SetErrorMode(previousMode);
    if (module == nullptr) {
        error = systemErrorText(code);
        return false;
    }
    handle_ = module;
    return true;
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    // GetProcAddress returns a function pointer type; the table stores plain addresses.
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void SharedLibrary::close() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

}  // namespace cabkit::sim
