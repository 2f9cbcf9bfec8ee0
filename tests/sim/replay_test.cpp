// The host as the plug-ins see it: the calling order of a run, the order of
// events between frames, which beacons fire in which direction, what the
// shared panel shows each plug-in, and that a replay is the same every time.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <fmt/format.h>

#include "event_log.h"
#include "expectation_checker.h"
#include "plugin_clock.h"
#include "replay.h"
#include "scenario_parser.h"
#include "scenario_run.h"
#include "sim_test_support.h"
#include "trace_writer.h"

namespace cabkit::sim {
namespace {

using test::contains;

// Calls of the stubs, without the Elapse lines when `elapse` is false.
std::vector<std::string> calls(const test::StubRecord& record, bool elapse) {
    std::vector<std::string> lines = record.lines();
    if (!elapse) {
        lines.erase(
            std::remove_if(lines.begin(), lines.end(), [](const std::string& l) { return contains(l, " Elapse "); }),
            lines.end());
    }
    return lines;
}

RunOutcome replayStubs(const Scenario& scenario, bool stopOnFailure = false) {
    RunOptions options;
    options.pluginFolder = SIM_STUB_DIR;
    options.stopOnFailure = stopOnFailure;
    options.progress = false;
    pinPluginClock(scenario);
    return runScenario(scenario, options, nullptr);
}

TEST(Replay, CallsThePluginsInTheHostsOrder) {
    test::ScratchFolder folder;
    test::StubRecord record(folder);
    const Scenario s = parseScenarioText(R"(
[start]
date = "2024-06-30"
time = "07:15:00.125"
reverser = 1
[run]
duration = 0.016
[[route.section]]
start = 0
aspect = 25
)",
                                         "order.toml");
    replayStubs(s);
    const std::vector<std::string> expected = {
        "Cabrix Load", "Velorin Load", "Sentrel Load", "Cabrix SetVehicleSpec 8 5 1", "Velorin SetVehicleSpec 8 5 1",
        "Sentrel SetVehicleSpec 8 5 1", "Cabrix Initialize 0 2024-06-30T07:15:00.125",
        "Velorin Initialize 0 2024-06-30T07:15:00.125", "Sentrel Initialize 0 2024-06-30T07:15:00.125",
        "Cabrix SetReverser 1", "Velorin SetReverser 1", "Sentrel SetReverser 1", "Cabrix SetPower 0",
        "Velorin SetPower 0", "Sentrel SetPower 0", "Cabrix SetBrake 9", "Velorin SetBrake 9", "Sentrel SetBrake 9",
        "Cabrix SetSignal 25", "Velorin SetSignal 25", "Sentrel SetSignal 25",
        "Cabrix Elapse 26100125 0.000 p72=0 p75=0 p201=0 p249=0",
        "Velorin Elapse 26100125 0.000 p72=9 p75=0 p201=0 p249=0",
        "Sentrel Elapse 26100125 0.000 p72=9 p75=2 p201=0 p249=0",
        // A plug-in's own slots read 0 at the start of its turn; the others' hold.
        "Cabrix Elapse 26100141 0.000 p72=0 p75=2 p201=0 p249=0",
        "Velorin Elapse 26100141 0.000 p72=9 p75=0 p201=0 p249=0",
        "Sentrel Elapse 26100141 0.000 p72=9 p75=2 p201=0 p249=0", "Cabrix Dispose", "Velorin Dispose",
        "Sentrel Dispose"};
    EXPECT_EQ(calls(record, true), expected);
}

TEST(Replay, DeliversBeaconsThenTheAspectThenTheDriverBetweenFrames) {
    test::ScratchFolder folder;
    test::StubRecord record(folder);
    // 36 km/h: 0.16 m per frame, so the beacon at 0.1 m is passed before frame 1.
    const Scenario s = parseScenarioText(R"(
[start]
speed = 36
reverser = 1
brake = 0
[run]
duration = 0.016
order = ["Sentrel", "Velorin", "Cabrix"]
[[route.beacon]]
location = 0.1
type = 520
optional = 77
[[route.section]]
start = 0
aspect = 25
changes = [{ after = 0.016, aspect = 19 }]
[[driver]]
after = 0.016
power = 2
door = "open"
press = 0
)",
                                         "gap.toml");
    replayStubs(s);
    std::vector<std::string> lines = calls(record, false);
    // Only the Sentrel stub's view, which comes first in this order.
    lines.erase(
        std::remove_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Sentrel", 0) != 0; }),
        lines.end());
    const std::vector<std::string> gap(lines.end() - 6, lines.end());
    EXPECT_EQ(gap,
              (std::vector<std::string>{"Sentrel SetBeaconData 520 0 77", "Sentrel SetSignal 19", "Sentrel SetPower 2",
                                        "Sentrel DoorOpen", "Sentrel KeyDown 0", "Sentrel Dispose"}))
        << "the key is released only after the next frame has seen it";
}

