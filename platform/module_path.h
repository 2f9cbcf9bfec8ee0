// The full path of the library file that contains the calling code, so that
// a plug-in can find files placed beside it.
#ifndef CABKIT_PLATFORM_MODULE_PATH_H
#define CABKIT_PLATFORM_MODULE_PATH_H

#include <string>

namespace cabkit::platform {

// The path of the shared library (or executable) this code is linked into;
// empty when the system cannot tell. Called at library load, never per frame.
std::string ownModulePath();

}  // namespace cabkit::platform

#endif  // CABKIT_PLATFORM_MODULE_PATH_H
