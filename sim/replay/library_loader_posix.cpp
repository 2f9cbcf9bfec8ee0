#include "library_loader.h"

#include <dlfcn.h>

namespace cabkit::sim {

const char* const SharedLibrary::kExtension = ".so";

bool SharedLibrary::open(const std::filesystem::path& file, std::string& error) {
    close();
    // RTLD_LOCAL: three plug-ins with the same export names side by side.
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : "unknown error";
        return false;
    }
    return true;
}

void* SharedLibrary::symbol(const char* name) const { return handle_ != nullptr ? dlsym(handle_, name) : nullptr; }

void SharedLibrary::close() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace cabkit::sim
