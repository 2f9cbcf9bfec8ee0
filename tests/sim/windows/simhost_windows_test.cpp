// simhost.exe as a Windows user runs it: unpacked into a folder whose name
// has spaces and letters outside any single code page, started with such
// arguments and with wildcards the shell left alone, finding its plug-ins
// beside itself, and telling plainly when gnuplot is missing.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "plugin_library.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    DWORD exitCode = 0;
    std::string output;  // standard output and error, as bytes
};

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs `program` with `arguments` (already quoted) through the wide API, as
// Explorer or a console would, its output into a file.
Outcome run(const fs::path& program, const std::wstring& arguments, const fs::path& folder) {
    const fs::path log = folder / L"output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE output = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(output, INVALID_HANDLE_VALUE);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    Outcome outcome;
    outcome.exitCode = 0xffffffff;
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                       &startup, &process) != 0) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
        GetExitCodeProcess(process.hProcess, &outcome.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
    }
    CloseHandle(output);
    outcome.output = readBytes(log);
    return outcome;
}

std::wstring quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

std::string utf8(const std::wstring& text) {
    const std::u8string bytes = fs::path(text).u8string();
    return {bytes.begin(), bytes.end()};
}

// An unpacked copy: simhost.exe with plugins\ beside it, in a folder named
// with a space, a Latin accent and Japanese.
class UnpackedSimhost : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = base_.path() / L"cab kit \u00dcbung \u65e5\u672c";
        fs::create_directories(folder_ / L"plugins");
        fs::copy_file(SIMHOST_EXE, simhost());
        for (const char* name : {"Velorin", "Sentrel", "Cabrix"}) {
            fs::copy_file(cabkit::test::builtPlugin(name), folder_ / L"plugins" / (std::string(name) + ".dll"));
        }
        fs::copy_file(fs::path(SCENARIO_DIR) / "vehicle_panel.toml", scenario());
    }

    fs::path simhost() const { return folder_ / L"simhost.exe"; }
    fs::path scenario() const { return folder_ / L"Fahrt \u00e9t\u00e9 \u99c5.toml"; }

    cabkit::test::TempFolder base_{"simhost-windows"};
    fs::path folder_;
};

TEST_F(UnpackedSimhost, ReplaysWithPathsOutsideTheCodePageAndFindsItsPlugins) {
    const fs::path trace = folder_ / L"Spur \u00f6 \u8def.csv";
    const Outcome outcome = run(simhost(), L"check " + quoted(scenario()) + L" --trace " + quoted(trace), folder_);
    EXPECT_EQ(outcome.exitCode, 0U) << outcome.output;
    EXPECT_NE(outcome.output.find("PASS"), std::string::npos) << outcome.output;
    // Messages name the file in UTF-8, as it was given.
    EXPECT_NE(outcome.output.find(utf8(scenario().filename().wstring())), std::string::npos) << outcome.output;
    EXPECT_EQ(readBytes(trace).rfind("frame,time_ms,", 0), 0U);
}

TEST_F(UnpackedSimhost, ExpandsWildcardsItself) {
    fs::copy_file(fs::path(SCENARIO_DIR) / "cab_signal.toml", folder_ / L"zweite \u00c4.toml");
    const Outcome outcome = run(simhost(), L"check *.toml", folder_);
    EXPECT_EQ(outcome.exitCode, 0U) << outcome.output;
    EXPECT_NE(outcome.output.find("2 scenarios: 2 passed"), std::string::npos) << outcome.output;
}

TEST_F(UnpackedSimhost, SaysSoWhenGnuplotIsNotOnPath) {
    // A PATH with the system folders only, for simhost's run and no longer.
    std::wstring oldPath(32768, L'\0');
    oldPath.resize(GetEnvironmentVariableW(L"PATH", oldPath.data(), static_cast<DWORD>(oldPath.size())));
    std::wstring system(MAX_PATH, L'\0');
    system.resize(GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size())));
    SetEnvironmentVariableW(L"PATH", system.c_str());
    const Outcome outcome =
        run(simhost(), L"run " + quoted(scenario()) + L" --plot " + quoted(folder_ / L"chart.svg"), folder_);
    SetEnvironmentVariableW(L"PATH", oldPath.c_str());
    EXPECT_EQ(outcome.exitCode, 2U) << outcome.output;
    EXPECT_NE(outcome.output.find("gnuplot.exe is not on PATH"), std::string::npos) << outcome.output;
}

}  // namespace