struct DirectionCase {
    double speed;
    std::vector<int32_t> fired;  // beacon types, in the order passed
};

class BeaconDirection : public ::testing::TestWithParam<DirectionCase> {};

TEST_P(BeaconDirection, FiresTheBeaconsMeantForThatDirection) {
    test::ScratchFolder folder;
    test::StubRecord record(folder);
    Scenario s = parseScenarioText(R"(
[start]
location = 50.0
reverser = 1
brake = 0
[train]
resistance = [0, 0, 0]
[run]
duration = 2
[[route.beacon]]
location = 48
type = 2
direction = "backward"
[[route.beacon]]
location = 49
type = 3
direction = "both"
[[route.beacon]]
location = 50
type = 1
[[route.beacon]]
location = 51
type = 4
[[route.beacon]]
location = 52
type = 5
direction = "backward"
)",
                                   "direction.toml");
    s.start.speed = GetParam().speed;
    replayStubs(s);
    std::vector<int32_t> fired;
    for (const std::string& line : calls(record, false)) {
        if (line.rfind("Cabrix SetBeaconData", 0) == 0) fired.push_back(std::stoi(line.substr(21)));
    }
    EXPECT_EQ(fired, GetParam().fired);
}

// A beacon exactly at the start is not passed; one the train runs onto is.
INSTANTIATE_TEST_SUITE_P(Directions, BeaconDirection,
                         ::testing::Values(DirectionCase{7.2, {4}},      // 4 m forward in 2 s
                                           DirectionCase{-7.2, {3, 2}},  // 4 m backward
                                           DirectionCase{0.0, {}}),
                         [](const ::testing::TestParamInfo<DirectionCase>& param) {
                             return param.param.speed > 0   ? std::string("forward")
                                    : param.param.speed < 0 ? std::string("backward")
                                                            : std::string("standing");
                         });

TEST(Replay, ASwitchOffValueLastsOnlyWhileItsWriterSendsIt) {
    for (const bool zero : {true, false}) {
        test::ScratchFolder folder;
        test::StubRecord record(folder);
        Scenario s = parseScenarioText(R"(
[run]
duration = 0.1
[[driver]]
after = 0.016
key_down = 15
[[driver]]
after = 0.048
key_down = 15
[[panel]]
slot = 201
value = 1
after = 0.032
)",
                                       "switch.toml");
        s.run.zeroUnwrittenPanel = zero;
        replayStubs(s);
        std::vector<std::string> seen;  // what the train-stop stub read in slot 249, frame by frame
        for (const std::string& line : calls(record, true)) {
            if (line.rfind("Sentrel Elapse", 0) == 0) seen.push_back(line.substr(line.find("p201")));
        }
        ASSERT_EQ(seen.size(), 8U);
        // The vehicle stub writes 249 = 4 from frame 1 to frame 2, and stops in frame 3.
        EXPECT_EQ(seen[0], "p201=0 p249=0");
        EXPECT_EQ(seen[1], "p201=0 p249=4");
        EXPECT_EQ(seen[2], "p201=1 p249=4");
        EXPECT_EQ(seen[3], zero ? "p201=1 p249=0" : "p201=1 p249=4") << (zero ? "zero" : "keep");
        EXPECT_EQ(seen[7], zero ? "p201=1 p249=0" : "p201=1 p249=4") << (zero ? "zero" : "keep");
    }
}

