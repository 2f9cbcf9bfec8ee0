#include "plugin_module.h"

#include <cstdlib>
#include <cstring>
#include <system_error>

#include <fmt/format.h>

#include "plugin_exports.h"
#include "private_folder.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

void removeFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

}  // namespace

PluginModule::PluginModule(const std::filesystem::path& folder, const std::string& name) : name_(name) {
    const std::filesystem::path file = folder / (name + SharedLibrary::kExtension);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        throw PluginLoadError(fmt::format("plug-in {} not found: {} (use --plugins DIR)", name, utf8Text(file)));
    }
    try {
        copyFolder_ = makePrivateFolder();
    } catch (const std::runtime_error& folderError) {
        throw PluginLoadError(folderError.what());
    }
    try {
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
    std::string why;
    if (!library_.open(copy, why)) {
        removeFolder(copyFolder_);
        throw PluginLoadError(fmt::format("cannot load plug-in {}: {}", utf8Text(file), why));
    }
    // The table's members are the exports in the order of kCabkitExportNames.
    auto* bytes = reinterpret_cast<unsigned char*>(&table_);
    for (std::size_t i = 0; i < CABKIT_EXPORT_COUNT; ++i) {
        void* symbol = library_.symbol(kCabkitExportNames[i]);
        if (symbol == nullptr) {
            library_.close();
            removeFolder(copyFolder_);
            throw PluginLoadError(
                fmt::format("plug-in {} does not export {}", utf8Text(file), kCabkitExportNames[i]));
        }
        std::memcpy(bytes + i * sizeof(symbol), &symbol, sizeof(symbol));
    }
    const int32_t version = table_.GetPluginVersion();
    if (version != CABKIT_PLUGIN_VERSION) {
        library_.close();
        removeFolder(copyFolder_);
        throw PluginLoadError(fmt::format("plug-in {} reports interface version {:#x}, expected {:#x}", utf8Text(file),
                                          version, CABKIT_PLUGIN_VERSION));
    }
}

PluginModule::~PluginModule() {
    library_.close();
    removeFolder(copyFolder_);
}

}  // namespace cabkit::sim
