// Why a plug-in did not do what was asked, and why the supervisors braked:
// the verdicts on beacons, on the controller's start and on each trip, and
// the event log telling them on a real replay.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "event_log.h"
#include "plugin_clock.h"
#include "refusal_reasons.h"
#include "replay.h"
#include "run_analysis.h"
#include "scenario_parser.h"
#include "sim_test_support.h"
#include "trip_causes.h"

namespace cabkit::sim {
namespace {

using test::contains;

TEST(RefusalReasons, BeaconsNotTakenSayWhoWantsWhat) {
    const BeaconMoment moving{30.0, 1, 0, false, 1};
    const BeaconMoment standing{0.0, 1, 0, false, 1};
    struct Case {
        int32_t type;
        BeaconMoment moment;
        const char* expected;  // a part of the answer; "" for a beacon taken by all its readers
    };
    const Case cases[] = {
        {7, moving, "no plug-in reads this type"},
        {520, moving, ""},
        {148, moving, "Velorin takes it only at a standstill"},
        {148, standing, ""},
        {30, BeaconMoment{30.0, 2, 0, false, 1}, "only in operating mode 1"},
        {300, BeaconMoment{30.0, 2, 0, false, 1}, ""},
        {0, BeaconMoment{30.0, 1, 0, true, 1}, "not while key 0 is held"},
        {1, standing, "Sentrel takes it only while moving"},
        {101, BeaconMoment{-8.0, 1, 0, false, -1}, "reverser backward"},
        {65, standing, ""},
        {1, BeaconMoment{30.0, 2, 1, false, 1}, "Sentrel is off (train-stop switch-off is 1)"},
    };
    for (const Case& c : cases) {
        const std::string answer = beaconNotTaken(BeaconData{c.type, 0, 0.0F, 0}, c.moment);
        if (std::string(c.expected).empty()) {
            EXPECT_EQ(answer, "") << c.type;
        } else {
            EXPECT_TRUE(contains(answer, c.expected)) << c.type << ": " << answer;
        }
    }
}

TEST(RefusalReasons, ControllerStartAndCommandVerdicts) {
    EXPECT_TRUE(atoStartUnmet(2, 1, DriverHandles{1, 0, 0}).empty());
    EXPECT_EQ(joinReasons(atoStartUnmet(1, 0, DriverHandles{0, 2, 3})),
              "the operating mode is 1, not 2, power is not permitted (slot 201, power permitted, is 0), the brake "
              "handle is at notch 3, the power handle is at notch 2 and the reverser is neutral");

    const DriverHandles rest{1, 0, 0};
    EXPECT_TRUE(showsController(HandleCommand{0, 5, 1, 0}, rest, 2));   // powers with the handle at 0
    EXPECT_TRUE(showsController(HandleCommand{7, 0, 1, 0}, rest, 2));   // holds the brake
    EXPECT_FALSE(showsController(HandleCommand{0, 0, 1, 0}, rest, 2));  // cannot tell
    EXPECT_FALSE(followsDriverAwayFromRest(HandleCommand{0, 0, 1, 0}, rest, 2));
    EXPECT_TRUE(followsDriverAwayFromRest(HandleCommand{0, 4, 1, 0}, DriverHandles{1, 3, 0}, 2));
    // Mode 0 holds the emergency notch whoever drives: only the reverser tells.
    EXPECT_FALSE(showsController(HandleCommand{9, 0, 0, 0}, DriverHandles{0, 0, 9}, 0));
    EXPECT_TRUE(showsController(HandleCommand{9, 0, 1, 0}, DriverHandles{0, 0, 9}, 0));
    EXPECT_EQ(drivableCodes(), "3, 5, 6, 7, 8 or 9");
}

TEST(RefusalReasons, TheEventLogSaysWhyOnARealReplay) {
    const Scenario s = parseScenarioText(R"(
[start]
time = "08:00:00"
brake = "emergency"
[run]
duration = 12
[[driver]]
after = 1
key_down = 15
[[driver]]
after = 2
reverser = 1
brake = 0
[[driver]]
after = 3
press = 0
[[panel]]
after = 4
slot = 201
value = 1
[[driver]]
after = 5
press = 0
[[driver]]
after = 8
brake = 3
power = 1
[[driver]]
after = 9
key_down = 14
)",
                                         "why.toml");
    pinPluginClock(s);
    test::ScratchFolder copies;
    CallRecord calls;
    Replay replay(s, CABKIT_PLUGIN_DIR, copies.file(""), calls);
    EventLog log(nullptr);
    replay.addObserver(log);
    replay.run();
    std::string text;
    for (const LogEntry& entry : log.entries()) text += entry.source + " " + entry.text + "\n";
    for (const char* expected : {
             "Velorin does not start the ATO: power is not permitted (slot 201, power permitted, is 0)",
             "Velorin ATO engaged",
             "Velorin ATO holds the brake: no cab-signal code it can drive on reaches it (cab-signal code is 0, and "
             "no aspect was signalled)",
             "Velorin ATO released by the driver's handles",
             "Velorin refuses key 14 (mode selector toward 1): it needs the brake handle at the emergency notch; the "
             "brake handle is at notch 3",
         }) {
        EXPECT_TRUE(contains(text, expected)) << expected << "\n" << text;
    }