TEST(Replay, CombinesCommandsAndAttributesTheBrakeToThePluginThatImposedIt) {
    const Scenario s = parseScenarioText(R"(
[start]
reverser = 1
brake = 0
[run]
duration = 3
[[driver]]
after = 0.5
power = 3
[[driver]]
after = 1
key_down = 8
[[driver]]
after = 2
key_down = 3
[[expect]]
value = "power"
equals = 4
after = 0.8
[[expect]]
value = "brake"
equals = 9
during = [1.05, 1.9]
[[expect]]
value = "reverser"
equals = 1
at_end = true
[[expect]]
value = "Sentrel imposes brake"
equals = 9
during = [1.05, 1.9]
[[expect]]
value = "Sentrel cuts power"
equals = 1
during = [1.05, 1.9]
[[expect]]
value = "Velorin imposes brake"
equals = 0
during = [0, 3]
[[expect]]
value = "Cabrix cuts power"
equals = 0
during = [0, 3]
[[expect]]
value = "driver power"
equals = 3
after = 0.8
[[expect]]
value = "driver brake"
equals = 0
at_end = true
[[expect]]
value = "driver reverser"
equals = 1
at_end = true
)",
                                         "combine.toml");
    RunOptions options;
    options.pluginFolder = SIM_STUB_DIR;
    options.progress = false;
    test::ScratchFolder folder;
    std::FILE* log = std::fopen(folder.file("log.txt").c_str(), "w");
    pinPluginClock(s);
    const RunOutcome outcome = runScenario(s, options, log);
    std::fclose(log);
    EXPECT_EQ(outcome.failed, 0);
    const std::string text = test::readFile(folder.file("log.txt"));
    EXPECT_TRUE(contains(text, "Sentrel  EMERGENCY BRAKE (notch 9)")) << text;
    EXPECT_TRUE(contains(text, "Sentrel  cuts power (driver notch 3, returns 0)")) << text;
    EXPECT_TRUE(contains(text, "Sentrel  releases the brake (after 0.992 s, up to notch 9)")) << text;
    EXPECT_FALSE(contains(text, "Velorin  brakes")) << text;
}

TEST(Expectations, AreJudgedAtTheirInstantOverTheirSpanAndAtTheEnd) {
    const Scenario s = parseScenarioText(R"(
[start]
reverser = 1
brake = 0
[run]
duration = 30
[[route.station]]
name = "Cedar"
location = 60.0
[[driver]]
after = 1
power = 4
[[driver]]
location = 30
power = 0
brake = 4
[[expect]]
value = "speed"
equals = 0
during = [0, 1]
[[expect]]
value = "Velorin power"
equals = 5
after = 2
[[expect]]
value = "speed"
at_least = 10
during = [1, 6]
sometime = true
[[expect]]
value = "speed"
at_least = 10
during = [1, 6]
note = "fails: the train starts from rest"
[[expect]]
value = "location"
between = [55, 80]
at_end = true
[[expect]]
stop_at = "Cedar"
within = 1
[[expect]]
value = "panel 72"
equals = 9
after = 40
)",
                                         "judge.toml");
    const RunOutcome outcome = replayStubs(s);
    ASSERT_EQ(outcome.expectations.size(), 7U);
    using State = ExpectationResult::State;
    const std::vector<State> expected = {State::Passed, State::Passed, State::Passed, State::Failed,
                                         State::Passed, State::Failed, State::Failed};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(outcome.expectations[i].state, expected[i])
            << outcome.expectations[i].expectation->describe() << ": " << outcome.expectations[i].detail;
    }
    EXPECT_TRUE(contains(outcome.expectations[3].detail, "speed was 0 at 08:00:01.008"))
        << outcome.expectations[3].detail;
    EXPECT_TRUE(contains(outcome.expectations[5].detail, "nearest stop")) << outcome.expectations[5].detail;
    EXPECT_TRUE(contains(outcome.expectations[6].detail, "the run ended")) << outcome.expectations[6].detail;
    EXPECT_EQ(outcome.failed, 3);
}

