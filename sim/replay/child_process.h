// The operating system's side of a supervised replay: starting simhost again
// as a child process, waiting for it with a deadline, ending it, and how it
// ended. Every call into the system for this lives behind this header, one
// implementation file per system (child_process_posix.cpp,
// child_process_windows.cpp).
#ifndef CABKIT_SIM_CHILD_PROCESS_H
#define CABKIT_SIM_CHILD_PROCESS_H

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cabkit::sim {

// How a child process ended.
struct ExitStatus {
    enum class How { Exited, Signalled, Stopped };
    How how = How::Exited;
    int32_t code = 0;  // the exit code, or the number of the signal that ended or stopped it

    bool exitedWith(int32_t expected) const { return how == How::Exited && code == expected; }
    // "exited with code 3", "killed by signal 11 (SIGSEGV)", "stopped by
    // signal 19 (SIGSTOP)"; on Windows, where an exception's code is the exit
    // code, "ended by exception 0xc0000005 (access violation)".
    std::string describe() const;
};

// At most this much of each of a child's two streams is shown; the rest is
// read and counted, so that a child printing without end neither blocks nor
// fills this process.
inline constexpr std::size_t kChildOutputLimit = std::size_t{4} << 20U;

// What a child printed on one stream: kept for later, or passed on to this
// process's stream as it comes. Either way it is made printable first (line
// breaks, carriage returns and tabs kept): a plug-in's output reaches the
// terminal as text, never as a command to it.
struct ChildOutput {
    std::FILE* passOn = nullptr;
    std::string kept;
    uint64_t bytes = 0;   // all it printed, shown or not
    std::string pending;  // a character cut short at the end of the last piece

    void take(const char* data, std::size_t size);
    uint64_t cut() const { return bytes > kChildOutputLimit ? bytes - kChildOutputLimit : 0; }
};

// "15 (SIGTERM)": a signal's number and, where known, its name.
std::string signalText(int32_t number);

class ChildProcess {
public:
    // Starts `program` with `arguments` (argv[1..]) in a process group (on
    // Windows a job) of its own, with this process's environment, no input,
    // and every signal at its default action. Its standard output and error
    // come back through pipes: passed on to this process's, or kept when
    // `keepOutput`. Throws std::runtime_error when it cannot be started.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments, bool keepOutput);
    // A child still running is ended first: no replay outlives its supervisor.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits at most `timeout` for the child to end, reading its output
    // meanwhile; nullopt while it runs. A child stopped by a signal counts as
    // ended. Once it has ended, whatever else is in its group is ended too,
    // and the same status comes back on every call.
    std::optional<ExitStatus> waitFor(std::chrono::milliseconds timeout);
    // Ends the child and its group at once (it gets no chance to run any
    // more code) and waits for it.
    ExitStatus kill();
    // A signal the child or a process of its group sent to this process, or 0.
    int32_t signalSent() const;

    const ChildOutput& output() const { return streams_[0]; }
    const ChildOutput& errors() const { return streams_[1]; }

private:
    void readOutput(std::chrono::milliseconds wait);
    void endGroup();

    int64_t id_ = -1;                       // the process id; on Windows the process handle
    int64_t job_ = 0;                       // Windows: the job object the child runs in
    std::array<int64_t, 2> pipes_{-1, -1};  // read ends of its output and errors
    std::array<ChildOutput, 2> streams_{};
    int32_t slot_ = -1;  // POSIX: where the signal handler finds this child
    std::chrono::steady_clock::time_point started_;
    std::optional<ExitStatus> status_;
};

// The file of the running program, for starting it again.
std::filesystem::path currentExecutable();
// This process's id, for a child to watch its parent by.
int64_t currentProcessId();

// The parent's side: Ctrl-C and termination requests set a flag that the
// supervisor reads, so that it can end the child and clean up before going.
// The same signals sent by a child or its group are not the user's: they
// are that child's, and interrupt nothing (ChildProcess::signalSent).
void catchInterrupts();
bool interruptRequested();

// The child's side: this process ends when `parent` ends, so that a killed
// supervisor leaves no replay behind. Returns false when `parent` is gone already.
bool endWithParent(int64_t parent);
// The child's side: a fault in a plug-in ends this process at once, the
// way the supervisor can read from its exit status, with no debugger or
// error report started for it.
void endAtOnceOnFault();
// The child's side: around every fork() (a plug-in's), `before` runs in this
// process and `inCopy` in the copy it makes, before fork() returns there;
// isForkedCopy() is true in that copy from then on. Does nothing where
// processes do not fork.
void watchForForks(void (*before)(), void (*inCopy)());
bool isForkedCopy();
// The child's side: the faulting address of a crash is stored in `where`
// before the crash ends this process (POSIX; 0 where it is not known).
void noteFaultAddress(std::atomic<uint64_t>* where);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CHILD_PROCESS_H
