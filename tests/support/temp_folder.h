// Private temporary folders for tests. ctest runs test cases in parallel
// processes, so a fixed folder name would be shared between them.
#ifndef CABKIT_TESTS_TEMP_FOLDER_H
#define CABKIT_TESTS_TEMP_FOLDER_H

#include <filesystem>
#include <string>

namespace cabkit::test {

// Creates and returns a new, empty folder under the system's temporary
// folder, named from `prefix`, the process id and a counter.
std::filesystem::path freshTempFolder(const std::string& prefix);

// Removes a folder made by freshTempFolder, with its contents, when the
// object goes out of scope.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix) : path_(freshTempFolder(prefix)) {}
    ~TempFolder();

    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace cabkit::test

#endif  // CABKIT_TESTS_TEMP_FOLDER_H
