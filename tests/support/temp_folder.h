// Private temporary folders for tests. ctest runs test cases in parallel
// processes, so a fixed folder name would be shared between them.
#ifndef CABKIT_TESTS_TEMP_FOLDER_H
#define CABKIT_TESTS_TEMP_FOLDER_H

#include <filesystem>
#include <string>

namespace cabkit::test {

// Creates and returns a new, empty folder under the system's temporary
// folder, named from `prefix`, the process id, a random number and a counter.
std::filesystem::path freshTempFolder(const std::string& prefix);

// Removes `path` with everything below it; errors are ignored. Unlike
// std::filesystem::remove_all this also works on Windows when paths below
// it are longer than the system's classic 260-character limit, which tests
// of path limits create on purpose.
void removeTree(const std::filesystem::path& path);

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