    // A warning acknowledged with the brake released.
    const Scenario warned = parseScenarioText(R"(
[start]
time = "08:00:00"
brake = "emergency"
[run]
duration = 20
[[panel]]
slot = 201
value = 1
[[driver]]
after = 1
key_down = 14
[[driver]]
after = 4
reverser = 1
brake = 0
power = 3
[[route.beacon]]
location = 5
type = 7
[[route.beacon]]
location = 10
type = 0
[[driver]]
location = 12
press = 0
hold = 0.5
)",
                                              "warned.toml");
    Replay again(warned, CABKIT_PLUGIN_DIR, copies.file(""), calls);
    EventLog warnedLog(nullptr);
    again.addObserver(warnedLog);
    again.run();
    text.clear();
    for (const LogEntry& entry : warnedLog.entries()) text += entry.source + " " + entry.text + "\n";
    EXPECT_TRUE(contains(text, "beacon 7 (signal 0, optional 0): no plug-in reads this type")) << text;
    EXPECT_TRUE(contains(text,
                         "Sentrel takes no acknowledgement (key 0, train-stop acknowledge): the brake handle "
                         "is at notch 0, below the check notch 1"))
        << text;
}

TEST(TripCauses, BeaconsAndBrakesNameTheirRule) {
    // Train-stop beacons passed one after the other, at elapsed ms, with
    // the state the ones before left (and a window where a row opens one).
    struct BeaconCase {
        int32_t type, signal, optional;
        int64_t atMs;
        int32_t windowMs;       // -1: leave the window as it is
        const char* verdict;    // the whole verdict
        const char* tripCause;  // "" when it does not trip
    };
    const BeaconCase beacons[] = {
        {50, 0, 0, 1000, -1, "arms the pair check: the next pair beacon within 500 ms trips", ""},
        {55, 0, 0, 1820, -1, "no trip: pair 50 -> 55 passed 820 ms apart, not under 500 ms", ""},
        {55, 0, 0, 2000, -1, "arms the pair check: the next pair beacon within 500 ms trips", ""},
        {50, 0, 0, 2500, -1, "no trip: pair 55 -> 50 passed 500 ms apart, not under 500 ms", ""},
        {50, 0, 0, 3000, -1, "arms the pair check: the next pair beacon within 500 ms trips", ""},
        {55, 0, 0, 3240, -1, "trips: pair 50 -> 55 passed 240 ms apart, under 500 ms",
         "pair 50 -> 55 passed 240 ms apart, under 500 ms"},
        {1, 3, 0, 4000, 0, "no trip: signal 3 is not 0 (at stop), and no timing window is open", ""},
        {1, 0, 7, 4000, 0, "no trip: optional 7 is not 0, and no timing window is open", ""},
        {1, 0, 0, 4000, 0, "trips: stop beacon 1 at signal 0 (at stop)", "stop beacon 1 at signal 0 (at stop)"},
        {1, 3, 7, 4000, 1200, "trips: stop beacon 1 passed while a timing window is open (1200 ms left)",
         "stop beacon 1 passed while a timing window is open (1200 ms left)"},
        {101, 2, 0, 4000, 0, "no trip: signal 2 is not 0 (at stop)", ""},
        {0, 0, 1, 4000, 0, "no warning: optional 1 warns only in a timing window, and none is open", ""},
        {95, 0, 0, 4000, 0, "warning: signal 0 (at stop); acknowledge within 5 s", ""},
        {65, 0, 3000, 4000, -1, "opens a timing window of 3000 ms", ""},
    };
    TrainStopState state;
    for (const BeaconCase& c : beacons) {
        if (c.windowMs >= 0) state.windowLeftMs = c.windowMs;
        std::string cause;
        EXPECT_EQ(judgeTrainStopBeacon(BeaconData{c.type, c.signal, 0.0F, c.optional}, c.atMs, 100.0, state, cause),
                  c.verdict);
        EXPECT_EQ(cause, c.tripCause) << c.verdict;
    }

    struct BrakeCase {
        bool emergency;
        CabSignalMoment moment;
        const char* cause;
    };
    const BrakeCase brakes[] = {
        {false, {58.2, 7, 2, false, false, 0.0, 55.0}, "over the permitted 55 km/h by 3.2 km/h"},
        {false, {55.0, 7, 2, false, false, 0.0, 55.0}, "at the permitted 55 km/h, which the speed must stay below"},
        {false,
         {0.0, 2, 2, false, false, 0.0, -1.0},
         "code 2 in mode 2 permits no running: the service brake holds even at a standstill"},
        {false, {27.0, 9, 2, true, false, 0.0, 75.0}, "over the fixed 25 km/h limit by 2.0 km/h"},
        {true, {-3.0, 9, 0, false, true, -5.1, 25.0}, "rollback: -5.10 km/h with the reverser forward, beyond -5 km/h"},
        {true,
         {10.0, 0, 1, false, false, 0.0, 25.0},
         "no cab-signal code in mode 1: modes 0 and 1 run only with a code, the fixed limit (key 12) or the "
         "reverser backward"},
    };
    for (const BrakeCase& c : brakes) EXPECT_EQ(cabSignalCause(c.emergency, c.moment), c.cause);
}

