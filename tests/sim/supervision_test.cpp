// Replays under supervision: what a run keeps when a plug-in ends it (the
// event log, the trace and the summary up to the fault, and how it ended),
// the trace rows a dead replay left in its spool, and the child process
// interface the supervisor stands on.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "child_process.h"
#include "sim_test_support.h"
#include "trace_writer.h"

namespace cabkit::sim {
namespace {

using test::contains;

struct FaultCase {
    const char* plugins;   // folder under the faulty plug-ins
    const char* scenario;  // under the hostile cases' plug-in folder
    int64_t frames;        // whole frames before the fault
    std::size_t traceLines;
    const char* call;
    const char* extra;  // further options
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.plugins; }

class PluginFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(PluginFault, LeavesTheLogTheTraceAndTheSummaryUpToTheFault) {
    const FaultCase& c = GetParam();
    test::ScratchFolder folder;
    const auto trace = folder.file("t.csv");
    const auto summaryFile = folder.file("s.json");
    const auto result = test::runSimhost(
        folder, fmt::format("run '{}/{}' --plugins '{}/{}' --trace '{}' --summary '{}' {}", SIM_HOSTILE_CASES,
                            c.scenario, SIM_HOSTILE_PLUGINS, c.plugins, trace.string(), summaryFile.string(), c.extra));
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_TRUE(contains(result.err, std::string("failed in ") + c.call)) << result.err;
    EXPECT_EQ(test::readLines(trace).size(), c.traceLines);

