// Child processes on Windows: CreateProcessW, each child in a job object of
// its own. The job ends the child with everything it started, and ends it
// too when the supervisor goes, since the supervisor's handle is the job's
// last. Its output comes back through pipes. Neither an error box nor a debugger comes up for a crash: the child
// ends with the exception's code as its exit code.
#include "child_process.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <stdexcept>

#include <fmt/format.h>

#include "wide_text.h"

namespace cabkit::sim {
namespace {

// What kill() gives the child as exit code, and how its status reads.
constexpr DWORD kEndedBySupervisor = 0xE0000001U;  // the customer bit: no system code
// Exit codes from here up are exception codes (NTSTATUS errors and warnings).
constexpr DWORD kFirstExceptionCode = 0x80000000U;

HANDLE handleOf(int64_t value) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)); }
int64_t valueOf(HANDLE handle) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(handle)); }

const char* exceptionName(uint32_t code) {
    switch (code) {
        case 0xC0000005U: return "access violation";
        case 0xC00000FDU: return "stack overflow";
        case 0xC0000094U: return "integer division by zero";
        case 0xC0000095U: return "integer overflow";
        case 0xC000008EU: return "floating-point division by zero";
        case 0xC000001DU: return "illegal instruction";
        case 0xC0000096U: return "privileged instruction";
        case 0xC0000409U: return "stack buffer overrun or fast fail";
        case 0xC0000374U: return "heap corruption";
        case 0xC0000135U: return "a DLL was not found";
        case 0xC0000139U: return "an entry point was not found";
        case 0xC0000142U: return "a DLL failed to initialise";
        case 0xC000013AU: return "Ctrl-C";
        case 0x80000003U: return "breakpoint";
        default: return nullptr;
    }
}

ExitStatus statusOf(DWORD exitCode) {
    if (exitCode >= kFirstExceptionCode) return ExitStatus{ExitStatus::How::Signalled, static_cast<int32_t>(exitCode)};
    return ExitStatus{ExitStatus::How::Exited, static_cast<int32_t>(exitCode)};
}

// One argument as CommandLineToArgvW and the C runtime read it back:
// quoted when it has spaces or quotes, backslashes doubled before a quote.
std::wstring quotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

HANDLE makeJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    if (SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) == 0) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

// The child writes where this process writes.
void shareStandardHandles(STARTUPINFOW& startup) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    HANDLE* targets[] = {&startup.hStdInput, &startup.hStdOutput, &startup.hStdError};
    const DWORD which[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (std::size_t i = 0; i < 3; ++i) {
        HANDLE handle = GetStdHandle(which[i]);
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        }
        *targets[i] = handle;
    }
}

// A pipe for one of the child's streams: the write end inheritable, for the
// child, the read end this process's own.
void makeOutputPipe(HANDLE& read, HANDLE& write) {
    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof(inherit);
    inherit.bInheritHandle = TRUE;
    if (CreatePipe(&read, &write, &inherit, 0) == 0) {
        throw std::runtime_error(
            fmt::format("cannot start the replay process: pipe: {}", systemErrorText(GetLastError())));
    }
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
}

// Children are started one at a time: an inheritable pipe end must
// reach only the child it was made for, and is closed here before the next
// child starts and could inherit it too (check -j starts them from several
// threads).
std::mutex startingChild;

volatile LONG interrupted = 0;

BOOL WINAPI onConsoleEvent(DWORD /*event*/) {
    InterlockedExchange(&interrupted, 1);
    return TRUE;  // handled: the supervisor ends the child and cleans up
}

LONG WINAPI endWithTheException(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI endWhenParentEnds(LPVOID parent) {
    WaitForSingleObject(static_cast<HANDLE>(parent), INFINITE);
    TerminateProcess(GetCurrentProcess(), kEndedBySupervisor);
    return 0;
}

}  // namespace

std::string ExitStatus::describe() const {
    if (how == How::Exited) return fmt::format("exited with code {}", code);
    const auto value = static_cast<uint32_t>(code);
    if (value == kEndedBySupervisor) return "ended by simhost";
    const char* name = exceptionName(value);
    return name != nullptr ? fmt::format("ended by exception {:#010x} ({})", value, name)
                           : fmt::format("ended by exception {:#010x}", value);
}

