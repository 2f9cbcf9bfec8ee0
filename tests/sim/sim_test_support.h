// Helpers shared by simhost's tests: a scratch folder, the stub plug-ins'
// call record, and running the simhost executable as a user would.
#ifndef CABKIT_TESTS_SIM_TEST_SUPPORT_H
#define CABKIT_TESTS_SIM_TEST_SUPPORT_H

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cabkit::sim::test {

class ScratchFolder {
public:
    ScratchFolder() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("simhost-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::filesystem::path write(const std::string& name, const std::string& text) const {
        std::ofstream(file(name)) << text;
        return file(name);
    }

private:
    std::filesystem::path path_;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> readLines(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Points the stub plug-ins' record at a fresh file for as long as it lives.
class StubRecord {
public:
    explicit StubRecord(const ScratchFolder& folder) : path_(folder.file("calls.txt")) {
        std::filesystem::remove(path_);
        setenv("SIMHOST_STUB_RECORD", path_.c_str(), 1);
    }
    ~StubRecord() { unsetenv("SIMHOST_STUB_RECORD"); }
    std::vector<std::string> lines() const { return readLines(path_); }

private:
    std::filesystem::path path_;
};

struct ProcessResult {
    bool exited = false;  // ended by exit() rather than a signal
    int exitCode = -1;
    std::string out, err;
};

// Runs simhost with `arguments` (already quoted for the shell).
inline ProcessResult runSimhost(const ScratchFolder& folder, const std::string& arguments) {
    const auto out = folder.file("stdout.txt");
    const auto err = folder.file("stderr.txt");
    const std::string command =
        std::string("'") + SIMHOST_EXE + "' " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    ProcessResult result;
    // The shell reports a child killed by a signal as 128 + the signal.
    result.exited = WIFEXITED(status) && WEXITSTATUS(status) < 128;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace cabkit::sim::test

#endif  // CABKIT_TESTS_SIM_TEST_SUPPORT_H