// A span tells its extreme and where; one that runs to the run's own end is
// judged on the frames up to there, one the run ended inside of is not; an
// event expectation counts the interventions that begin within its span.
// Sentrel's stub trips at 1 s: the train stops about 50 m on, short of the
// end location.
TEST(Expectations, TellTheSpansExtremeAndCountInterventions) {
    const char* run = R"(
[start]
speed = 36
reverser = 1
brake = 0
[run]
duration = 12
end_location = 60
[[driver]]
after = 1
press = 8
)";
    struct Case {
        const char* expect;
        ExpectationResult::State state;
        const char* detail;
    };
    using State = ExpectationResult::State;
    const std::vector<Case> cases = {
        {"value = \"speed\"\nat_most = 36.5\nduring_location = [5, 60]", State::Passed,
         "held throughout the span up to the run's end at 08:00:12"},
        {"value = \"speed\"\nat_most = 36.5\nduring_location = [5, 55]", State::Failed,
         "before the span closed; until then speed was at most 3"},
        {"value = \"speed\"\nat_most = 20\nduring = [0, 5]", State::Failed,
         "the first frame outside the bounds; over the span, speed was at most 36 km/h, at 08:00:00.000"},
        {"value = \"speed\"\nat_least = 40\nduring = [0, 5]\nsometime = true", State::Failed,
         "never held within the span: speed was at most 36 km/h, at 08:00:00.000"},
        {"value = \"brake\"\nequals = 9\nduring = [2, 3]", State::Passed, "brake was 9 in every frame"},
        {"event = \"Sentrel emergency brake\"\nduring = [0.5, 1.5]", State::Passed,
         "Sentrel emergency brake at 08:00:01.0"},
        {"event = \"Sentrel emergency brake\"\nduring = [3, 5]", State::Failed, "none within the span"},
        {"event = \"brake application\"\nequals = 0\nduring = [0.5, 2]", State::Failed,
         "brake application at 08:00:01.0"},
        {"event = \"Cabrix brake application\"\nequals = 0", State::Passed, "none in the run"},
    };
    std::string text = run;
    for (const Case& c : cases) text += fmt::format("[[expect]]\n{}\n", c.expect);
    const RunOutcome outcome = replayStubs(parseScenarioText(text, "extremes.toml"));
    ASSERT_EQ(outcome.expectations.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ExpectationResult& result = outcome.expectations[i];
        EXPECT_EQ(result.state, cases[i].state) << cases[i].expect << ": " << result.detail;
        EXPECT_TRUE(contains(result.detail, cases[i].detail)) << cases[i].expect << ": " << result.detail;
        EXPECT_FALSE(result.following) << cases[i].expect;
    }
    // Stopped at the first failure, what was not judged yet stays open.
    const RunOutcome early = replayStubs(parseScenarioText(text, "extremes.toml"), true);
    EXPECT_EQ(early.expectations[0].state, State::Open) << early.expectations[0].detail;
    EXPECT_TRUE(contains(early.expectations[2].detail, "until the run ended")) << early.expectations[2].detail;
}

// A span that holds no frame is judged at the frame nearest to it (the later
// of two equally near); times of day over midnight are where they first come.
struct EmptySpan {
    const char* what;
    const char* span;
    const char* judgedAt;
};

class SpanWithoutAFrame : public ::testing::TestWithParam<EmptySpan> {};

