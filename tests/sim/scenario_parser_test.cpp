// Scenario files: a full file reads into the values it says, and each kind
// of mistake is reported with its line and what was expected there.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "scenario_parser.h"
#include "sim_test_support.h"
#include "toml_depth.h"

namespace cabkit::sim {
namespace {

constexpr const char* kFull = R"(name = "full"
description = "every section"

[train]
brake_notches = 7
power_notches = 4
check_notch = 2
power_acceleration = [1.0, 2.0]
brake_deceleration = [0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5]
emergency_deceleration = 5.0
resistance = [0.01, 0.0, 0.0]

[start]
date = "2024-02-29"
time = "23:59:58.250"
location = 10.0
speed = 5
reverser = 1
brake = "emergency"

[run]
duration = 12.5
end_location = 900
step_ms = 20
order = ["Velorin", "Sentrel", "Cabrix"]
unwritten_panel = "keep"

[[route.beacon]]
location = 300.0
type = 520
optional = 150

[[route.beacon]]
location = 100.0
type = 0
signal = 2
direction = "both"

[[route.section]]
start = 0.0
aspect = 25
changes = [{ time = "23:59:59", aspect = 11 }, { location = 200.0, aspect = 13 }]

[[route.gradient]]
start = 50.0
per_mille = -5

[[route.station]]
name = "Birch"
location = 800.0

[[driver]]
after = 1.5
reverser = 1
power = 2
brake = 0
press = 0
hold = 0.5

[[panel]]
slot = 201
value = 1

[[expect]]
value = "Sentrel brake"
at_most = 0
during = [1, 2.5]

[[expect]]
value = "panel 72"
equals = 9
location = 250.0

[[expect]]
stop_at = "Birch"
within = 1.5
)";

TEST(ScenarioParser, ReadsEverySectionOfAFullFile) {
    const Scenario s = parseScenarioText(kFull, "full.toml");
    EXPECT_EQ(s.name, "full");
    EXPECT_EQ(s.train.brakeNotches, 7);
    EXPECT_EQ(s.train.emergencyNotch(), 8);
    EXPECT_EQ(s.train.checkNotch, 2);
    EXPECT_EQ(s.train.powerAcceleration.size(), 2U);
    EXPECT_DOUBLE_EQ(s.train.emergencyDeceleration, 5.0);

    EXPECT_EQ(s.start.timeOfDayMs, ((23 * 60 + 59) * 60 + 58) * 1000 + 250);
    EXPECT_EQ(s.start.localTimeText(), "2024-02-29T23:59:58.250");
    EXPECT_EQ(s.start.brake, 8);
    EXPECT_DOUBLE_EQ(s.start.speed, 5.0);

    EXPECT_EQ(s.run.durationMs, 12'500);
    EXPECT_EQ(s.run.stepMs, 20);
    EXPECT_EQ(s.run.order, (std::vector<int32_t>{pluginIndexOf(contract::kVelorin), pluginIndexOf(contract::kSentrel),
                                                 pluginIndexOf(contract::kCabrix)}));
    EXPECT_FALSE(s.run.zeroUnwrittenPanel);
    ASSERT_TRUE(s.run.endLocation.has_value());

    ASSERT_EQ(s.route.beacons.size(), 2U);
    EXPECT_EQ(s.route.beacons[0].data.type, 0);  // sorted by location
    EXPECT_EQ(s.route.beacons[0].direction, Beacon::Direction::Both);
    EXPECT_EQ(s.route.beacons[1].data.optional, 150);
    ASSERT_EQ(s.route.sections.size(), 1U);
    ASSERT_EQ(s.route.sections[0].changes.size(), 2U);
    EXPECT_EQ(s.route.sections[0].changes[0].when.kind, Trigger::Kind::TimeOfDay);
    EXPECT_EQ(s.route.sections[0].changes[1].when.kind, Trigger::Kind::Location);
    EXPECT_DOUBLE_EQ(s.route.gradients[0].perMille, -5.0);

    ASSERT_EQ(s.driver.size(), 1U);
    EXPECT_EQ(s.driver[0].when.ms, 1500);
    EXPECT_EQ(s.driver[0].press, 0);
    EXPECT_EQ(s.driver[0].holdMs, 500);
    ASSERT_EQ(s.panel.size(), 1U);
    EXPECT_EQ(s.panel[0].when.ms, 0);  // from the start when no trigger is given

    ASSERT_EQ(s.expectations.size(), 3U);
    EXPECT_EQ(s.expectations[0].timing, Expectation::Timing::Throughout);
    EXPECT_EQ(s.expectations[0].quantity.kind, Quantity::Kind::PluginBrake);
    EXPECT_EQ(s.expectations[0].line, 64);
    EXPECT_EQ(s.expectations[1].quantity.index, 72);
    EXPECT_EQ(s.expectations[2].timing, Expectation::Timing::StationStop);
}

TEST(ScenarioParser, AnEmptyFileIsAOneMinuteRunOfTheDefaultTrain) {
    const Scenario s = parseScenarioText("", "empty.toml");
    EXPECT_EQ(s.name, "empty");
    EXPECT_EQ(s.run.durationMs, 60'000);
    EXPECT_EQ(s.run.stepMs, 16);
    EXPECT_EQ(s.train.brakeDeceleration.size(), static_cast<std::size_t>(s.train.brakeNotches));
    EXPECT_FALSE(s.start.brake.has_value());
    EXPECT_TRUE(s.warnings.empty());
}

// Driver entries run at their own times; one written after a later one is
// taken as written, with a warning that names both lines. Places and equal
// times are no slip.
TEST(ScenarioParser, DriverEntriesOutOfTimeOrderGiveAWarning) {
    const Scenario s = parseScenarioText(
        "[start]\ntime = \"08:00:00\"\n"
        "[[driver]]\nafter = 10\npower = 1\n"
        "[[driver]]\nlocation = 5\npower = 2\n"
        "[[driver]]\ntime = \"08:00:10\"\npower = 3\n"
        "[[driver]]\nafter = 5\npower = 0\n",
        "slip.toml");
    ASSERT_EQ(s.warnings.size(), 1U);
    EXPECT_EQ(s.warnings[0],
              "slip.toml:12: [[driver]] due 5.000 s after the start is written after the one of line 3, due "
              "10.000 s; each runs at its own time, so this one runs first");
    EXPECT_EQ(s.driver[3].when.ms, 5000);
}

struct BadCase {
    const char* what;
    const char* text;
    int32_t line;
    const char* message;
};

class BadScenario : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadScenario, IsReportedWithItsLineAndWhatWasExpected) {
    const BadCase& c = GetParam();
    try {
        parseScenarioText(c.text, "bad.toml");
        FAIL() << "accepted: " << c.text;
    } catch (const ScenarioError& error) {
        EXPECT_EQ(error.file(), "bad.toml");
        EXPECT_EQ(error.line(), c.line) << error.what();
        EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        EXPECT_EQ(std::string(error.what()).rfind("bad.toml:", 0), 0U) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, BadScenario,
    ::testing::Values(
        BadCase{"plugin_imposes_power", "[[expect]]\nvalue = \"Sentrel imposes power\"\nequals = 0\nafter = 1\n", 2,
                "\"imposes brake\" or \"cuts power\""},
        BadCase{"driver_speed", "[[expect]]\nvalue = \"driver speed\"\nequals = 0\nafter = 1\n", 2, "cannot be read"},
        BadCase{"four_words", "[[expect]]\nvalue = \"Cabrix cuts power now\"\nequals = 0\nafter = 1\n", 2,
                "cannot be read"},
        BadCase{"toml_syntax", "[run]\nduration = = 3\n", 2, "not valid TOML"},
        BadCase{"unknown_key", "[run]\nduration = 3\nstep = 5\n", 3, "unknown key 'step' in [run]"},
        BadCase{"unknown_section", "name = \"x\"\n\n[trian]\nbrake_notches = 3\n", 3, "unknown key 'trian'"},
        BadCase{"wrong_type", "[train]\nbrake_notches = \"8\"\n", 2, "must be an integer"},
        BadCase{"out_of_range", "[run]\nstep_ms = 0\n", 2, "must lie in 1 .. 60000"},
        BadCase{"bad_clock", "[start]\ntime = \"8:00\"\n", 2, "\"HH:MM:SS\""},
        BadCase{"bad_date", "[start]\ndate = \"2023-02-29\"\n", 2, "calendar date"},
        BadCase{"brake_list_length", "[train]\nbrake_notches = 3\nbrake_deceleration = [1.0, 2.0]\n", 3,
                "a list of 3 numbers"},
        BadCase{"order", "[run]\norder = [\"Cabrix\", \"Cabrix\", \"Sentrel\"]\n", 2, "once each"},
        BadCase{"beacon_without_type", "[[route.beacon]]\nlocation = 5.0\n", 1, "needs 'location' (m) and 'type'"},
        BadCase{"beacon_direction", "\n[[route.beacon]]\nlocation = 5.0\ntype = 1\ndirection = \"up\"\n", 5,
                "\"forward\", \"backward\" or \"both\""},
        BadCase{"driver_two_triggers", "[[driver]]\nafter = 1\nlocation = 5\npower = 1\n", 1, "exactly one of 'after'"},
        BadCase{"driver_does_nothing", "[[driver]]\nafter = 1\n", 1, "does nothing"},
        BadCase{"key_range", "[[driver]]\nafter = 1\nkey_down = 16\n", 3, "must lie in 0 .. 15"},
        BadCase{"hold_without_press", "[[driver]]\nafter = 1\npower = 1\nhold = 2\n", 4, "goes with 'press'"},
        BadCase{"stand_in_slot", "[[panel]]\nslot = 72\nvalue = 1\n", 2, "must be 201, 231 or 232"},
        BadCase{"expect_value", "[[expect]]\nvalue = \"panel 300\"\nequals = 1\nafter = 1\n", 2, "cannot be read"},
        BadCase{"expect_plugin", "[[expect]]\nvalue = \"Velorin speed\"\nequals = 1\nafter = 1\n", 2, "cannot be read"},
        BadCase{"expect_no_comparison", "[[expect]]\nvalue = \"brake\"\nafter = 1\n", 1, "needs one comparison"},
        BadCase{"expect_no_time", "[[expect]]\nvalue = \"brake\"\nequals = 1\n", 1, "exactly one of"},
        BadCase{"expect_reversed_span", "[[expect]]\nvalue = \"brake\"\nequals = 1\nduring = [5, 2]\n", 4,
                "from the earlier to the later"},
        BadCase{"expect_sometime_instant", "[[expect]]\nvalue = \"brake\"\nequals = 1\nafter = 2\nsometime = true\n", 5,
                "goes with a span"},
        BadCase{"event_unknown", "[[expect]]\nevent = \"Sentrel trip\"\n", 2, "\"emergency brake\" or \"power cut\""},
        BadCase{"event_and_value", "[[expect]]\nevent = \"power cut\"\nvalue = \"brake\"\n", 1, "not both"},
        BadCase{"event_at_an_instant", "[[expect]]\nevent = \"power cut\"\nafter = 3\n", 1, "counted over a span"},
        BadCase{"id_twice",
                "[[expect]]\nid = \"a\"\nat_end = true\nvalue = \"brake\"\nequals = 0\n"
                "[[expect]]\nid = \"a\"\nat_end = true\nvalue = \"brake\"\nequals = 0\n",
                6, "already the id of the expectation at line 1"},
        BadCase{"id_blank", "[[expect]]\nid = \" \"\nat_end = true\nvalue = \"brake\"\nequals = 0\n", 2,
                "'id' in [[expect]] must be a name"},
        BadCase{"expect_unknown_station", "[[expect]]\nstop_at = \"Nowhere\"\n", 2, "names no [[route.station]]"},
        BadCase{"section_change_without_aspect",
                "[[route.section]]\nstart = 0\naspect = 25\nchanges = [{ after = 3 }]\n", 4, "needs 'aspect'"},
        BadCase{"driver_as_table", "[driver]\nafter = 1\n", 1, "[[driver]] tables"}),
    [](const ::testing::TestParamInfo<BadCase>& param) { return std::string(param.param.what); });

TEST(ScenarioParser, AMissingFileIsAnErrorNotACrash) {
    EXPECT_THROW(parseScenarioFile("/nonexistent/scenario.toml"), ScenarioError);
}

// A time of day is its first moment at or after the start; hours from 24 on
// count from the start day's midnight.
TEST(ScenarioParser, TimesOfDayComeAtOrAfterTheStart) {
    struct Case {
        const char* start;
        const char* time;
        int64_t afterStartMs;
    };
    for (const Case& c : {Case{"23:59:50", "00:00:10", 20'000}, Case{"08:00:00", "08:00:00", 0},
                          Case{"08:00:00", "07:59:59.999", 86'399'999}, Case{"23:00:00", "25:00:00", 7'200'000},
                          Case{"00:30:00", "25:00:00", 88'200'000}}) {
        const Scenario s = parseScenarioText(
            fmt::format("[start]\ntime = \"{}\"\n[run]\nduration = 604800\n[[driver]]\ntime = \"{}\"\npower = 1\n"
                        "[[expect]]\nvalue = \"brake\"\nequals = 0\nduring_time = [\"{}\", \"{}\"]\n",
                        c.start, c.time, c.start, c.time),
            "clock.toml");
        EXPECT_EQ(s.driver[0].when.ms - s.start.timeOfDayMs, c.afterStartMs) << c.start << " " << c.time;
        EXPECT_EQ(s.expectations[0].to.ms - s.start.timeOfDayMs, c.afterStartMs) << c.start << " " << c.time;
    }
}

// The nesting guard in front of the TOML reader: what nests too deep, on
// which line, and that strings, comments and real scenarios never count.
TEST(TomlDepth, FindsTheFirstLineThatNestsTooDeep) {
    const auto repeat = [](const std::string& part, int32_t times) {
        std::string text;
        for (int32_t i = 0; i < times; ++i) text += part;
        return text;
    };
    struct Case {
        std::string text;
        std::optional<int32_t> line;
    };
    const Case cases[] = {
        {repeat("a.", 31) + "a = 1\n", std::nullopt},
        {repeat("a.", 32) + "a = 1\n", 1},
        {"x = 1\n\n[" + repeat("b.", 40) + "b]\n", 3},
        {"[" + repeat("a.", 20) + "a]\n" + repeat("b.", 12) + "b = 1\n", 2},
        {"x = " + repeat("[", 33) + repeat("]", 33) + "\n", 1},
        {"x = { " + repeat("a.", 15) + "a = { " + repeat("b.", 15) + "b = 1 } }\n", 1},
        {"x = { " + repeat("a.", 10) + "a = { " + repeat("b.", 10) + "b = 1 } }\n", std::nullopt},
        {"x = \"" + repeat("a.", 100) + "[{\\\"\"\ny = 'a.b.c[[['\n# " + repeat("a.", 100) + "\n", std::nullopt},
        {"z = \"\"\"\n" + repeat("a.[", 100) + "\n\"\"\"\nw = '''" + repeat("{", 50) + "'''\n" + repeat("q.", 40) +
             "q = 1\n",
         5},
        {"v = [" + repeat("1.5, ", 40) + "2.5]\nt = 08:00:00.5\n", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(findTooDeepNesting(c.text), c.line) << c.text.substr(0, 120);
    for (const auto& entry : std::filesystem::directory_iterator(SCENARIO_DIR)) {
        EXPECT_EQ(findTooDeepNesting(test::readFile(entry.path())), std::nullopt) << entry.path();
    }
}

}  // namespace
}  // namespace cabkit::sim
