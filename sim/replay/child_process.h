// The operating system's side of a supervised replay: starting simhost again
// as a child process, waiting for it with a deadline, ending it, and how it
// ended. Every call into the system for this lives behind this header, one
// implementation file per system (child_process_posix.cpp,
// child_process_windows.cpp).
#ifndef CABKIT_SIM_CHILD_PROCESS_H
#define CABKIT_SIM_CHILD_PROCESS_H

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cabkit::sim {

// How a child process ended.
struct ExitStatus {
    enum class How { Exited, Signalled };
    How how = How::Exited;
    int32_t code = 0;  // the exit code, or the number of the signal that ended it

    bool exitedWith(int32_t expected) const { return how == How::Exited && code == expected; }
    // "exited with code 3", "killed by signal 11 (SIGSEGV)"; on Windows,
    // where an exception's code is the exit code, "ended by exception
    // 0xc0000005 (access violation)".
    std::string describe() const;
};

class ChildProcess {
public:
    // Where a child's standard output and error go instead of this
    // process's: two files, made or emptied.
    struct Capture {
        std::filesystem::path output;
        std::filesystem::path errors;
    };

    // Starts `program` with `arguments` (argv[1..]), sharing this process's
    // standard streams (or writing them to `capture`) and environment, with
    // every signal at its default action. Throws std::runtime_error when it
    // cannot be started.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::optional<Capture>& capture = std::nullopt);
    // A child still running is ended first: no replay outlives its supervisor.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits at most `timeout` for the child to end; nullopt while it runs.
    // Once it has ended, returns the same status on every call.
    std::optional<ExitStatus> waitFor(std::chrono::milliseconds timeout);
    // Ends the child at once (it gets no chance to run any more code) and
    // waits for it.
    ExitStatus kill();

private:
    int64_t id_ = -1;  // the process id; on Windows the process handle
    int64_t job_ = 0;  // Windows: the job object the child runs in
    std::chrono::steady_clock::time_point started_;
    std::optional<ExitStatus> status_;
};

// The file of the running program, for starting it again.
std::filesystem::path currentExecutable();
// This process's id, for a child to watch its parent by.
int64_t currentProcessId();

// The parent's side: Ctrl-C and termination requests set a flag that the
// supervisor reads, so that it can end the child and clean up before going.
void catchInterrupts();
bool interruptRequested();

// The child's side: this process ends when `parent` ends, so that a killed
// supervisor leaves no replay behind. Returns false when `parent` is gone already.
bool endWithParent(int64_t parent);
// The child's side: a fault in a plug-in ends this process at once, the
// way the supervisor can read from its exit status, with no debugger or
// error report started for it.
void endAtOnceOnFault();

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CHILD_PROCESS_H
