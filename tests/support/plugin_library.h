// Loads a fresh copy of a built plug-in the way a host does, for black-box
// tests: the library file is copied to a private temporary path first, so
// every PluginLibrary starts from the state the library has at load, even
// when another copy is loaded in the same process.
#ifndef CABKIT_TESTS_PLUGIN_LIBRARY_H
#define CABKIT_TESTS_PLUGIN_LIBRARY_H

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "host_arrays.h"
#include "plugin_table.h"

namespace cabkit::test {

// Folder of the plug-ins built by this tree (build/plugins).
std::filesystem::path pluginDirectory();

// The path of a built plug-in by its name ("Velorin"), with the platform's
// library suffix.
std::filesystem::path builtPlugin(const std::string& name);

class PluginLibrary {
public:
    // Copies the file at `path` to a fresh temporary folder and loads it.
    // Throws std::runtime_error when it cannot be loaded or lacks an export.
    explicit PluginLibrary(const std::filesystem::path& path);
    // Loads the built plug-in of that name (see builtPlugin).
    explicit PluginLibrary(const std::string& name) : PluginLibrary(builtPlugin(name)) {}
    ~PluginLibrary();

    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const CabkitPluginTable& api() const { return table_; }
    const CabkitPluginTable* operator->() const { return &table_; }
    const std::filesystem::path& loadedPath() const { return copy_; }

private:
    std::filesystem::path folder_;
    std::filesystem::path copy_;
    void* handle_ = nullptr;
    CabkitPluginTable table_{};
};

// Panel and sound arrays as a host hands them, all slots 0.
struct HostArrays {
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound{};
};

// A VehicleState with the given time (ms), speed (km/h) and everything else 0.
VehicleState stateAt(int32_t timeMs, float speedKmh = 0.0F, double location = 0.0);

}  // namespace cabkit::test

#endif  // CABKIT_TESTS_PLUGIN_LIBRARY_H
