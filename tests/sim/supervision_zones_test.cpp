// What the charts say the plug-ins supervise, read from beacons and the
// panel by the contract's rules; and the chart's axes holding every value.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "cab_contract_index.h"
#include "chart_script.h"
#include "host_arrays.h"
#include "sentrel/sentrel_rules.h"
#include "supervision_zones.h"
#include "velorin/velorin_rules.h"

namespace cabkit::sim {
namespace {

namespace velorin = contract::velorin;

struct ZoneRun {
    SupervisionZones zones;
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    int64_t elapsedMs = 0;
    double location = 0.0;

    void beacon(const char* label, int32_t optional, double speed = 10.0) {
        InputEvent event;
        event.kind = InputEvent::Kind::Beacon;
        for (const contract::Beacon& row : beacons()) {
            if (std::string(row.label) == label) event.beacon.type = row.type;
        }
        event.beacon.optional = optional;
        event.elapsedMs = elapsedMs;
        event.location = location;
        event.speed = speed;
        zones.onInput(event);
    }
    // Frames every 100 ms at 1 m each up to `to`.
    void runTo(double to) {
        while (location < to) {
            elapsedMs += 100;
            location += 1.0;
            Frame frame;
            frame.elapsedMs = elapsedMs;
            frame.location = location;
            frame.panel = panel.data();
            zones.onFrame(frame);
        }
    }
};

TEST(SupervisionZones, RestrictionsStopPointsPairsAndCutOutsFollowThePlugInsRules) {
    ZoneRun run;
    run.beacon("ATO speed restriction", 35);
    run.runTo(10.0);
    run.beacon("ATO speed restriction", 25);
    run.beacon("ATO speed restriction", 55);  // both still ahead: replaces the 25
    run.beacon("ATO stop point B", 600);
    run.beacon("train-stop pair", 0);
    run.runTo(12.0);  // 200 ms: the second trips
    run.beacon("train-stop pair, second type", 0);
    run.beacon("train-stop pair", 0, 0.0);  // standing: not counted
    run.beacon("train-stop pair", 0);
    run.runTo(20.0);  // 800 ms: in time
    run.beacon("train-stop pair", 0);
    run.panel[static_cast<std::size_t>(contract::sharedSlot("cut-out lamp"))] = 1;
    run.runTo(30.0);
    run.panel[static_cast<std::size_t>(contract::sharedSlot("cut-out lamp"))] = 0;
    run.runTo(700.0);

    const Supervision& s = run.zones.result();
    ASSERT_EQ(s.restrictions.size(), 3U);
    EXPECT_DOUBLE_EQ(s.restrictions[0].start, velorin::kRestrictionNoticeM);
    EXPECT_DOUBLE_EQ(s.restrictions[0].end, velorin::kRestrictionNoticeM + velorin::kRestrictionLengthM);
    ASSERT_TRUE(s.restrictions[0].entered && s.restrictions[0].left);
    EXPECT_DOUBLE_EQ(s.restrictions[0].entered->location, velorin::kRestrictionNoticeM);
    EXPECT_TRUE(s.restrictions[1].replaced);
    EXPECT_FALSE(s.restrictions[2].replaced);
    EXPECT_EQ(s.restrictions[2].targetKmh, 55);

    ASSERT_EQ(s.stopPoints.size(), 1U);
    EXPECT_DOUBLE_EQ(s.stopPoints[0].location, 610.0);
    ASSERT_TRUE(s.stopPoints[0].reached);

    ASSERT_EQ(s.pairs.size(), 2U);
    EXPECT_TRUE(s.pairs[0].trips);
    EXPECT_FALSE(s.pairs[1].trips);
    ASSERT_TRUE(s.pairs[1].second);
    EXPECT_GE(s.pairs[1].second->elapsedMs - s.pairs[1].first.elapsedMs, contract::sentrel::kPairMs);

    ASSERT_EQ(s.cutOuts.size(), 1U);
    EXPECT_DOUBLE_EQ(s.cutOuts[0].from.location, 21.0);
    EXPECT_DOUBLE_EQ(s.cutOuts[0].to.location, 31.0);
}

// A train running backwards, and a run past midnight, keep their values on
// the chart's axes.
TEST(Chart, AxesHoldNegativeSpeedsAndReadTheClockPastMidnight) {
    ChartData data;
    data.names = {"Cabrix", "Velorin", "Sentrel"};
    data.highestLocation = 100.0;
    data.topSpeed = 30.0;
    data.lowestSpeed = -8.0;
    data.samples.push_back(ChartSample{RunPoint{0, 86'390'000, 0.0, -8.0}, 0, 0});
    data.first = RunPoint{0, 86'390'000, 0.0, 0.0};
    data.last = RunPoint{60'000, 86'450'000, 100.0, 0.0};
    const std::string location = chartScript(data, "svg", ChartAxis::Location).script;
    EXPECT_NE(location.find("set yrange [-15:50]"), std::string::npos) << location;
    const std::string time = chartScript(data, "svg", ChartAxis::Time).script;
    EXPECT_NE(time.find("set format x '%H:%M:%S' time"), std::string::npos) << time;
}

}  // namespace
}  // namespace cabkit::sim
