#include "loaded_plugin.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef CABKIT_PLUGIN_DIR
#error "CABKIT_PLUGIN_DIR must name the folder of the built plug-ins"
#endif

namespace cabkit::fuzz {

LoadedPlugin loadPlugin(const std::string& name) {
    const char* override = std::getenv("CABKIT_FUZZ_PLUGIN_DIR");
    const std::string folder = (override != nullptr && *override != '\0') ? override : CABKIT_PLUGIN_DIR;
    const std::string path = folder + "/" + name + ".so";
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        std::abort();
    }
    LoadedPlugin plugin;
    plugin.name = name;
    plugin.allowed = &allowListFor(name);
    auto* bytes = reinterpret_cast<unsigned char*>(&plugin.api);
    for (std::size_t i = 0; i < CABKIT_EXPORT_COUNT; ++i) {
        void* symbol = dlsym(handle, kCabkitExportNames[i]);
        if (symbol == nullptr) {
            std::fprintf(stderr, "%s lacks the export %s\n", path.c_str(), kCabkitExportNames[i]);
            std::abort();
        }
        std::memcpy(bytes + i * sizeof(symbol), &symbol, sizeof(symbol));
    }
    return plugin;
}

}  // namespace cabkit::fuzz
