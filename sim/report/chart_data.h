// What the charts of a run show, gathered once and drawn against location
// or against time: every item keeps where and when it happened.
#ifndef CABKIT_SIM_CHART_DATA_H
#define CABKIT_SIM_CHART_DATA_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "intervention_folder.h"
#include "plugin_host.h"
#include "supervision_zones.h"

namespace cabkit::sim {

enum class ChartAxis : uint8_t { Location, Time };

// One thinned frame.
struct ChartSample {
    RunPoint at;
    int32_t power = 0;        // Velorin's highest power output since the sample before
    int32_t driverBrake = 0;  // the driver's brake handle
};

// A value that held from one frame to another.
struct ChartSegment {
    RunPoint from, to;
    double value = 0.0;
};

// Where something was passed or happened, with its name.
struct ChartTick {
    RunPoint at;
    std::string label;
    uint32_t colour = 0;  // 0xRRGGBB
    std::string brief;    // the label among others ("key 6"); "" for the label
    int32_t rank = 1;     // among others, lower ranks are named first
};

// Keeps a value that changes now and then as segments; a gap (no value)
// ends a segment without starting one.
class SegmentTrack {
public:
    void update(const RunPoint& at, std::optional<double> value);
    void finish(const RunPoint& at);
    const std::vector<ChartSegment>& segments() const { return segments_; }

    // More changes than this are not kept: the chart would be a smear anyway.
    static constexpr std::size_t kMaxSegments = 20000;

private:
    std::optional<ChartSegment> open_;
    std::vector<ChartSegment> segments_;
};

struct ChartData {
    std::string title;
    std::vector<std::string> names;  // in calling order
    int32_t emergencyNotch = 0;
    int32_t topPowerNotch = 0;
    RunPoint first, last;
    double lowestLocation = 0.0, highestLocation = 0.0;
    double topSpeed = 0.0;
    double lowestSpeed = 0.0;  // below 0 where the train ran backwards

    std::vector<ChartSample> samples;
    std::vector<ChartSegment> permitted;                   // Cabrix's permitted speed, km/h
    std::vector<ChartSegment> allowed;                     // the controller's speed for its code, while it drives
    std::vector<ChartSegment> codes;                       // the cab-signal code
    std::vector<ChartSegment> aspects;                     // the aspect signalled to the cab
    std::vector<std::pair<double, std::string>> stations;  // location, name
    std::vector<ChartTick> sectionStarts;                  // where the train entered a section
    std::vector<double> sectionLocations;                  // every section start of the route
    std::vector<ChartTick> beacons;                        // beacons passed
    std::vector<ChartTick> marks;                          // keys, doors, stops, emergency brakes
    std::vector<Application> applications;
    Supervision supervision;  // what the plug-ins supervise: zones, stop points, pairs, cut-outs
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CHART_DATA_H
