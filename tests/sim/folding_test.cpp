// Interventions and stops as a person sees them: the folding of flickering
// brakes, power cuts and creeping, and the chart's reading of the cab.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cab_contract_index.h"
#include "cab_speeds.h"
#include "intervention_folder.h"
#include "label_layout.h"
#include "standstill_folder.h"

namespace cabkit::sim {
namespace {

constexpr int32_t kStep = 16;
constexpr int32_t kEmergency = 9;

// One plug-in's brake over frames 16 ms apart: each entry is (frames, notch).
struct BrakeCase {
    const char* name;
    std::vector<std::pair<int32_t, int32_t>> runs;
    int32_t driverBrake;
    std::size_t applications;
    int32_t flickersOfFirst;
    int64_t durationOfFirstMs;
    bool emergencyOfFirst;
    bool openAtEnd;
};

TEST(InterventionFolding, GapsShorterThanTheHoldTimeDoNotEndAnApplication) {
    const std::vector<BrakeCase> cases = {
        {"on and off every frame", {{40, -1}, {70, 0}}, 0, 1, 19, 624, false, false},
        {"a gap a frame short of the hold time", {{5, 8}, {62, 0}, {5, 8}, {70, 0}}, 0, 1, 1, 1152, false, false},
        {"a gap just over the hold time", {{5, 8}, {63, 0}, {5, 8}, {70, 0}}, 0, 2, 0, 80, false, false},
        {"service brake, then emergency", {{5, 8}, {5, kEmergency}, {70, 0}}, 0, 1, 0, 160, true, false},
        {"the driver's handle at emergency: nothing imposed", {{20, kEmergency}}, kEmergency, 0, 0, 0, false, false},
        {"still on at the end", {{20, 0}, {20, 8}}, 0, 1, 0, 304, false, true},
    };
    for (const BrakeCase& c : cases) {
        InterventionFolder folder(kEmergency, kStep);
        Frame frame;
        frame.driver = DriverHandles{1, 0, c.driverBrake};
        int32_t emergencyNews = 0;
        for (const auto& [frames, notch] : c.runs) {
            for (int32_t i = 0; i < frames; ++i) {
                // -1: flickering between notch 8 and released, frame by frame.
                frame.commands[0].brake = notch >= 0 ? notch : (i % 2 == 0 ? 8 : 0);
                folder.fold(frame);
                for (const auto& news : folder.news()) {
                    emergencyNews += news.what == InterventionFolder::News::What::Emergency ? 1 : 0;
                }
                frame.elapsedMs += kStep;
                ++frame.index;
            }
        }
        folder.finish(frame);
        ASSERT_EQ(folder.applications().size(), c.applications) << c.name;
        if (c.applications == 0) continue;
        const Application& first = folder.applications().front();
        EXPECT_EQ(first.flickers, c.flickersOfFirst) << c.name;
        EXPECT_EQ(first.durationMs(), c.durationOfFirstMs) << c.name;
        EXPECT_EQ(first.emergency, c.emergencyOfFirst) << c.name;
        EXPECT_EQ(emergencyNews, c.emergencyOfFirst ? 1 : 0) << c.name;
        EXPECT_EQ(folder.applications().back().open, c.openAtEnd) << c.name;
        EXPECT_EQ(first.plugin, 0U) << c.name;
    }
}

TEST(InterventionFolding, PowerCutsFoldLikeBrakes) {
    InterventionFolder folder(kEmergency, kStep);
    Frame frame;
    frame.driver = DriverHandles{1, 5, 0};
    frame.commands = {HandleCommand{0, 5, 1, 0}, HandleCommand{0, 5, 1, 0}, HandleCommand{0, 5, 1, 0}};
    for (int32_t i = 0; i < 100; ++i) {
        frame.commands[2].power = i < 30 && i % 3 == 0 ? 0 : 5;  // Sentrel cuts now and then
        folder.fold(frame);
        frame.elapsedMs += kStep;
    }
    folder.finish(frame);
    ASSERT_EQ(folder.applications().size(), 1U);
    EXPECT_EQ(folder.applications()[0].kind, Application::Kind::PowerCut);
    EXPECT_EQ(folder.applications()[0].plugin, 2U);
    EXPECT_EQ(folder.applications()[0].flickers, 9);
    EXPECT_EQ(folder.applications()[0].highestNotch, 5);
}

// A train that stops, creeps (moves a hair and stops again, frame after
// frame), stands, then moves off for good.
TEST(StandstillFolding, CreepingIsPartOfTheStopAndMovingOffIsToldWhereItBegan) {
    StandstillFolder folder(30.0);
    Frame frame;
    std::vector<std::pair<StandstillFolder::News::What, int64_t>> told;
    const auto run = [&](int32_t frames, auto speedOf) {
        for (int32_t i = 0; i < frames; ++i) {
            frame.speed = speedOf(i);
            frame.location += frame.speed / 3.6 * 0.016;
            folder.fold(frame);
            for (const auto& news : folder.news()) told.emplace_back(news.what, frame.elapsedMs);
            frame.elapsedMs += kStep;
        }
    };
    run(11, [](int32_t i) { return 10.0 - i; });                 // slows to a stop in frame 10
    run(30, [](int32_t i) { return i % 3 == 0 ? 0.05 : 0.0; });  // 10 creeps
    run(100, [](int32_t) { return 0.0; });                       // stands
    run(100, [](int32_t) { return 5.0; });                       // leaves
    folder.finish(frame);

    using What = StandstillFolder::News::What;
    ASSERT_EQ(folder.standstills().size(), 1U);
    const Standstill& stop = folder.standstills()[0];
    EXPECT_FALSE(stop.fromStart);
    EXPECT_EQ(stop.stop.elapsedMs, 160);
    EXPECT_EQ(stop.creeps, 10);
    EXPECT_GT(stop.creepDistance, 0.0);
    ASSERT_TRUE(stop.moveOff.has_value());
    EXPECT_EQ(stop.moveOff->elapsedMs, 141 * kStep);
    ASSERT_EQ(told.size(), 4U);
    EXPECT_EQ(told[0].first, What::Stopped);
    EXPECT_EQ(told[1].first, What::Creeps);
    EXPECT_EQ(told[2].first, What::CreepingEnded);
    EXPECT_EQ(told[3].first, What::MovedOff);
    EXPECT_GE(told[3].second - stop.moveOff->elapsedMs, StandstillFolder::kHoldMs);  // told once certain
}

TEST(StandstillFolding, StandingAtTheStartIsNoStop) {
    StandstillFolder folder(0.0);
    Frame frame;
    for (int32_t i = 0; i < 200; ++i) {
        frame.speed = i < 50 ? 0.0 : 3.0;
        folder.fold(frame);
        EXPECT_TRUE(folder.news().empty() || folder.news()[0].what == StandstillFolder::News::What::MovedOff);
        frame.elapsedMs += kStep;
    }
    ASSERT_EQ(folder.standstills().size(), 1U);
    EXPECT_TRUE(folder.standstills()[0].fromStart);
    EXPECT_EQ(folder.standstills()[0].moveOff->elapsedMs, 50 * kStep);
}

// Cabrix's permitted speed as the cab shows it, from the contract's slots.
TEST(CabSpeedReading, PermittedSpeedFollowsTheLampsTheModeAndTheCode) {
    namespace cabrix = contract::cabrix;
    const auto at = [](int32_t slot) { return static_cast<std::size_t>(slot); };
    const std::size_t active = at(contract::panelSlot(cabrix::kPanelSlots, "active lamp"));
    const std::size_t mode = at(contract::panelSlot(cabrix::kPanelSlots, "mode"));
    const std::size_t fixed = at(contract::panelSlot(cabrix::kPanelSlots, "fixed-limit lamp"));
    const std::size_t cutOut = at(contract::sharedSlot("cut-out lamp"));
    const std::size_t code = at(contract::sharedSlot("cab-signal code"));
    const auto indicator = [](int32_t c) {
        return static_cast<std::size_t>(cabrix::indicatorSlot(*findCabSignalCode(c)));
    };

    struct Case {
        const char* name;
        int32_t mode, code;
        bool lit, fixedLimit, cut, active;
        std::optional<double> permitted;
    };
    const std::vector<Case> cases = {
        {"mode 2, code 9 lit", 2, 9, true, false, false, true, 75.0},
        {"mode 2, code 2: a stop reads 0", 2, 2, true, false, false, true, 0.0},
        {"mode 0, code 6: 25", 0, 6, false, false, false, true, 25.0},
        {"mode 1, code 0 keeps the last speed", 1, 0, false, false, false, true, 25.0},
        {"fixed limit", 2, 9, true, true, false, true, 25.0},
        {"cut out", 2, 9, true, false, true, true, std::nullopt},
        {"inactive", 2, 9, false, false, false, false, std::nullopt},
    };
    CabSpeeds speeds;
    for (const Case& c : cases) {
        std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
        panel[active] = c.active ? 1 : 0;
        panel[mode] = c.mode;
        panel[code] = c.code;
        panel[fixed] = c.fixedLimit ? 1 : 0;
        panel[cutOut] = c.cut ? 1 : 0;
        if (c.lit) panel[indicator(c.code)] = 1;
        speeds.read(panel.data());
        EXPECT_EQ(speeds.permitted(), c.permitted) << c.name;
    }
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    panel[code] = 9;
    EXPECT_EQ(CabSpeeds::controllerAllows(panel.data()), 67.0);
    panel[cutOut] = 1;
    EXPECT_EQ(CabSpeeds::controllerAllows(panel.data()), 0.0);
}

TEST(ChartLabels, CrowdedLabelsMergeAndRowsNeverOverlap) {
    const auto label = [](double x, std::string text, std::string brief = {}, int32_t rank = 1) {
        return ChartLabel{x, 0.0, std::move(text), std::move(brief), 0, 0, rank};
    };
    const auto merged = mergeClose({label(0, "key 6 (mode up)", "key 6"), label(1, "key 6 (mode up)", "key 6"),
                                    label(2, "stop at Dale", "", 0), label(50, "doors open")},
                                   10.0, 3);
    ASSERT_EQ(merged.size(), 2U);
    EXPECT_EQ(merged[0].text,
              "stop at Dale, key 6 \xc3\x97"
              "2");
    EXPECT_EQ(merged[1].text, "doors open");
    EXPECT_EQ(mergeClose({label(0, "a"), label(1, "a")}, 10.0, 3)[0].text,
              "a \xc3\x97"
              "2");
    EXPECT_EQ(mergeClose({label(0, "a"), label(1, "b"), label(2, "c"), label(3, "d")}, 10.0, 2)[0].text,
              "a, b +2 more");

    // 5 characters of width 1 each: labels 2 apart share no row.
    const auto placed =
        placeInRows({label(0, "aaaaa"), label(2, "bbbbb"), label(4, "ccccc"), label(97, "ddddd")}, 1.0, 2, 100.0);
    ASSERT_EQ(placed.size(), 3U);
    EXPECT_EQ(placed[1].row, 1);
    EXPECT_EQ(placed[1].text, "bbbbb +1");
    EXPECT_DOUBLE_EQ(placed[2].x, 94.0);  // pulled back to end at the edge
    EXPECT_EQ(shortened("key 0 (ATO start / train-stop acknowledge)", 12), "key 0 (AT...");
}

}  // namespace
}  // namespace cabkit::sim
