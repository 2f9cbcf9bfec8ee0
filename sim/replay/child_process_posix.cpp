// Child processes on POSIX systems: posix_spawn into a session of its own,
// waitid, kill of the whole group, pipes for its output. On Linux a child
// also ends with its parent (prctl).
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
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
        case SIGSTOP: return "SIGSTOP";
        case SIGTSTP: return "SIGTSTP";
        case SIGTTIN: return "SIGTTIN";
        case SIGTTOU: return "SIGTTOU";
        default: return nullptr;
    }
}

// Children running now, for the signal handler: their process ids, each
// the id of its child's group as well; 0 for a free place. Twice the most
// replays a batch runs at once.
constexpr std::size_t kPlaces = std::size_t{2} * 64;
std::array<std::atomic<pid_t>, kPlaces> running{};
std::array<std::atomic<int32_t>, kPlaces> sentBy{};
std::atomic<bool> interrupted{false};

int32_t claimSlot(pid_t pid) {
    for (std::size_t i = 0; i < kPlaces; ++i) {
        pid_t free = 0;
        if (running[i].compare_exchange_strong(free, pid)) return static_cast<int32_t>(i);
    }
    return -1;  // more children than slots: their signals count as interrupts
}

// Signals from a process not (yet) known as a child's: a child may signal
// before its supervisor has entered it above, so they are judged later,
// outside the handler.
struct PendingSignal {
    std::atomic<pid_t> sender{0};
    std::atomic<pid_t> group{0};
    std::atomic<int32_t> signal{0};  // 0 not yet filled, -1 judged
};
std::array<PendingSignal, 32> pending{};
std::atomic<uint32_t> pendingCount{0};
std::mutex judging;

// The slot of the child that `sender` (of group `group`) is or belongs to, or -1.
int32_t childOf(pid_t sender, pid_t group) {
    for (std::size_t i = 0; i < kPlaces; ++i) {
        const pid_t child = running[i].load();
        if (child > 0 && (sender == child || group == child)) return static_cast<int32_t>(i);
    }
    return -1;
}

void blame(int32_t slot, int32_t signalNumber) {
    // Held where it is, so that the call it was in can be named.
    ::kill(-running[static_cast<std::size_t>(slot)].load(), SIGSTOP);
    sentBy[static_cast<std::size_t>(slot)].store(signalNumber);
}

// A signal from a child's group is that child's doing; any other is the
// user's (or the system's) request to stop.
extern "C" void onInterrupt(int signalNumber, siginfo_t* info, void* /*context*/) {
    const int savedErrno = errno;
    const pid_t sender = info != nullptr ? info->si_pid : 0;
    if (sender > 0 && sender != getpid()) {
        const pid_t group = getpgid(sender);
        const int32_t slot = childOf(sender, group);
        if (slot >= 0) {
            blame(slot, signalNumber);
        } else if (const uint32_t at = pendingCount.fetch_add(1); at < pending.size()) {
            pending[at].sender.store(sender);
            pending[at].group.store(group);
            pending[at].signal.store(signalNumber, std::memory_order_release);
        } else {
            interrupted.store(true);
        }
    } else {
        interrupted.store(true);
    }
    errno = savedErrno;
}

void judgePending() {
    const std::lock_guard<std::mutex> one(judging);
    const uint32_t count = std::min<uint32_t>(pendingCount.load(), static_cast<uint32_t>(pending.size()));
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t signalNumber = pending[i].signal.load(std::memory_order_acquire);
        if (signalNumber <= 0) continue;
        const int32_t slot = childOf(pending[i].sender.load(), pending[i].group.load());
        if (slot >= 0) {
            blame(slot, signalNumber);
        } else {
            interrupted.store(true);
        }
        pending[i].signal.store(-1);
    }
}

ExitStatus statusOf(const siginfo_t& info) {
    switch (info.si_code) {
        case CLD_EXITED: return ExitStatus{ExitStatus::How::Exited, info.si_status};
        case CLD_STOPPED: return ExitStatus{ExitStatus::How::Stopped, info.si_status};
        default: return ExitStatus{ExitStatus::How::Signalled, info.si_status};
    }
}

std::atomic<uint64_t>* faultAddress = nullptr;
void (*forkPrepared)() = nullptr;
void (*forkHandler)() = nullptr;
bool forkedCopy = false;

extern "C" void onFault(int signalNumber, siginfo_t* info, void* /*context*/) {
    if (faultAddress != nullptr && info != nullptr) {
        faultAddress->store(reinterpret_cast<uintptr_t>(info->si_addr), std::memory_order_release);
    }
    // The action is back at its default (SA_RESETHAND): this ends the
    // process, also when the signal was sent rather than a fault.
    static_cast<void>(raise(signalNumber));
}