TEST(TripCauses, TheLogOfTheWorkedExampleGivesEachCause) {
    const Scenario s = parseScenarioFile(std::filesystem::path(SCENARIO_DIR) / "trip_causes.toml");
    pinPluginClock(s);
    test::ScratchFolder copies;
    CallRecord calls;
    Replay replay(s, CABKIT_PLUGIN_DIR, copies.file(""), calls);
    RunAnalysis analysis;
    replay.addObserver(analysis);
    EventLog log(nullptr, &analysis);
    replay.addObserver(log);
    replay.run();
    std::string text;
    for (const LogEntry& entry : log.entries()) text += entry.source + " " + entry.text + "\n";
    for (const char* expected : {
             "Sentrel EMERGENCY BRAKE (notch 9): warning of beacon 0 at 200.",
             "not acknowledged within 5 s",
             "train-stop pair, second type (signal 0, optional 0): no trip: pair 50 -> 55 passed",
             "not under 500 ms",
             "Sentrel EMERGENCY BRAKE (notch 9): pair 50 -> 55 passed",
             "Cabrix brakes, notch 8: over the permitted 25 km/h by",
             "Cabrix EMERGENCY BRAKE (notch 9): rollback: -5.",
         }) {
        EXPECT_TRUE(contains(text, expected)) << expected << "\n" << text;
    }
    std::size_t withCause = 0;
    for (const Application& app : analysis.applications()) withCause += app.cause.empty() ? 0U : 1U;
    EXPECT_GE(withCause, 4U);
}

}  // namespace
}  // namespace cabkit::sim