TEST_P(SpanWithoutAFrame, IsJudgedAtTheFrameNearestToIt) {
    const Scenario s = parseScenarioText(fmt::format(R"(
[start]
time = "23:59:59"
speed = 36
brake = 0
[run]
duration = 2
[[expect]]
value = "location"
at_least = 0
{}
)",
                                                     GetParam().span),
                                         "span.toml");
    const ExpectationResult result = replayStubs(s).expectations.at(0);
    EXPECT_EQ(result.state, ExpectationResult::State::Passed) << result.detail;
    EXPECT_TRUE(contains(result.detail, GetParam().judgedAt)) << result.detail;
    EXPECT_TRUE(contains(result.detail, "the frame nearest to the span")) << result.detail;
}

INSTANTIATE_TEST_SUITE_P(
    Spans, SpanWithoutAFrame,
    ::testing::Values(EmptySpan{"nearer_the_frame_after", "during = [1, 1.005]", "00:00:00.008 (+1.008 s"},
                      EmptySpan{"nearer_the_frame_before", "during = [0.993, 0.999]\nsometime = true", "(+0.992 s"},
                      EmptySpan{"equally_near", "during = [1, 1]", "(+1.008 s"},
                      EmptySpan{"over_midnight", "during_time = [\"00:00:00.001\", \"00:00:00.002\"]", "(+1.008 s"},
                      EmptySpan{"by_location", "during_location = [1.0, 1.01]", "(+0.096 s"}),
    [](const ::testing::TestParamInfo<EmptySpan>& param) { return std::string(param.param.what); });

TEST(Expectations, StopOnFailureEndsTheReplayAtTheFailingFrame) {
    const Scenario s = parseScenarioText(R"(
[run]
duration = 10
[[expect]]
value = "brake"
equals = 0
after = 1
)",
                                         "stop.toml");
    const RunOutcome full = replayStubs(s, false);
    const RunOutcome early = replayStubs(s, true);
    EXPECT_EQ(full.replay.frames, 626);
    EXPECT_TRUE(early.replay.stoppedEarly);
    EXPECT_EQ(early.replay.frames, 64);  // the first frame at or after 1 s
    EXPECT_EQ(early.failed, 1);
}

// Everything that depends on the wall clock is pinned by the scenario, and
// each replay loads fresh copies of the libraries: two replays in one process
// write the same bytes.
TEST(Reproducibility, TwoReplaysOfTheRealPluginsWriteIdenticalTraces) {
    const Scenario s = parseScenarioText(R"(
[start]
time = "09:00:00.321"
reverser = 1
brake = 0
[run]
duration = 40
[[route.section]]
start = 0
aspect = 25
changes = [{ after = 20, aspect = 13 }]
[[route.beacon]]
location = 20
type = 0
[[route.beacon]]
location = 40
type = 524
optional = 30
[[panel]]
slot = 201
value = 1
[[driver]]
after = 0.5
brake = "emergency"
key_down = 15
[[driver]]
after = 1
brake = 0
power = 4
[[driver]]
after = 15
door = "open"
press = 0
[[driver]]
after = 25
key_down = 6
)",
                                         "repeat.toml");
    test::ScratchFolder folder;
    std::vector<std::string> traces;
    for (int run = 0; run < 2; ++run) {
        RunOptions options;
        options.pluginFolder = CABKIT_PLUGIN_DIR;
        options.progress = false;
        options.trace = folder.file("trace" + std::to_string(run) + ".csv");
        std::string error;
        options.slots = *parseTraceSlots("p0-255,s0-255", error);
        pinPluginClock(s);
        runScenario(s, options, nullptr);
        traces.push_back(test::readFile(*options.trace));
    }
    EXPECT_EQ(std::count(traces[0].begin(), traces[0].end(), '\n'), 2502);
    EXPECT_TRUE(traces[0] == traces[1]) << "the traces differ";
}

}  // namespace
}  // namespace cabkit::sim
