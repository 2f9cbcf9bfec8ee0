#include "gnuplot_runner.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "printable_text.h"
#include "wide_text.h"

namespace cabkit::sim {
namespace {

std::wstring findGnuplot() {
    std::wstring found(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length =
            SearchPathW(nullptr, L"gnuplot.exe", nullptr, static_cast<DWORD>(found.size()), found.data(), nullptr);
        if (length == 0) return {};
        if (length < found.size()) {
            found.resize(length);
            return found;
        }
        found.resize(length + 1);
    }
    return {};
}

// Handles of our own that a child may inherit.
HANDLE inheritable(HANDLE handle) {
    HANDLE copy = nullptr;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    const HANDLE self = GetCurrentProcess();
    if (DuplicateHandle(self, handle, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS) == 0) return nullptr;
    return copy;
}

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~OwnedHandle() { reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE* out() { return &handle_; }
    void reset() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

}  // namespace

void runGnuplot(const std::string& script, const std::filesystem::path& folder) {
    const std::wstring gnuplot = findGnuplot();
    if (gnuplot.empty()) {
        throw std::runtime_error(
            "gnuplot.exe is not on PATH: install gnuplot and add its bin folder to PATH, or leave out --plot and "
            "--plot-time");
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    OwnedHandle readEnd, writeEnd;
    if (CreatePipe(readEnd.out(), writeEnd.out(), &inherit, 0) == 0 ||
        SetHandleInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, 0) == 0) {
        throw std::runtime_error("cannot start gnuplot: " + systemErrorText(GetLastError()));
    }
    // gnuplot's messages go where ours go, to standard error; its standard
    // output goes nowhere.
    OwnedHandle errors(inheritable(GetStdHandle(STD_ERROR_HANDLE)));
    OwnedHandle nowhere(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd.get();
    startup.hStdOutput = nowhere.get() == INVALID_HANDLE_VALUE ? nullptr : nowhere.get();
    startup.hStdError = errors.get();
    std::wstring commandLine = L"\"" + gnuplot + L"\"";
    PROCESS_INFORMATION process{};
    if (CreateProcessW(gnuplot.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                       &startup, &process) == 0) {
        throw std::runtime_error("cannot start " + printable(utf8FromWide(gnuplot)) + ": " +
                                 systemErrorText(GetLastError()));
    }
    OwnedHandle child(process.hProcess);
    CloseHandle(process.hThread);
    readEnd.reset();

    bool written = true;
    std::size_t done = 0;
    while (written && done < script.size()) {
        DWORD count = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(script.size() - done, 1U << 20));
        written = WriteFile(writeEnd.get(), script.data() + done, chunk, &count, nullptr) != 0;
        done += count;
    }
    writeEnd.reset();  // end of the script: gnuplot draws and exits
    WaitForSingleObject(child.get(), INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(child.get(), &exitCode);
    if (!written || exitCode != 0) throw std::runtime_error("gnuplot failed (its messages are above)");
}

}  // namespace cabkit::sim
