// What simhost hands its user: the command line and its exit codes, the
// trace (also when a plug-in brings the process down), the summary, the chart
// script, and the small text formats the user types.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "atomic_output.h"
#include "clock_text.h"
#include "event_log.h"
#include "junit_report.h"
#include "output_paths.h"
#include "plugin_host.h"
#include "printable_text.h"
#include "scenario_parser.h"
#include "sim_test_support.h"
#include "speed_chart.h"
#include "trace_writer.h"

namespace cabkit::sim {
namespace {

using test::contains;

constexpr const char* kShortRun = R"(
name = "short"
[start]
reverser = 1
brake = 0
[run]
duration = 2
[[route.station]]
name = "Dale"
location = 5
[[driver]]
after = 0.5
power = 2
[[driver]]
after = 1
press = 12
[[expect]]
value = "power"
equals = 3
after = 1
)";

TEST(TextFormats, ClockTimesReadAndPrintAsAuthorsWriteThem) {
    EXPECT_EQ(parseClock("08:00:00"), 28'800'000);
    EXPECT_EQ(parseClock("23:59:59.5"), 86'399'500);
    EXPECT_EQ(parseClock("25:00:00.007"), 90'000'007);  // runs past midnight
    for (const char* bad : {"8:00:00", "08:60:00", "08:00:00.", "08:00:00.1234", "08-00-00", "ab:cd:ef"}) {
        EXPECT_FALSE(parseClock(bad).has_value()) << bad;
    }
    EXPECT_EQ(formatClock(90'061'001), "01:01:01.001");  // the next day's clock
    EXPECT_TRUE(parseDate("2024-02-29").has_value());
    EXPECT_FALSE(parseDate("2023-02-29").has_value());
    EXPECT_FALSE(parseDate("2023-13-01").has_value());
}

TEST(TextFormats, TraceSlotListsTakeSingleSlotsAndRanges) {
    std::string error;
    const auto slots = parseTraceSlots("p72,s10,p150-152", error);
    ASSERT_TRUE(slots.has_value()) << error;
    ASSERT_EQ(slots->size(), 5U);
    EXPECT_FALSE((*slots)[0].sound);
    EXPECT_EQ((*slots)[0].slot, 72);
    EXPECT_TRUE((*slots)[1].sound);
    EXPECT_EQ((*slots)[4].slot, 152);
    for (const char* bad : {"", "72", "p256", "p10-5", "x1", "p1,,p2", "p-3"}) {
        EXPECT_FALSE(parseTraceSlots(bad, error).has_value()) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(TextFormats, ControlBidiAndInvalidBytesArePrintedAsEscapes) {
    struct Case {
        std::string text, printed;
    };
    for (const Case& c : {Case{"Elm Street", "Elm Street"}, Case{"a\nb\tc\rd", "a\\nb\\tc\\rd"},
                          Case{"\x1b[31mred\x7f", "\\x1b[31mred\\x7f"},
                          Case{"\xc2\x9b"
                               "2J",
                               "\\u009b2J"},
                          Case{"caf\xc3\xa9 \\n", "caf\xc3\xa9 \\n"},
                          // Bidirectional controls, separators, and bytes that are not UTF-8.
                          Case{"a\u202eb\u2066c\u200fd\u061ce", "a\\u202eb\\u2066c\\u200fd\\u061ce"},
                          Case{"a\u2028b\u2029c\u0085d", "a\\u2028b\\u2029c\\u0085d"},
                          Case{"\xff\xc3(\xe2\x82\xc0\x80\xed\xa0\x80\xf4\x90\x80\x80",
                               "\\xff\\xc3(\\xe2\\x82\\xc0\\x80\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80"},
                          Case{std::string("nul\0!", 5), "nul\\x00!"}}) {
        EXPECT_EQ(printable(c.text), c.printed) << c.text;
    }
}

// An output that is an input under another name (a link, a relative path)
// is refused; a fresh path passes and is left as it was.
TEST(OutputPaths, RefuseAnInputUnderAnyNameAndLeaveNoTestFileBehind) {
    test::ScratchFolder folder;
    const auto scenario = folder.write("s.toml", kShortRun);
    std::filesystem::create_symlink(scenario, folder.file("link.csv"));
    std::filesystem::create_hard_link(scenario, folder.file("hard.csv"));
    std::filesystem::create_directory(folder.file("sub"));
    struct Case {
        std::filesystem::path trace;
        const char* problem;  // empty: none
    };
    const Case cases[] = {
        {folder.file("link.csv"), "is the scenario"},
        {folder.file("hard.csv"), "is the scenario"},
        {folder.file(".") / "sub" / ".." / "s.toml", "is the scenario"},
        {std::filesystem::path(SIM_STUB_DIR) / "Cabrix.so", "is the plug-in Cabrix"},
        {folder.file("."), "is a folder"},
        {folder.file("fresh.csv"), ""},
    };
    RunOptions options;
    options.pluginFolder = SIM_STUB_DIR;
    for (const Case& c : cases) {
        options.trace = c.trace;
        const auto problem = checkOutputPaths(options, std::nullopt, {scenario.string()});
        if (c.problem[0] == '\0') {
            EXPECT_FALSE(problem.has_value()) << problem.value_or("");
        } else {
            EXPECT_TRUE(contains(problem.value_or(""), c.problem)) << c.trace << ": " << problem.value_or("(none)");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("fresh.csv")));
}

// An output reaches its name whole or not at all, through the folder and the
// link resolved when it was taken, and only one writer holds it at a time.
TEST(AtomicOutputs, CommitWholeAbandonNothingAndRefuseASecondWriter) {
    test::ScratchFolder folder;
    const auto file = folder.write("out.txt", "previous");
    const auto partial = folder.file(".out.txt.partial");
    {
        AtomicOutput output(file, "the test");
        output.write("half");
        EXPECT_THROW(AtomicOutput(file, "the test"), std::runtime_error);  // one writer at a time
        EXPECT_EQ(test::readFile(file), "previous");                       // nothing cut off under the name
    }                                                                      // abandoned
    EXPECT_EQ(test::readFile(file), "previous");
    EXPECT_FALSE(std::filesystem::exists(partial));
    {
        AtomicOutput output(file, "the test");
        output.discardPrevious();
        EXPECT_FALSE(std::filesystem::exists(file));
        output.write("whole");
        output.commit();
    }
    EXPECT_EQ(test::readFile(file), "whole");
    EXPECT_FALSE(std::filesystem::exists(partial));

    // A link is followed when the output is taken, never again; a file
    // linked in at the temporary name is not written through.
    const auto first = folder.write("first.txt", "first");
    const auto second = folder.write("second.txt", "second");
    std::filesystem::create_symlink(first, folder.file("link.txt"));
    std::filesystem::create_hard_link(second, folder.file(".first.txt.partial"));
    {
        AtomicOutput output(folder.file("link.txt"), "the test");
        std::filesystem::remove(folder.file("link.txt"));
        std::filesystem::create_symlink(second, folder.file("link.txt"));
        output.write("new");
        output.commit();
    }
    EXPECT_EQ(test::readFile(first), "new");
    EXPECT_EQ(test::readFile(second), "second");

    // Streams are written straight and never replaced.
    {
        AtomicOutput full("/dev/full", "the test");
        EXPECT_THROW(full.write("x"), std::runtime_error);
        AtomicOutput null("/dev/null", "the test");
        null.discardPrevious();
        null.write("x");
        null.commit();
    }
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

    const OutputFolder batch(folder.file("."), "--trace-dir", true);
    EXPECT_THROW(OutputFolder(folder.file("."), "--trace-dir", true), std::runtime_error);
}

TEST(CommandLine, ExitCodesTellOkFailedCheckAndBadInputApart) {
    test::ScratchFolder folder;
    const auto good = folder.write("good.toml", kShortRun);
    std::string failing = kShortRun;
    failing.replace(failing.find("equals = 3"), 10, "equals = 7");
    const auto bad = folder.write("failing.toml", failing);
    const auto broken = folder.write("broken.toml", "[run]\nduration = \"long\"\n");
    const std::string stubs = std::string(" --plugins '") + SIM_STUB_DIR + "'";

    const auto ok = test::runSimhost(folder, "check '" + good.string() + "'" + stubs);
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_TRUE(contains(ok.out, "PASS")) << ok.out;

    const auto failed = test::runSimhost(folder, "check '" + good.string() + "' '" + bad.string() + "'" + stubs);
    EXPECT_EQ(failed.exitCode, 1) << failed.err;
    EXPECT_TRUE(contains(failed.out, "power was 3")) << failed.out;
    EXPECT_TRUE(contains(failed.out, "2 scenarios: 1 passed, 1 failed")) << failed.out;
    EXPECT_FALSE(contains(failed.out, "  ok   line")) << failed.out;  // several files: failures only

    const auto logged = test::runSimhost(folder, "check --log '" + good.string() + "' '" + bad.string() + "'" + stubs);
    EXPECT_TRUE(contains(logged.out, "  ok   line 17: power = 3 at 1 s")) << logged.out;
    EXPECT_TRUE(contains(logged.out, "driver   power notch 2")) << logged.out;

    const auto unreadable = test::runSimhost(folder, "run '" + broken.string() + "'" + stubs);
    EXPECT_EQ(unreadable.exitCode, 2);
    EXPECT_TRUE(contains(unreadable.err, "broken.toml:2: 'duration' in [run] must be a finite number"))
        << unreadable.err;

    const auto noPlugins = test::runSimhost(folder, "run '" + good.string() + "' --plugins /nonexistent");
    EXPECT_EQ(noPlugins.exitCode, 2);
    EXPECT_TRUE(contains(noPlugins.err, "not found")) << noPlugins.err;

    const auto badSlots = test::runSimhost(folder, "run '" + good.string() + "' --slots q1" + stubs);
    EXPECT_EQ(badSlots.exitCode, 2);

    const auto help = test::runSimhost(folder, "--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(contains(help.out, "check")) << help.out;

    // One plug-in's reference: its section and the exchanged slots it uses.
    const auto cabrix = test::runSimhost(folder, "reference --plugin Cabrix");
    EXPECT_EQ(cabrix.exitCode, 0);
    EXPECT_TRUE(contains(cabrix.out, "## Cabrix") && contains(cabrix.out, "| 75 | operating mode |")) << cabrix.out;
    EXPECT_FALSE(contains(cabrix.out, "## Velorin") || contains(cabrix.out, "| 201 |")) << cabrix.out;
    EXPECT_EQ(test::runSimhost(folder, "reference --plugin Foo").exitCode, 2);
}

TEST(CommandLine, RunNarratesWritesTheSummaryAndTheChart) {
    test::ScratchFolder folder;
    const auto scenario = folder.write("short.toml", kShortRun);
    const auto result = test::runSimhost(folder, "run '" + scenario.string() + "' --plugins '" + SIM_STUB_DIR +
                                                     "' --summary '" + folder.file("s.json").string() + "' --plot '" +
                                                     folder.file("c.svg").string() + "'");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(contains(result.out, "driver   key 12 down (fixed 25 km/h limit)")) << result.out;
    EXPECT_TRUE(contains(result.out, "1 of 1 expectations hold")) << result.out;

    const auto summary = nlohmann::json::parse(test::readFile(folder.file("s.json")));
    EXPECT_EQ(summary["scenario"], "short");
    EXPECT_EQ(summary["frames"], 126);
    EXPECT_EQ(summary["passed"], true);
    EXPECT_EQ(summary["expectations"][0]["result"], "passed");
    EXPECT_FALSE(summary["events"].empty());
    EXPECT_GT(summary["max_speed_kmh"].get<double>(), 0.0);

    const std::string svg = test::readFile(folder.file("c.svg"));
    EXPECT_TRUE(contains(svg, "<svg")) << svg.substr(0, 200);
}

TEST(Chart, ScriptCarriesTheRunTheMarksAndTheStations) {
    test::ScratchFolder folder;
    const Scenario s = parseScenarioText(kShortRun, "short.toml");
    SpeedChart chart;
    // Minimal context: the chart reads only the scenario.
    InputEvent key;
    key.kind = InputEvent::Kind::KeyDown;
    key.value = 12;
    key.location = 3.5;
    chart.onInput(key);
    const ChartJob job = chart.script("png");
    EXPECT_TRUE(contains(job.script, "set terminal pngcairo"));
    EXPECT_TRUE(contains(job.script, "$samples << EOD"));
    std::string files;
    for (const auto& [name, content] : job.files) files += content;
    EXPECT_TRUE(contains(files, "3.500 0.000 3355443 \"key 12 (fixed 25 km/h limit)\"")) << files;
}

// Texts from outside reach gnuplot only in its data files, written so that
// its string columns read them back as they were (printable first).
TEST(Chart, OutsideTextsAreDataNeverScript) {
    struct Case {
        std::string text, field;
    };
    for (const Case& c : {Case{"x `touch P` @x", "\"x `touch P` @x\""}, Case{"a\"b\\", "\"a\\042b\\\\\""},
                          Case{"line\nbreak", "\"line\\\\nbreak\""}, Case{"{^_&<b>}", "\"{^_&<b>}\""}}) {
        ChartData data;
        data.title = c.text;
        data.names = {c.text, "Velorin", "Sentrel"};
        data.stations = {{0.5, c.text}};
        data.highestLocation = 1.0;
        const ChartJob job = chartScript(data, "svg", ChartAxis::Location);
        EXPECT_FALSE(contains(job.script, c.text)) << job.script;
        EXPECT_TRUE(contains(job.script, "set output 'chart.svg'"));
        for (const char* file : {kTextsFile, kStationsFile}) {
            const auto found =
                std::find_if(job.files.begin(), job.files.end(), [&](const auto& f) { return f.first == file; });
            ASSERT_NE(found, job.files.end()) << file;
            EXPECT_TRUE(contains(found->second, c.field)) << found->second;
        }
    }
}

// The JUnit report is valid against the schema kept beside the tests,
// whatever the scenarios' names and messages hold.
TEST(JUnitReport, EveryOutcomeValidatesAgainstTheSchema) {
    test::ScratchFolder folder;
    std::vector<JUnitSuite> suites(2);
    suites[0] = JUnitSuite{"demo \"<&>\"", "scenarios/demo.toml", 0.25, {}};
    suites[0].cases = {{"line 3: panel 75 = 2 at 3 s", JUnitCase::Outcome::Passed, "", 3},
                       {"line 9: speed <= 68", JUnitCase::Outcome::Failed, "was 70\nat \x01 \xff\xfe ]]>", 9},
                       {"line 12: brake = 9", JUnitCase::Outcome::Skipped, "not judged", 12}};
    suites[1] = JUnitSuite{"broken", "b.toml", 0.0, {{"replay", JUnitCase::Outcome::Error, "b.toml:2: bad", 0}}};
    const std::string xml = junitXml(suites, "simhost check");
    EXPECT_TRUE(
        contains(xml, "<testsuites name=\"simhost check\" tests=\"4\" failures=\"1\" errors=\"1\" skipped=\"1\""));
    EXPECT_TRUE(contains(xml, "was 70&#10;at \xef\xbf\xbd \xef\xbf\xbd\xef\xbf\xbd ]]&gt;"));
    const auto file = folder.write("report.xml", xml);
    const std::string command =
        "xmllint --noout --schema '" + std::string(JUNIT_SCHEMA) + "' '" + file.string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << xml;  // NOLINT(cert-env33-c)
}

// A plug-in that crashes takes its replay down, but every frame before the
// crash is in the trace and the crash is pinned on the plug-in.
TEST(CommandLine, ACrashingPluginLeavesTheTraceUpToTheFrameBefore) {
    test::ScratchFolder folder;
    const auto scenario = folder.write("crash.toml", R"(
[run]
duration = 5
[[driver]]
after = 0.5
key_down = 9
)");
    const auto trace = folder.file("t.csv");
    // The page is drawn at the end: after the fault there is none, and no page of an earlier run either.
    const auto page = folder.write("p.html", "an earlier run's page");
    const auto result =
        test::runSimhost(folder, "run '" + scenario.string() + "' --plugins '" + SIM_STUB_DIR + "' --trace '" +
                                     trace.string() + "' --html '" + page.string() + "'");
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_FALSE(std::filesystem::exists(page));
    const auto lines = test::readLines(trace);
    ASSERT_EQ(lines.size(), 33U);  // the header and frames 0..31; frame 32 (512 ms) crashed
    EXPECT_EQ(lines.back().substr(0, 9), "31,288004");
    EXPECT_TRUE(contains(result.err, "plug-in Sentrel failed in Elapse at frame 32 (08:00:00.512")) << result.err;
}

}  // namespace
}  // namespace cabkit::sim

namespace cabkit::sim {
namespace {

// A brake that goes on and off every frame (a speed limit without
// hysteresis) is one application, told when it starts and when it lets go
// for good; two applications more than the hold time apart are both told.
// The release, known a second later, is told at its own time.
TEST(EventLogFolding, TellsAFlappingBrakeAsOneApplication) {
    const Scenario s = parseScenarioText("[start]\nbrake = 0\nreverser = 1\n", "flap.toml");
    test::ScratchFolder copies;
    CallRecord calls;
    PluginHost host(lineupFiles(PluginChoice{SIM_STUB_DIR, {}, {}}, s.run), copies.file(""), true, calls);
    EventLog log(nullptr);
    log.onStart(ReplayContext{s, host, 1});
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound{};
    sound.fill(-10000);
    Frame frame;
    frame.panel = panel.data();
    frame.sound = sound.data();
    frame.driver = DriverHandles{1, 0, 0};
    Frame last;
    const auto step = [&](int32_t cabrixBrake) {
        frame.commands[0].brake = cabrixBrake;
        frame.timeOfDayMs = s.start.timeOfDayMs + frame.elapsedMs;
        log.onFrame(frame);
        last = frame;
        ++frame.index;
        frame.elapsedMs += 16;
    };
    for (int i = 0; i < 40; ++i) step(i % 2 == 0 ? 8 : 0);  // flaps for 640 ms, ends released
    for (int i = 0; i < 70; ++i) step(0);                   // quiet for more than a second
    step(8);
    frame.elapsedMs += 1500;
    step(0);
    log.onEnd(last);

    std::vector<std::string> cabrix;
    for (const LogEntry& e : log.entries()) {
        if (e.source == "Cabrix") cabrix.push_back(e.text);
    }
    ASSERT_EQ(cabrix.size(), 4U) << ::testing::PrintToString(cabrix);
    EXPECT_EQ(cabrix[0], "brakes, notch 8");
    EXPECT_EQ(cabrix[1],
              "releases the brake (after 0.624 s, up to notch 8); one application: it released and came back 19 "
              "times, each time within 1 s");
    EXPECT_EQ(cabrix[2], "brakes, notch 8");
    EXPECT_EQ(cabrix[3], "releases the brake (after 1.516 s, up to notch 8)");
    const auto release = std::find_if(log.entries().begin(), log.entries().end(),
                                      [](const LogEntry& e) { return e.text.rfind("releases", 0) == 0; });
    ASSERT_NE(release, log.entries().end());
    EXPECT_EQ(release->elapsedMs, 624);  // told a second later, at its own time
    ASSERT_EQ(log.applications().size(), 2U);
    EXPECT_EQ(log.applications()[0].flickers, 19);
}

}  // namespace
}  // namespace cabkit::sim
