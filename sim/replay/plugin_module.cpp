#include "plugin_module.h"

#include <dlfcn.h>

#include <cstring>
#include <system_error>

#include <fmt/format.h>

#include "plugin_exports.h"

namespace cabkit::sim {
namespace {

void removeFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

}  // namespace

PluginModule::PluginModule(const std::filesystem::path& folder, const std::filesystem::path& copyFolder,
                           const std::string& name)
    : name_(name), copyFolder_(copyFolder / name) {
    const std::filesystem::path file = folder / (name + ".so");
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        throw PluginLoadError(fmt::format("plug-in {} not found: {} (use --plugins DIR)", name, file.string()));
    }
    try {
        std::filesystem::create_directory(copyFolder_);
        std::filesystem::copy_file(file, copyFolder_ / file.filename());
        // Settings files travel with the library: a plug-in reads them from its own folder.
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.is_regular_file() && entry.path().extension() == ".ini") {
                std::filesystem::copy_file(entry.path(), copyFolder_ / entry.path().filename());
            }
        }
    } catch (const std::filesystem::filesystem_error& copyError) {
        removeFolder(copyFolder_);
        throw PluginLoadError(fmt::format("cannot copy plug-in {}: {}", name, copyError.what()));
    }

    const std::filesystem::path copy = copyFolder_ / file.filename();
    handle_ = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        removeFolder(copyFolder_);
        // The loader names the private copy; the user knows the file it came from.
        std::string reason = why != nullptr ? why : "unknown error";
        for (std::size_t at = reason.find(copy.string()); at != std::string::npos;
             at = reason.find(copy.string(), at + file.string().size())) {
            reason.replace(at, copy.string().size(), file.string());
        }
        throw PluginLoadError(fmt::format("cannot load plug-in {}: {}", name, reason));
    }
    // The table's members are the exports in the order of kCabkitExportNames.
    auto* bytes = reinterpret_cast<unsigned char*>(&table_);
    for (std::size_t i = 0; i < CABKIT_EXPORT_COUNT; ++i) {
        void* symbol = dlsym(handle_, kCabkitExportNames[i]);
        if (symbol == nullptr) {
            dlclose(handle_);
            removeFolder(copyFolder_);
            throw PluginLoadError(
                fmt::format("cannot load plug-in {}: it does not export {} ({})", name, kCabkitExportNames[i], file.string()));
        }
        std::memcpy(bytes + i * sizeof(symbol), &symbol, sizeof(symbol));
    }
    const int32_t version = table_.GetPluginVersion();
    if (version != CABKIT_PLUGIN_VERSION) {
        dlclose(handle_);
        removeFolder(copyFolder_);
        throw PluginLoadError(fmt::format("cannot load plug-in {}: it reports interface version {:#x}, expected {:#x} ({})",
                                          name, version, CABKIT_PLUGIN_VERSION, file.string()));
    }
}

PluginModule::~PluginModule() {
    dlclose(handle_);
    removeFolder(copyFolder_);
}

}  // namespace cabkit::sim
