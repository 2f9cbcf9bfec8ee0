// Why a plug-in did not do what was asked: the verdicts on beacons and on the
// controller's start, and the event log telling them on a real replay.
#include <gtest/gtest.h>

#include <string>

#include "event_log.h"
#include "plugin_clock.h"
#include "refusal_reasons.h"
#include "replay.h"
#include "scenario_parser.h"
#include "sim_test_support.h"

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

}  // namespace
}  // namespace cabkit::sim
