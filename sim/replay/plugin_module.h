// One plug-in library, opened the way the simulator opens it: by file, with
// its sixteen exports looked up by name. Nothing of the plug-in is linked in.
//
// Each module loads a private copy of the library (and of the settings files
// beside it), so that every replay starts from the library's load state, even
// when one process replays several scenarios. The copies go into a folder the
// caller owns; the module removes its own copy when it goes, and whatever a
// process that dies leaves there is the owner's to remove.
#ifndef CABKIT_SIM_PLUGIN_MODULE_H
#define CABKIT_SIM_PLUGIN_MODULE_H

#include <filesystem>
#include <stdexcept>
#include <string>

#include "library_loader.h"
#include "plugin_table.h"

namespace cabkit::sim {

class PluginLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PluginModule {
public:
    // Loads a copy of `file` (with the settings files beside it) made in
    // `<copyFolder>/<name>/`.
    // Throws PluginLoadError when the file is missing, cannot be copied,
    // does not load, lacks an export or reports another interface version.
    PluginModule(const std::filesystem::path& file, const std::filesystem::path& copyFolder, const std::string& name);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const std::string& name() const { return name_; }
    const CabkitPluginTable& api() const { return table_; }

private:
    std::string name_;
    std::filesystem::path copyFolder_;
    SharedLibrary library_;
    CabkitPluginTable table_{};
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PLUGIN_MODULE_H