    const auto summary = nlohmann::json::parse(test::readFile(summaryFile));
    EXPECT_EQ(summary["frames"], c.frames);
    EXPECT_EQ(summary["passed"], false);
    EXPECT_EQ(summary["ended"]["how"], "plug-in fault");
    EXPECT_EQ(summary["ended"]["call"], c.call);
    if (c.frames > 0) {
        // The log was told on stdout as the run went, and kept in the summary.
        EXPECT_TRUE(contains(result.out, "start of \"")) << result.out;
        ASSERT_FALSE(summary["events"].empty());
        EXPECT_EQ(summary["events"][0]["source"], "host");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PluginFault,
    ::testing::Values(FaultCase{"exit", "one_second.toml", 10, 11, "Elapse", ""},
                      FaultCase{"underscore_exit", "one_second.toml", 10, 11, "Elapse", ""},
                      FaultCase{"loop_in_elapse", "one_second.toml", 10, 11, "Elapse", "--call-timeout 0.5"},
                      FaultCase{"crash", "five_seconds.toml", 100, 101, "Elapse", ""},
                      // Dispose after a whole run: all 64 frames, the end told.
                      FaultCase{"abort_in_dispose", "one_second.toml", 64, 65, "Dispose", ""},
                      // Before the first frame: not even the trace's header.
                      FaultCase{"loop_in_load", "one_second.toml", 0, 0, "Load", "--call-timeout 0.5"}),
    [](const ::testing::TestParamInfo<FaultCase>& param) { return std::string(param.param.plugins); });

// `check -j N` runs the batch in N children at once and tells it as one job
// does: the same output in scenario order, the same exit code, traces equal
// to the byte and the same JUnit report, which the CI schema accepts.
TEST(ParallelCheck, TellsTheBatchAsOneJobDoes) {
    test::ScratchFolder folder;
    const char* run = "[start]\nreverser = 1\nbrake = 0\n[run]\nduration = 2\n[[driver]]\nafter = 0.5\npower = 2\n";
    const std::vector<std::string> files = {
        folder.write("passes.toml", std::string(run) + "[[expect]]\nvalue = \"power\"\nequals = 3\nafter = 1\n")
            .string(),
        folder.write("fails.toml", std::string(run) + "[[expect]]\nvalue = \"power\"\nequals = 7\nafter = 1\n")
            .string(),
        folder.write("unreadable.toml", "[run]\nduration = \"long\"\n").string(),
        folder.write("crashes.toml", std::string(run) + "[[driver]]\nafter = 1\nkey_down = 9\n").string(),
    };
    std::string scenarios;
    for (const std::string& file : files) scenarios += " '" + file + "'";
    std::array<test::ProcessResult, 2> results;
    for (const int jobs : {1, 3}) {
        results[jobs == 1 ? 0 : 1] = test::runSimhost(
            folder, fmt::format("check --log -j {0} --trace-dir '{1}/t{0}' --junit '{1}/j{0}.xml' --plugins '{2}'{3}",
                                jobs, folder.file("").string(), SIM_STUB_DIR, scenarios));
    }
    EXPECT_EQ(results[0].exitCode, 2) << results[0].err;
    EXPECT_EQ(results[1].exitCode, results[0].exitCode) << results[1].err;
    EXPECT_EQ(results[1].out, results[0].out);
    EXPECT_TRUE(contains(results[0].out, "4 scenarios: 1 passed, 2 failed, 1 with bad input")) << results[0].out;
    EXPECT_LT(results[0].out.find("passes.toml"), results[0].out.find("crashes.toml"));
    for (const char* stem : {"passes", "fails", "crashes"}) {
        const std::string one = test::readFile(folder.file(fmt::format("t1/{}.csv", stem)));
        EXPECT_FALSE(one.empty()) << stem;
        EXPECT_EQ(test::readFile(folder.file(fmt::format("t3/{}.csv", stem))), one) << stem;
    }
    const auto withoutTimes = [](std::string xml) {
        for (std::size_t at = xml.find("time=\""); at != std::string::npos; at = xml.find("time=\"", at + 1)) {
            xml.erase(at, xml.find('"', at + 6) + 1 - at);
        }
        return xml;
    };
    const std::string report = test::readFile(folder.file("j3.xml"));
    EXPECT_EQ(withoutTimes(report), withoutTimes(test::readFile(folder.file("j1.xml"))));
    EXPECT_TRUE(contains(report, "<error message=\"plug-in Sentrel failed in Elapse")) << report;
    EXPECT_TRUE(contains(report, "<failure message=\"power was 3")) << report;
    const std::string validate =
        fmt::format("xmllint --noout --schema '{}' '{}' 2>&1", JUNIT_SCHEMA, folder.file("j3.xml").string());
    EXPECT_EQ(std::system(validate.c_str()), 0) << report;  // NOLINT(cert-env33-c)
}

// The spool holds [written, written + pending) of the trace; the file holds
// some prefix of it, however far the replay's last write got.
TEST(TraceCompletion, AppendsExactlyWhatTheFileLacks) {
    struct Case {
        const char* inFile;
        uint64_t written;
        const char* spooled;
        const char* expected;
    };
    const Case cases[] = {
        {"h\n0\n", 4, "1\n2\n", "h\n0\n1\n2\n"},     // died with rows waiting
        {"h\n0\n1\n", 4, "1\n2\n", "h\n0\n1\n2\n"},  // died within a block's write
        {"h\n0\n1\n2\n", 4, "", "h\n0\n1\n2\n"},     // died between emptying and counting
        {"h\n0\n1\n2\n", 8, "", "h\n0\n1\n2\n"},     // everything written
    };
    for (const Case& c : cases) {
        test::ScratchFolder folder;
        const auto path = folder.write("t.csv", c.inFile);
        auto spool = std::make_unique<TraceSpool>();
        spool->written = c.written;
        spool->pending = static_cast<uint32_t>(std::strlen(c.spooled));
        std::memcpy(spool->bytes, c.spooled, std::strlen(c.spooled));
        EXPECT_TRUE(completeTrace(path, *spool));
        EXPECT_EQ(test::readFile(path), c.expected) << c.inFile << " + " << c.spooled;
    }
}

TEST(ChildProcess, TellsHowAChildEndedAndEndsOneThatRuns) {
    using std::chrono::milliseconds;
    const struct {
        const char* script;
        const char* ended;
    } cases[] = {
        {"exit 3", "exited with code 3"},
        {"kill -SEGV $$", "killed by signal 11 (SIGSEGV)"},
        {"kill -STOP $$", "stopped by signal 19 (SIGSTOP)"},  // a stopped child would be waited for for ever
    };
    for (const auto& c : cases) {
        ChildProcess child("/bin/sh", {"-c", c.script}, true);
        const auto ended = child.waitFor(milliseconds(10000));
        ASSERT_TRUE(ended.has_value()) << c.script;
        EXPECT_EQ(ended->describe(), c.ended);
    }

    ChildProcess sleeps("/bin/sleep", {"30"}, true);
    EXPECT_FALSE(sleeps.waitFor(milliseconds(20)).has_value());
    EXPECT_EQ(sleeps.kill().describe(), "killed by signal 9 (SIGKILL)");
    EXPECT_TRUE(sleeps.waitFor(milliseconds(0)).has_value()) << "the status stays once it is known";
}

// A helper the child leaves running goes with it, and cannot keep the
// output open; output beyond the limit is counted, not kept.
TEST(ChildProcess, EndsItsGroupAndKeepsOutputUpToTheLimit) {
    using std::chrono::milliseconds;
    ChildProcess leaves("/bin/sh", {"-c", "sleep 30 & echo $!"}, true);
    ASSERT_TRUE(leaves.waitFor(milliseconds(10000)).has_value());
    const int helper = std::atoi(leaves.output().kept.c_str());
    ASSERT_GT(helper, 0) << leaves.output().kept;
    std::this_thread::sleep_for(milliseconds(50));  // the group's SIGKILL is delivered by now
    EXPECT_NE(std::system(fmt::format("ps -o stat= -p {} | grep -qv Z", helper).c_str()), 0)  // NOLINT(cert-env33-c)
        << "helper still running";

    const std::size_t printed = kChildOutputLimit + 12345;
    ChildProcess floods("/bin/sh", {"-c", fmt::format("head -c {} /dev/zero | tr '\\0' x; echo oops >&2", printed)},
                        true);
    ASSERT_TRUE(floods.waitFor(milliseconds(20000)).has_value());
    EXPECT_EQ(floods.output().kept.size(), kChildOutputLimit);
    EXPECT_EQ(floods.output().cut(), 12345U);
    EXPECT_EQ(floods.errors().kept, "oops\n");

    // A terminal command, a change of writing direction and a byte that is
    // no character come back as text; lines and tabs stay.
    ChildProcess commands("/bin/sh", {"-c", R"(printf '\033]0;title\007a\tb\n\342\200\256c\377\n')"}, true);
    ASSERT_TRUE(commands.waitFor(milliseconds(10000)).has_value());
    EXPECT_EQ(commands.output().kept, "\\x1b]0;title\\x07a\tb\n\\u202ec\\xff\n");
}

}  // namespace
}  // namespace cabkit::sim
