#include <dlfcn.h>

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
    return info.dli_fname;
}

}  // namespace cabkit::platform