extern "C" void beforeFork() {
    if (forkPrepared != nullptr) forkPrepared();
}

extern "C" void inForkedCopy() {
    forkedCopy = true;
    if (forkHandler != nullptr) forkHandler();
}

void closeFd(int64_t& fd) {
    if (fd >= 0) ::close(static_cast<int>(fd));
    fd = -1;
}

}  // namespace

std::string signalText(int32_t number) {
    const char* name = signalName(number);
    return name != nullptr ? fmt::format("{} ({})", number, name) : std::to_string(number);
}

std::string ExitStatus::describe() const {
    if (how == How::Exited) return fmt::format("exited with code {}", code);
    const char* name = signalName(code);
    const char* verb = how == How::Stopped ? "stopped" : "killed";
    return name != nullptr ? fmt::format("{} by signal {} ({})", verb, code, name)
                           : fmt::format("{} by signal {}", verb, code);
}

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           bool keepOutput)
    : started_(std::chrono::steady_clock::now()) {
    std::vector<std::string> texts;
    texts.reserve(arguments.size() + 1);
    texts.push_back(program.string());
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    // Close-on-exec, so that a child started meanwhile by another thread
    // holds no end of these.
    std::array<int, 2> out{-1, -1};
    std::array<int, 2> err{-1, -1};
    if (pipe2(out.data(), O_CLOEXEC) != 0 || pipe2(err.data(), O_CLOEXEC) != 0) {
        const int error = errno;
        for (const int fd : {out[0], out[1], err[0], err[1]}) {
            if (fd >= 0) ::close(fd);
        }
        throw std::runtime_error(fmt::format("cannot start the replay process: pipe: {}", std::strerror(error)));
    }
    const auto closeWriteEnds = [&] {
        ::close(out[1]);
        ::close(err[1]);
    };

    // Whatever this process ignores or catches, the child starts with every
    // signal at its default action and none blocked: a plug-in's crash must
    // end it the ordinary way. A session of its own keeps the terminal's
    // signals and whatever it starts apart from this process.
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    if (posix_spawnattr_init(&attributes) != 0 || posix_spawn_file_actions_init(&actions) != 0) {
        closeWriteEnds();
        ::close(out[0]);
        ::close(err[0]);
        throw std::runtime_error("cannot start the replay process");
    }
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
#ifdef POSIX_SPAWN_SETSID
    constexpr int kOwnGroup = POSIX_SPAWN_SETSID;
#else
    constexpr int kOwnGroup = POSIX_SPAWN_SETPGROUP;
    posix_spawnattr_setpgroup(&attributes, 0);
#endif
    posix_spawnattr_setflags(&attributes,
                             static_cast<short>(POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | kOwnGroup));
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeWriteEnds();
    pipes_ = {out[0], err[0]};
    if (error != 0) {
        closeFd(pipes_[0]);
        closeFd(pipes_[1]);
        throw std::runtime_error(
            fmt::format("cannot start the replay process {}: {}", program.string(), std::strerror(error)));
    }
    for (const int64_t fd : pipes_) {
        const int flags = fcntl(static_cast<int>(fd), F_GETFL);
        fcntl(static_cast<int>(fd), F_SETFL, flags | O_NONBLOCK);
    }
    if (!keepOutput) {
        streams_[0].passOn = stdout;
        streams_[1].passOn = stderr;
    }
    id_ = pid;
    slot_ = claimSlot(pid);
}

ChildProcess::~ChildProcess() {
    if (!status_) static_cast<void>(kill());
    closeFd(pipes_[0]);
    closeFd(pipes_[1]);
    if (slot_ >= 0) {
        sentBy[static_cast<std::size_t>(slot_)].store(0);
        running[static_cast<std::size_t>(slot_)].store(0);
    }
}

int32_t ChildProcess::signalSent() const {
    judgePending();
    return slot_ >= 0 ? sentBy[static_cast<std::size_t>(slot_)].load() : 0;
}