std::string signalText(int32_t number) { return std::to_string(number); }

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           bool keepOutput)
    : started_(std::chrono::steady_clock::now()) {
    std::wstring commandLine = quotedArgument(program.wstring());
    for (const std::string& argument : arguments) commandLine += L" " + quotedArgument(wideFromUtf8(argument));

    // Inherited by the child: a crash shows no error box.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    shareStandardHandles(startup);
    PROCESS_INFORMATION process{};
    {
        const std::lock_guard<std::mutex> oneAtATime(startingChild);
        HANDLE reads[2] = {nullptr, nullptr};
        HANDLE writes[2] = {nullptr, nullptr};
        const auto closeAll = [&] {
            for (HANDLE* ends : {reads, writes}) {
                for (int i = 0; i < 2; ++i) {
                    if (ends[i] != nullptr) CloseHandle(ends[i]);
                    ends[i] = nullptr;
                }
            }
        };
        try {
            makeOutputPipe(reads[0], writes[0]);
            makeOutputPipe(reads[1], writes[1]);
        } catch (...) {
            closeAll();
            throw;
        }
        startup.hStdInput = nullptr;
        startup.hStdOutput = writes[0];
        startup.hStdError = writes[1];
        // Suspended until it is in its job, so nothing it starts escapes.
        const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                            CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
        const DWORD why = GetLastError();
        CloseHandle(writes[0]);  // the child holds its own copies
        CloseHandle(writes[1]);
        writes[0] = writes[1] = nullptr;
        if (started == 0) {
            closeAll();
            throw std::runtime_error(fmt::format("cannot start the replay process {}: {}",
                                                 utf8FromWide(program.wstring()), systemErrorText(why)));
        }
        pipes_ = {valueOf(reads[0]), valueOf(reads[1])};
    }
    // A simhost that itself runs in a job that allows no nested one (before
    // Windows 8) still supervises: the watchdog and kill() work without it.
    HANDLE job = makeJob();
    if (job != nullptr && AssignProcessToJobObject(job, process.hProcess) == 0) {
        CloseHandle(job);
        job = nullptr;
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    id_ = valueOf(process.hProcess);
    job_ = valueOf(job);
    if (!keepOutput) {
        streams_[0].passOn = stdout;
        streams_[1].passOn = stderr;
    }
}

ChildProcess::~ChildProcess() {
    if (!status_) static_cast<void>(kill());
    for (int64_t& pipe : pipes_) {
        if (pipe != -1) CloseHandle(handleOf(pipe));
        pipe = -1;
    }
    if (job_ != 0) CloseHandle(handleOf(job_));
    CloseHandle(handleOf(id_));
}

// Signals do not pass between processes here.
int32_t ChildProcess::signalSent() const { return 0; }

void ChildProcess::readOutput(std::chrono::milliseconds wait) {
    std::array<char, 65536> buffer{};
    bool any = false;
    for (std::size_t i = 0; i < 2; ++i) {
        if (pipes_[i] == -1) continue;
        for (int reads = 0; reads < 64; ++reads) {
            DWORD available = 0;
            if (PeekNamedPipe(handleOf(pipes_[i]), nullptr, 0, nullptr, &available, nullptr) == 0) {
                CloseHandle(handleOf(pipes_[i]));  // every writer has gone
                pipes_[i] = -1;
                break;
            }
            if (available == 0) break;
            DWORD got = 0;
            const DWORD wanted = std::min<DWORD>(available, static_cast<DWORD>(buffer.size()));
            if (ReadFile(handleOf(pipes_[i]), buffer.data(), wanted, &got, nullptr) == 0 || got == 0) break;
            streams_[i].take(buffer.data(), got);
            any = true;
        }
    }
    if (!any && wait.count() > 0) WaitForSingleObject(handleOf(id_), static_cast<DWORD>(wait.count()));
}

// The job holds everything the child started: it ends with the child.
void ChildProcess::endGroup() {
    if (job_ != 0) TerminateJobObject(handleOf(job_), kEndedBySupervisor);
    for (int round = 0; round < 16 && (pipes_[0] != -1 || pipes_[1] != -1); ++round) {
        readOutput(std::chrono::milliseconds(0));
    }
    for (int64_t& pipe : pipes_) {
        if (pipe != -1) CloseHandle(handleOf(pipe));
        pipe = -1;
    }
}

std::optional<ExitStatus> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + timeout;
    while (!status_) {
        if (WaitForSingleObject(handleOf(id_), 0) == WAIT_OBJECT_0) {
            DWORD exitCode = kEndedBySupervisor;
            GetExitCodeProcess(handleOf(id_), &exitCode);
            status_ = statusOf(exitCode);
            endGroup();
            break;
        }
        const auto now = steady_clock::now();
        if (now >= deadline) break;
        const auto age = duration_cast<milliseconds>(now - started_);
        const milliseconds step = std::clamp(age / 20, milliseconds(1), milliseconds(50));
        readOutput(std::min(step, duration_cast<milliseconds>(deadline - now) + milliseconds(1)));
    }
    return status_;
}

ExitStatus ChildProcess::kill() {
    if (status_) return *status_;
    if (job_ != 0) TerminateJobObject(handleOf(job_), kEndedBySupervisor);
    TerminateProcess(handleOf(id_), kEndedBySupervisor);
    WaitForSingleObject(handleOf(id_), INFINITE);
    DWORD exitCode = kEndedBySupervisor;
    GetExitCodeProcess(handleOf(id_), &exitCode);
    status_ = statusOf(exitCode);
    endGroup();
    return *status_;
}

std::filesystem::path currentExecutable() {
    // GetModuleFileNameW truncates silently: grow the buffer until the name fits.
    std::wstring name(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 6; ++attempt) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) break;
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name);
        }
        name.resize(name.size() * 4);
    }
    throw std::runtime_error("cannot find simhost's own executable (GetModuleFileNameW)");
}

int64_t currentProcessId() { return static_cast<int64_t>(GetCurrentProcessId()); }

void catchInterrupts() { SetConsoleCtrlHandler(onConsoleEvent, TRUE); }

bool interruptRequested() { return InterlockedCompareExchange(&interrupted, 0, 0) != 0; }

bool endWithParent(int64_t parent) {
    // The job already ends this process with its supervisor; a thread that
    // waits for the parent covers a supervisor that could not make one.
    HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(parent));
    if (handle == nullptr) return false;
    if (WaitForSingleObject(handle, 0) != WAIT_TIMEOUT) {
        CloseHandle(handle);
        return false;
    }
    HANDLE watcher = CreateThread(nullptr, 0, endWhenParentEnds, handle, 0, nullptr);
    if (watcher != nullptr) CloseHandle(watcher);
    return true;
}

void watchForForks(void (* /*before*/)(), void (* /*inCopy*/)()) {}

bool isForkedCopy() { return false; }

// The crash's exception code is what the supervisor gets.
void noteFaultAddress(std::atomic<uint64_t>* /*where*/) {}

void endAtOnceOnFault() {
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endWithTheException);
}

}  // namespace cabkit::sim
