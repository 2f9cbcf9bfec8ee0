// A folder of its own under the system's temporary folder, removed with
// everything in it when the object goes. A replay keeps its private library
// copies and its record there.
#ifndef CABKIT_SIM_TEMPORARY_FOLDER_H
#define CABKIT_SIM_TEMPORARY_FOLDER_H

#include <filesystem>

namespace cabkit::sim {

class TemporaryFolder {
public:
    // Makes a new folder "simhost-<random>", readable by its owner only.
    // Throws std::runtime_error when none can be made.
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Removes the folder now; later calls and the destructor do nothing.
    void remove();

private:
    std::filesystem::path path_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TEMPORARY_FOLDER_H
