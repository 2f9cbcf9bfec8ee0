#include "crash_report.h"

#include <csignal>
#include <initializer_list>
#include <cstring>

#include <unistd.h>

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
    const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

extern "C" void onFatalSignal(int signalNumber) {
    // Only async-signal-safe work here: write(2) and re-raising.
    if (pending.fd >= 0 && pending.size > 0) {
        const char* data = pending.data;
        std::size_t left = pending.size;
        while (left > 0) {
            const ssize_t written = write(pending.fd, data, left);
            if (written <= 0) break;
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    char number[8] = {};
    int value = signalNumber;
    int length = 0;
    do {
        number[6 - length] = static_cast<char>('0' + value % 10);
        value /= 10;
        ++length;
    } while (value > 0 && length < 6);
    writeText("simhost: the process died of signal ");
    writeText(number + 7 - length);
    if (current.plugin != nullptr) {
        writeText(" inside plug-in ");
        writeText(current.plugin);
        writeText(", export ");
        writeText(current.function);
    }
    writeText("\n");
    // Nothing is left to do if these fail: the process is going anyway.
    static_cast<void>(std::signal(signalNumber, SIG_DFL));
    static_cast<void>(std::raise(signalNumber));
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
    for (int signalNumber : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGINT, SIGTERM}) {
        struct sigaction existing {};
        if (sigaction(signalNumber, nullptr, &existing) != 0 || existing.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = onFatalSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = static_cast<int>(SA_RESETHAND);
        sigaction(signalNumber, &action, nullptr);
    }
}

}  // namespace cabkit::sim
