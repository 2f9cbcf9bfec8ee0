// simhost.exe as a Windows user runs it: unpacked into a folder whose name
// has spaces and letters outside any single code page, started with such
// arguments and with wildcards the shell left alone, finding its plug-ins
// beside itself, telling plainly when gnuplot is missing, and surviving
// plug-ins that crash, hang or end the process.
#include <windows.h>

#include <chrono>
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

namespace {

// A plug-in that crashes, loops or ends the process is reported and the
// batch goes on; a library that never becomes a plug-in is bad input.
struct FaultCase {
    const char* name;
    const wchar_t* plugins;  // folder under FAULTY_PLUGIN_DIR
    const wchar_t* arguments;
    DWORD exitCode;
    const char* message;
};

const FaultCase kFaultCases[] = {
    {"crash", L"crash", L"check five_seconds.toml", 1, "plug-in Sentrel failed in Elapse at frame 100"},
    {"crash_mid_batch", L"crash", L"check one_second.toml five_seconds.toml one_second.toml", 1,
     "3 scenarios: 2 passed, 1 failed, 0 with bad input"},
    {"loop", L"loop_in_elapse", L"check one_second.toml --call-timeout 1", 1,
     "plug-in Velorin failed in Elapse at frame 10 (08:00:00.160, 0.0 m): did not return within 1 s"},
    {"exit", L"exit", L"run one_second.toml", 1, "plug-in Sentrel failed in Elapse at frame 10"},
    {"constructor_aborts", L"constructor_aborts", L"check one_second.toml", 2, "cannot load plug-in Cabrix"},
    {"missing_exports", L"missing_exports", L"check one_second.toml", 2,
     "cannot load plug-in Sentrel: it does not export Elapse"},
};

class FaultyPlugin : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultyPlugin, IsReportedAndNeverFatal) {
    const FaultCase& fault = GetParam();
    const cabkit::test::TempFolder folder("simhost-fault");
    for (const char* scenario : {"one_second.toml", "five_seconds.toml"}) {
        fs::copy_file(fs::path(FAULT_SCENARIO_DIR) / scenario, folder.path() / scenario);
    }
    const fs::path plugins = fs::path(FAULTY_PLUGIN_DIR) / fault.plugins;
    const auto started = std::chrono::steady_clock::now();
    const Outcome outcome =
        run(fs::path(SIMHOST_EXE), std::wstring(fault.arguments) + L" --plugins " + quoted(plugins), folder.path());
    EXPECT_EQ(outcome.exitCode, fault.exitCode) << outcome.output;
    EXPECT_NE(outcome.output.find(fault.message), std::string::npos) << outcome.output;
    // The watchdog ends a call that does not return: well within the runner's limit.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

INSTANTIATE_TEST_SUITE_P(Windows, FaultyPlugin, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
