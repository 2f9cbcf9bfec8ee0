// The folder simhost's own executable is in, where it looks first for the
// plug-ins and the bundled demo, so that an unpacked or moved copy works
// wherever it was put.
#ifndef CABKIT_SIM_PROGRAM_FOLDER_H
#define CABKIT_SIM_PROGRAM_FOLDER_H

#include <filesystem>

namespace cabkit::sim {

// Empty when the system cannot tell.
std::filesystem::path programFolder();

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PROGRAM_FOLDER_H
