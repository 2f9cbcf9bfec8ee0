// Names the plug-in call that was running when the process dies of a fatal
// signal, so that a crash inside a plug-in is reported as such, and writes
// out the trace rows still waiting in memory, so that the trace holds every
// whole frame up to the crash.
#ifndef CABKIT_SIM_CRASH_REPORT_H
#define CABKIT_SIM_CRASH_REPORT_H

#include <cstddef>

namespace cabkit::sim {

// Installs the handlers once, for the signals that still have their default
// action (a sanitizer's own handler is left alone).
void installCrashReport();

// The call now running; both texts must outlive the call (string literals, or
// names owned by a loaded module). nullptr plug-in: simhost's own code.
struct CurrentCall {
    const char* plugin = nullptr;
    const char* function = nullptr;
};
extern volatile CurrentCall* const currentCall;

inline void enterCall(const char* plugin, const char* function) {
    currentCall->plugin = plugin;
    currentCall->function = function;
}
inline void leaveCall() { currentCall->plugin = nullptr; }

// Bytes the handler writes to `fd` before the process goes: complete rows
// only. fd < 0: nothing pending.
void setPendingOutput(int fd, const char* data, std::size_t size);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CRASH_REPORT_H
