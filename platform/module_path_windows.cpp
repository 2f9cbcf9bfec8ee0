#include <windows.h>

#include "module_path.h"

namespace cabkit::platform {
namespace {

void moduleAnchor() {}

}  // namespace

std::string ownModulePath() {
    HMODULE module = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&moduleAnchor), &module) == 0) {
        return {};
    }
    // Windows paths may exceed MAX_PATH; grow until the name fits.
    std::string path(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD length = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
    return {};
}

}  // namespace cabkit::platform
