// A plug-in without a contract table of ours in a replay: narrated by slot,
// named by a layout file, and the mistakes a layout or a lineup can hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_test_support.h"

namespace cabkit::sim {
namespace {

using test::contains;

const std::string kDoors = R"(name = "doors"
[run]
duration = 4
[[driver]]
after = 1
door = "open"
[[driver]]
after = 2.5
door = "close"
)";

const std::string kLayout = R"([[panel]]
slot = 16
name = "door lamp"
kind = "lamp"

[[panel]]
slot = 17
name = "doors opened"

[[sound]]
slot = 30
name = "door chime"
)";

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

const std::string kVelorinBeside =
    std::string(" --plugin Velorin=") + CABKIT_PLUGIN_DIR + "/Velorin.so --plugin Doors=" + SIM_DOOR_LAMP_PLUGIN;

TEST(AnyPlugin, NarratedBySlotOrByTheLayoutsNames) {
    struct Case {
        const char* name;
        std::string plugins;
        bool layout;
        std::vector<std::string> log;    // in the event log
        std::vector<std::string> trace;  // in the trace's header
    };
    const Case cases[] = {
        {"by slot",
         kVelorinBeside,
         false,
         {"order Velorin, Doors;", "Doors    panel 16: 0 -> 1", "Doors    panel 17: 0 -> 1",
          "Doors    panel 16: 1 -> 0", "Doors    sound 30 plays once"},
         {",Doors_brake,Doors_power,Doors_reverser,Doors_constant_speed,"}},
        {"by name",
         kVelorinBeside,
         true,
         {"Doors    door lamp on", "Doors    doors opened: 0 -> 1", "Doors    door lamp off",
          "Doors    door chime plays once"},
         {",panel_16_door_lamp,panel_17_doors_opened,sound_30_door_chime\n"}},
        // Five plug-ins; a slot two write alike is the first one's.
        {"beside our three",
         std::string(" --plugins ") + CABKIT_PLUGIN_DIR + " --plugin Doors=" + SIM_DOOR_LAMP_PLUGIN +
             " --plugin Doors2=" + SIM_DOOR_LAMP_PLUGIN,
         false,
         {"order Cabrix, Velorin, Sentrel, Doors, Doors2;", "Doors    panel 16: 0 -> 1",
          "sound    sound 30 plays once"},
         {",Sentrel_constant_speed,Doors_brake,", ",Doors2_constant_speed,brake,"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScratchFolder folder;
        const auto scenario = folder.write("doors.toml", kDoors);
        std::string arguments = "run " + quoted(scenario) + c.plugins + " --trace " + quoted(folder.file("t.csv"));
        if (c.layout) arguments += " --layout " + quoted(folder.write("layout.toml", kLayout));
        const auto result = test::runSimhost(folder, arguments);
        ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
        for (const std::string& line : c.log) EXPECT_TRUE(contains(result.out, line)) << line << "\n" << result.out;
        const std::string header = test::readLines(folder.file("t.csv")).front() + "\n";
        for (const std::string& part : c.trace) EXPECT_TRUE(contains(header, part)) << part << "\n" << header;
    }
}

TEST(AnyPlugin, ExpectationsAddressItByItsNames) {
    test::ScratchFolder folder;
    const auto scenario = folder.write("doors.toml", kDoors + R"(
[[expect]]
value = "panel door lamp"
equals = 1
after = 2
[[expect]]
value = "sound door chime"
equals = 2
at_end = true
[[expect]]
value = "Doors brake"
equals = 9
at_end = true
)");
    const auto result = test::runSimhost(folder, "check " + quoted(scenario) + kVelorinBeside + " --layout " +
                                                     quoted(folder.write("layout.toml", kLayout)));
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_TRUE(contains(result.out, "PASS")) << result.out;
}

TEST(AnyPlugin, MistakesAreBadInputNamingTheLine) {
    struct Case {
        const char* name;
        std::string layout;  // "" for none
        std::string expect;  // an [[expect]] value, "" for none
        std::string arguments;
        std::string message;
    };
    const std::string doors = std::string(" --plugin ") + SIM_DOOR_LAMP_PLUGIN;
    const Case cases[] = {
        {"slot twice", kLayout + "[[panel]]\nslot = 16\nname = \"lamp two\"\n", "", doors,
         "layout.toml:14: panel slot 16 is named twice (first at line 1)"},
        {"name twice", kLayout + "[[sound]]\nslot = 31\nname = \"door chime\"\n", "", doors,
         "layout.toml:15: the name \"door chime\" is given twice"},
        {"unknown key", "[[panel]]\nslot = 16\nname = \"lamp\"\ncolour = \"red\"\n", "", doors,
         "layout.toml:4: unknown key 'colour' in [[panel]]"},
        {"kind", "[[panel]]\nslot = 16\nname = \"lamp\"\nkind = \"dial\"\n", "", doors,
         "layout.toml:4: 'kind' in [[panel]] must be \"lamp\" or \"value\""},
        {"slot range", "[[sound]]\nslot = 256\nname = \"bell\"\n", "", doors, "layout.toml:2: 'slot' in [[sound]]"},
        {"name a number", "[[panel]]\nslot = 16\nname = \"12\"\n", "", doors, "layout.toml:3: 'name' in [[panel]]"},
        {"name a control", "[[panel]]\nslot = 16\nname = \"a\\u001b[2Jb\"\n", "", doors, "not \"a\\x1b[2Jb\""},
        {"names nothing", "# nothing\n", "", doors, "layout.toml: names no slot"},
        {"renames ours", "[[panel]]\nslot = 72\nname = \"code\"\n", "", kVelorinBeside,
         "layout.toml:1: panel slot 72 is Cabrix's \"cab-signal code\""},
        {"slot name, no layout", "", "panel door lamp", doors,
         "doors.toml:10: 'value' \"panel door lamp\" names a slot"},
        {"slot name not laid out", kLayout, "sound door bell", doors, "names no sound slot so"},
        {"plug-in not loaded", "", "Sentrel brake", doors, "doors.toml:10: 'value' \"Sentrel brake\" names a plug-in"},
        {"loaded twice", "", "", doors + " --plugin door_lamp=" + SIM_DOOR_LAMP_PLUGIN, "loaded twice"},
        {"ours twice", "", "", " --plugins " + std::string(CABKIT_PLUGIN_DIR) + kVelorinBeside, "loaded twice"},
        {"order leaves one out", "", "", kVelorinBeside + " --order Doors", "--order must name Velorin and Doors"},
        {"bad name", "", "", " --plugin driver=" + std::string(SIM_DOOR_LAMP_PLUGIN), "the name \"driver\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScratchFolder folder;
        std::string text = kDoors;
        if (!c.expect.empty()) text += "[[expect]]\nvalue = \"" + c.expect + "\"\nequals = 1\nafter = 2\n";
        std::string arguments = "check " + quoted(folder.write("doors.toml", text)) + c.arguments;
        if (!c.layout.empty()) arguments += " --layout " + quoted(folder.write("layout.toml", c.layout));
        const auto result = test::runSimhost(folder, arguments);
        EXPECT_EQ(result.exitCode, 2) << result.out << result.err;
        EXPECT_TRUE(contains(result.err, c.message)) << result.err;
    }
}

}  // namespace
}  // namespace cabkit::sim