void ChildProcess::readOutput(std::chrono::milliseconds wait) {
    std::array<pollfd, 2> fds{};
    nfds_t count = 0;
    std::array<std::size_t, 2> stream{};
    for (std::size_t i = 0; i < 2; ++i) {
        if (pipes_[i] < 0) continue;
        fds[count] = pollfd{static_cast<int>(pipes_[i]), POLLIN, 0};
        stream[count++] = i;
    }
    const int ms = static_cast<int>(wait.count());
    if (count == 0) {
        if (ms > 0) std::this_thread::sleep_for(wait);
        return;
    }
    if (poll(fds.data(), count, ms) <= 0) return;
    std::array<char, 65536> buffer{};
    for (nfds_t n = 0; n < count; ++n) {
        if (fds[n].revents == 0) continue;
        const std::size_t i = stream[n];
        // A bounded number of reads per look, so that a flood cannot keep
        // the watchdog from its rounds.
        for (int reads = 0; reads < 64; ++reads) {
            const ssize_t got = ::read(static_cast<int>(pipes_[i]), buffer.data(), buffer.size());
            if (got > 0) {
                streams_[i].take(buffer.data(), static_cast<std::size_t>(got));
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) closeFd(pipes_[i]);
            break;
        }
    }
}

// Everything still in the child's group ends with it: helpers it started
// cannot outlive the replay. The child is not reaped yet, so the group's
// number cannot have passed to another group meanwhile.
void ChildProcess::endGroup() {
    ::kill(-static_cast<pid_t>(id_), SIGKILL);
    pid_t ended = -1;
    do {
        ended = waitpid(static_cast<pid_t>(id_), nullptr, 0);
    } while (ended < 0 && errno == EINTR);
    // What is left in the pipes; a writer that escaped the group cannot hold them open.
    for (int round = 0; round < 16 && (pipes_[0] >= 0 || pipes_[1] >= 0); ++round) {
        readOutput(std::chrono::milliseconds(0));
    }
    closeFd(pipes_[0]);
    closeFd(pipes_[1]);
}

std::optional<ExitStatus> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + timeout;
    while (!status_) {
        siginfo_t info{};
        const int waited = waitid(P_PID, static_cast<id_t>(id_), &info, WEXITED | WSTOPPED | WNOHANG | WNOWAIT);
        if (waited == 0 && info.si_pid == static_cast<pid_t>(id_)) {
            status_ = statusOf(info);
            endGroup();
            break;
        }
        if (waited < 0 && errno != EINTR) {
            // Not our child any more (it cannot happen unless someone reaped
            // it behind our back): report it as gone rather than wait forever.
            status_ = ExitStatus{ExitStatus::How::Signalled, SIGKILL};
            endGroup();
            break;
        }
        const auto now = steady_clock::now();
        if (now >= deadline) break;
        // Short replays end within milliseconds: look often at first, then
        // settle to a few times a second's worth of checks.
        const auto age = duration_cast<milliseconds>(now - started_);
        const milliseconds step = std::clamp(age / 20, milliseconds(1), milliseconds(50));
        readOutput(std::min(step, duration_cast<milliseconds>(deadline - now) + milliseconds(1)));
    }
    return status_;
}

ExitStatus ChildProcess::kill() {
    if (status_) return *status_;
    ::kill(-static_cast<pid_t>(id_), SIGKILL);
    ::kill(static_cast<pid_t>(id_), SIGKILL);
    siginfo_t info{};
    int waited = -1;
    do {
        waited = waitid(P_PID, static_cast<id_t>(id_), &info, WEXITED | WNOWAIT);
    } while (waited < 0 && errno == EINTR);
    status_ = waited == 0 ? statusOf(info) : ExitStatus{ExitStatus::How::Signalled, SIGKILL};
    endGroup();
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
    action.sa_sigaction = onInterrupt;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM}) {
        sigaction(signalNumber, &action, nullptr);
    }
}

bool interruptRequested() {
    judgePending();
    return interrupted.load();
}

bool endWithParent(int64_t parent) {
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    // The parent may have gone before the request above took effect.
    return getppid() == static_cast<pid_t>(parent);
}

// A fatal signal at its default action does exactly that.
void endAtOnceOnFault() {}

void watchForForks(void (*before)(), void (*inCopy)()) {
    forkPrepared = before;
    forkHandler = inCopy;
    pthread_atfork(beforeFork, nullptr, inForkedCopy);
}

bool isForkedCopy() { return forkedCopy; }

void noteFaultAddress(std::atomic<uint64_t>* where) {
    faultAddress = where;
    // A stack of its own for the handler, so that it runs after an overflow of the main thread's.
    static std::array<char, 65536> handlerStack{};
    stack_t stack{};
    stack.ss_sp = handlerStack.data();
    stack.ss_size = handlerStack.size();
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = onFault;
    action.sa_flags = static_cast<int>(static_cast<unsigned>(SA_SIGINFO) | SA_RESETHAND | SA_NODEFER | SA_ONSTACK);
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGSEGV, SIGBUS}) sigaction(signalNumber, &action, nullptr);
}

}  // namespace cabkit::sim
