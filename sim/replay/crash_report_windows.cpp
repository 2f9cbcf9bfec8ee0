// The crash report on Windows: an unhandled exception (access violation,
// division by zero, illegal instruction...) or an abort inside a plug-in.
#include "crash_report.h"

#include <windows.h>
#include <io.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace cabkit::sim {
namespace {

volatile CurrentCall current{};

struct PendingOutput {
    int fd = -1;
    const char* data = nullptr;
    std::size_t size = 0;
};
volatile PendingOutput pending{};

void writeText(const char* text) {
    const int ignored = _write(2, text, static_cast<unsigned int>(std::strlen(text)));
    static_cast<void>(ignored);
}

void writePendingRows() {
    if (pending.fd < 0) return;
    const char* data = pending.data;
    std::size_t left = pending.size;
    while (left > 0) {
        const int written = _write(pending.fd, data, static_cast<unsigned int>(left));
        if (written <= 0) break;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

void report(const char* what) {
    writePendingRows();
    writeText("simhost: the process died of ");
    writeText(what);
    if (current.plugin != nullptr) {
        writeText(" inside plug-in ");
        writeText(current.plugin);
        writeText(", export ");
        writeText(current.function);
    }
    writeText("\n");
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* exception) {
    char what[32] = {};
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    std::snprintf(what, sizeof what, "exception 0x%08lx", static_cast<unsigned long>(code));
    report(what);
    // Ending here, with the exception code as exit status, as Windows does:
    // no debugger or error-report window is started for it.
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

extern "C" void onAbort(int /*signalNumber*/) {
    report("abort");
    TerminateProcess(GetCurrentProcess(), 3);
}

}  // namespace

volatile CurrentCall* const currentCall = &current;

void setPendingOutput(int fd, const char* data, std::size_t size) {
    pending.size = 0;  // never a size that does not belong to the data
    pending.data = data;
    pending.fd = fd;
    pending.size = size;
}

void installCrashReport() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(onUnhandledException);
    static_cast<void>(std::signal(SIGABRT, onAbort));
}

}  // namespace cabkit::sim
