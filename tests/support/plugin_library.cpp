#include "plugin_library.h"

#include "temp_folder.h"

#include <cstring>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#ifndef CABKIT_PLUGIN_DIR
#error "CABKIT_PLUGIN_DIR must name the folder of the built plug-ins"
#endif

namespace cabkit::test {
namespace {

#ifdef _WIN32
constexpr const char* kSuffix = ".dll";
#else
constexpr const char* kSuffix = ".so";
#endif

void* openLibrary(const std::filesystem::path& path) {
#ifdef _WIN32
    return reinterpret_cast<void*>(LoadLibraryW(path.wstring().c_str()));
#else
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void* findSymbol(void* handle, const char* name) {
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

void closeLibrary(void* handle) {
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
}

std::string lastLoadError() {
#ifdef _WIN32
    return "LoadLibrary error " + std::to_string(GetLastError());
#else
    const char* error = dlerror();
    return error != nullptr ? error : "unknown error";
#endif
}

}  // namespace

std::filesystem::path pluginDirectory() { return std::filesystem::path(CABKIT_PLUGIN_DIR); }

std::filesystem::path builtPlugin(const std::string& name) { return pluginDirectory() / (name + kSuffix); }

PluginLibrary::PluginLibrary(const std::filesystem::path& path) : folder_(freshTempFolder("cabkit-plugin")) {
    copy_ = folder_ / path.filename();
    std::filesystem::copy_file(path, copy_, std::filesystem::copy_options::overwrite_existing);
    handle_ = openLibrary(copy_);
    if (handle_ == nullptr) {
        const std::string error = lastLoadError();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        throw std::runtime_error("cannot load " + path.string() + ": " + error);
    }
    // The table's members are the exports in the order of kCabkitExportNames.
    auto* bytes = reinterpret_cast<unsigned char*>(&table_);
    for (std::size_t i = 0; i < CABKIT_EXPORT_COUNT; ++i) {
        void* symbol = findSymbol(handle_, kCabkitExportNames[i]);
        std::memcpy(bytes + i * sizeof(symbol), &symbol, sizeof(symbol));
        if (symbol == nullptr) {
            closeLibrary(handle_);
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
            throw std::runtime_error(path.string() + " lacks the export " + kCabkitExportNames[i]);
        }
    }
}

PluginLibrary::~PluginLibrary() {
    closeLibrary(handle_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

VehicleState stateAt(int32_t timeMs, float speedKmh, double location) {
    VehicleState state{};
    state.location = location;
    state.speed = speedKmh;
    state.time = timeMs;
    return state;
}

}  // namespace cabkit::test
