// A fresh folder of simhost's own under the system's temporary folder, for
// the private copies of the plug-ins a replay loads.
#ifndef CABKIT_SIM_PRIVATE_FOLDER_H
#define CABKIT_SIM_PRIVATE_FOLDER_H

#include <filesystem>

namespace cabkit::sim {

// A folder that did not exist before this call, named simhost-<random>.
// Throws std::runtime_error when none can be made.
std::filesystem::path makePrivateFolder();

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PRIVATE_FOLDER_H
