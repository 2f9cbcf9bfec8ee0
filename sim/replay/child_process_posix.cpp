// Child processes on POSIX systems: posix_spawn, waitpid, kill. On Linux a
// child also ends with its parent (prctl).
#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <fmt/format.h>

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace cabkit::sim {
namespace {

const char* signalName(int32_t number) {
    switch (number) {
        case SIGSEGV: return "SIGSEGV";
        case SIGBUS: return "SIGBUS";
        case SIGABRT: return "SIGABRT";
        case SIGFPE: return "SIGFPE";
        case SIGILL: return "SIGILL";
        case SIGTRAP: return "SIGTRAP";
        case SIGSYS: return "SIGSYS";
        case SIGKILL: return "SIGKILL";
        case SIGTERM: return "SIGTERM";
        case SIGINT: return "SIGINT";
        case SIGHUP: return "SIGHUP";
        case SIGQUIT: return "SIGQUIT";
        case SIGPIPE: return "SIGPIPE";
        case SIGALRM: return "SIGALRM";
        case SIGXCPU: return "SIGXCPU";
        case SIGXFSZ: return "SIGXFSZ";
        case SIGUSR1: return "SIGUSR1";
        case SIGUSR2: return "SIGUSR2";
        default: return nullptr;
    }
}

ExitStatus statusOf(int waitStatus) {
    if (WIFSIGNALED(waitStatus)) return ExitStatus{ExitStatus::How::Signalled, WTERMSIG(waitStatus)};
    return ExitStatus{ExitStatus::How::Exited, WEXITSTATUS(waitStatus)};
}

volatile sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int /*signalNumber*/) { interrupted = 1; }

}  // namespace

std::string ExitStatus::describe() const {
    if (how == How::Exited) return fmt::format("exited with code {}", code);
    const char* name = signalName(code);
    return name != nullptr ? fmt::format("killed by signal {} ({})", code, name)
                           : fmt::format("killed by signal {}", code);
}

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::optional<Capture>& capture)
    : started_(std::chrono::steady_clock::now()) {
    std::vector<std::string> texts;
    texts.reserve(arguments.size() + 1);
    texts.push_back(program.string());
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    // Whatever this process ignores or catches, the child starts with every
    // signal at its default action and none blocked: a plug-in's crash must
    // end it the ordinary way.
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) throw std::runtime_error("cannot start the replay process");
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, static_cast<short>(POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK));
    // Captured output goes to files the child opens as its streams 1 and 2.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attributes);
        throw std::runtime_error("cannot start the replay process");
    }
    if (capture) {
        constexpr int kFlags = O_WRONLY | O_CREAT | O_TRUNC;
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, capture->output.c_str(), kFlags, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, capture->errors.c_str(), kFlags, 0600);
    }
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        throw std::runtime_error(
            fmt::format("cannot start the replay process {}: {}", program.string(), std::strerror(error)));
    }
    id_ = pid;
}

ChildProcess::~ChildProcess() {
    if (!status_) static_cast<void>(kill());
}

std::optional<ExitStatus> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + timeout;
    while (!status_) {
        int waitStatus = 0;
        const pid_t ended = waitpid(static_cast<pid_t>(id_), &waitStatus, WNOHANG);
        if (ended == static_cast<pid_t>(id_)) {
            status_ = statusOf(waitStatus);
            break;
        }
        if (ended < 0 && errno != EINTR) {
            // Not our child any more (it cannot happen unless someone reaped
            // it behind our back): report it as gone rather than wait forever.
            status_ = ExitStatus{ExitStatus::How::Signalled, SIGKILL};
            break;
        }
        const auto now = steady_clock::now();
        if (now >= deadline) break;
        // Short replays end within milliseconds: look often at first, then
        // settle to a few times a second's worth of checks.
        const auto age = duration_cast<milliseconds>(now - started_);
        const milliseconds step = std::clamp(age / 20, milliseconds(1), milliseconds(50));
        std::this_thread::sleep_for(std::min<nanoseconds>(step, deadline - now));
    }
    return status_;
}

ExitStatus ChildProcess::kill() {
    if (status_) return *status_;
    ::kill(static_cast<pid_t>(id_), SIGKILL);
    int waitStatus = 0;
    pid_t ended = -1;
    do {
        ended = waitpid(static_cast<pid_t>(id_), &waitStatus, 0);
    } while (ended < 0 && errno == EINTR);
    status_ = ended == static_cast<pid_t>(id_) ? statusOf(waitStatus) : ExitStatus{ExitStatus::How::Signalled, SIGKILL};
    return *status_;
}

std::filesystem::path currentExecutable() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) throw std::runtime_error("cannot find simhost's own executable (/proc/self/exe)");
    return self;
}

int64_t currentProcessId() { return getpid(); }

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);
}

bool interruptRequested() { return interrupted != 0; }

bool endWithParent(int64_t parent) {
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    // The parent may have gone before the request above took effect.
    return getppid() == static_cast<pid_t>(parent);
}

// A fatal signal at its default action does exactly that.
void endAtOnceOnFault() {}

}  // namespace cabkit::sim
