#include "plugin_module.h"

#include <cstring>
#include <system_error>

#include <fmt/format.h>

#include "plugin_exports.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

void removeFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

}  // namespace

PluginModule::PluginModule(const std::filesystem::path& file, const std::filesystem::path& copyFolder,
                           const std::string& name)
    : name_(name), copyFolder_(copyFolder / name) {
    const std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        throw PluginLoadError(
            fmt::format("plug-in {} not found: {} (use --plugins DIR or --plugin FILE)", name, file.string()));
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
    std::string reason;
    if (!library_.open(copy, reason)) {
        removeFolder(copyFolder_);
        // The loader names the private copy; the user knows the file it came from.
        const std::string copyText = utf8Text(copy);
        const std::string fileText = utf8Text(file);
        for (std::size_t at = reason.find(copyText); at != std::string::npos;
             at = reason.find(copyText, at + fileText.size())) {
            reason.replace(at, copyText.size(), fileText);
        }
        throw PluginLoadError(fmt::format("cannot load plug-in {}: {}", name, reason));
    }
    // The table's members are the exports in the order of kCabkitExportNames.
    auto* bytes = reinterpret_cast<unsigned char*>(&table_);
    for (std::size_t i = 0; i < CABKIT_EXPORT_COUNT; ++i) {
        void* symbol = library_.symbol(kCabkitExportNames[i]);
        if (symbol == nullptr) {
            library_.close();
            removeFolder(copyFolder_);
            throw PluginLoadError(fmt::format("cannot load plug-in {}: it does not export {} ({})", name,
                                              kCabkitExportNames[i], file.string()));
        }
        std::memcpy(bytes + i * sizeof(symbol), &symbol, sizeof(symbol));
    }
    const int32_t version = table_.GetPluginVersion();
    if (version != CABKIT_PLUGIN_VERSION) {
        library_.close();
        removeFolder(copyFolder_);
        throw PluginLoadError(
            fmt::format("cannot load plug-in {}: it reports interface version {:#x}, expected {:#x} ({})", name,
                        version, CABKIT_PLUGIN_VERSION, file.string()));
    }
}

PluginModule::~PluginModule() {
    library_.close();
    removeFolder(copyFolder_);
}

}  // namespace cabkit::sim
