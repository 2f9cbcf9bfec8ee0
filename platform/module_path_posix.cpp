#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "module_path.h"

namespace cabkit::platform {
namespace {

// Any address inside this module will do; this one cannot be merged with a
// function of another library.
void moduleAnchor() {}

}  // namespace

std::string ownModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&moduleAnchor), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    // The loader reports the name the library was opened by, which may be
    // relative; resolve it now, while it still means what it meant at load.
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved) != nullptr) {
        return resolved;
    }
    return info.dli_fname;
}

}  // namespace cabkit::platform
