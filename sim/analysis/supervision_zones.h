// What the plug-ins supervise along a run, read from the beacons passed and
// the panel with the rules of the cab contract, for the charts and the page:
// - Velorin's train operation controller: each speed restriction with its
//   target speed over the stretch where it applies, and each stop point
//   where a beacon announced it (a later announcement of the same point
//   replaces one not yet reached; a third restriction replaces the second
//   while both still apply);
// - Sentrel: each beacon pair counted while moving (the second trips when
//   it comes too soon after the first) and each timing window;
// - Cabrix: the periods it was cut out.
// Each keeps where and when the train met it, so a chart against location
// and one against time draw the same things.
#ifndef CABKIT_SIM_SUPERVISION_ZONES_H
#define CABKIT_SIM_SUPERVISION_ZONES_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "intervention_folder.h"
#include "replay.h"

namespace cabkit::sim {

struct SpeedRestriction {
    RunPoint announced;
    double start = 0.0, end = 0.0;  // locations
    int32_t targetKmh = 0;
    std::optional<RunPoint> entered, left;
    bool replaced = false;  // by a later one before the train was through
};

struct StopPoint {
    RunPoint announced;
    double location = 0.0;
    std::string label;  // the beacon's name in the contract
    std::optional<RunPoint> reached;
    bool replaced = false;  // announced again before the train got there
};

struct BeaconPair {
    RunPoint first;
    std::optional<RunPoint> second;  // none: the run ended before it
    bool trips = false;              // the second came too soon
};

struct TimingWindow {
    RunPoint opened;
    std::optional<RunPoint> closed;  // none: still open at the end
    int64_t lengthMs = 0;
};

struct CutOut {
    RunPoint from, to;      // to: the first frame back in, or the last frame
    bool untilEnd = false;  // still cut out in the last frame
};

struct Supervision {
    std::vector<SpeedRestriction> restrictions;
    std::vector<StopPoint> stopPoints;
    std::vector<BeaconPair> pairs;
    std::vector<TimingWindow> windows;
    std::vector<CutOut> cutOuts;
};

class SupervisionZones {
public:
    void onInput(const InputEvent& event);
    void onFrame(const Frame& frame);
    void onEnd(const Frame& last);

    const Supervision& result() const { return result_; }

    // A run with more of any kind is drawn with the first ones only.
    static constexpr std::size_t kMostOfAKind = 2000;

private:
    void restrictionAnnounced(const RunPoint& at, int32_t targetKmh);
    void stopPointAnnounced(const RunPoint& at, int32_t distanceM, int32_t type);

    Supervision result_;
    // The controller's two restriction slots, as indices into restrictions.
    std::optional<std::size_t> slotA_, slotB_;
    bool pairArmed_ = false;
    std::optional<RunPoint> cutOutFrom_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SUPERVISION_ZONES_H
