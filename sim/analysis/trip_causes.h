// Why the train stop and the cab-signal control brake, and why a beacon that
// could have tripped did not. Each beacon the train stop takes is judged by
// the plug-in's own rules (sentrel_rules.h); each time a supervisor's brake
// demand comes on (its brake lamps) the cause is named from what the host
// saw: the beacon that tripped, the warning left unacknowledged, the
// rollback, the speed above the permitted one, running without a code
// (cabrix_rules.h). The host cannot look inside a plug-in, so the tracker
// keeps the little of their state that the inputs and the lamps show: the
// armed pair, the timing window, a pending warning and the speed Cabrix
// permits.
#ifndef CABKIT_SIM_TRIP_CAUSES_H
#define CABKIT_SIM_TRIP_CAUSES_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "refusal_reasons.h"
#include "replay.h"

namespace cabkit::sim {

// A supervisor's brake demand that came on in a frame.
struct Trip {
    std::size_t plugin = 0;  // calling-order position
    bool emergency = false;  // else the service brake
    std::string cause;       // empty when the host saw nothing to explain it
};

// What the train stop's state, as far as the host follows it, makes of a beacon.
struct TrainStopState {
    bool pairArmed = false;
    int32_t pairType = 0;                // the beacon that armed the pair
    int64_t pairArmedMs = 0;             // when it was passed
    int32_t windowLeftMs = 0;            // time left in the timing window
    std::optional<std::string> warning;  // a pending warning, by what raised it
    int32_t ackLeftMs = 0;
};

// "" for a type the train stop does not judge; otherwise what the beacon
// does to `state` (which it updates) and why: "trips: ...", "no trip: ...",
// "warning: ...", "no warning: ...". A trip's cause goes to `tripCause`.
std::string judgeTrainStopBeacon(const BeaconData& beacon, int64_t elapsedMs, double location, TrainStopState& state,
                                 std::string& tripCause);

// Why Cabrix demands its brake in a supervised frame, from its lamps, code,
// mode and the speed it saw.
struct CabSignalMoment {
    double speed = 0.0;
    int32_t code = 0;
    int32_t mode = 0;
    bool fixedLimit = false;
    bool rollback = false;
    double rollbackSpeed = 0.0;  // the speed the rollback tripped at
    double permitted = 0.0;      // as the code and mode settled it
};
std::string cabSignalCause(bool emergency, const CabSignalMoment& moment);

class TripCauses {
public:
    void start(const ReplayContext& context);
    // A beacon's verdict is then in beaconVerdict().
    void input(const InputEvent& event);
    void fold(const Frame& frame);

    // The verdict on the last beacon passed; "" when no plug-in judged it.
    const std::string& beaconVerdict() const { return verdict_; }
    // The demands that came on in the last frame.
    std::span<const Trip> trips() const { return trips_; }

private:
    void foldTrainStop(const Frame& frame);
    void foldCabSignal(const Frame& frame);

    std::optional<std::size_t> sentrel_;
    std::optional<std::size_t> cabrix_;
    int32_t stepMs_ = 0;
    BeaconMoment moment_;
    std::string verdict_;
    std::vector<Trip> trips_;

    TrainStopState trainStop_;
    std::string beaconTrip_;  // a beacon's trip since the last frame
    bool overrideLit_ = false;

    double permitted_ = 0.0;
    int32_t cabDemand_ = 0;  // 0 none, 1 service, 2 emergency
    bool rollbackLit_ = false;
    double rollbackSpeed_ = 0.0;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TRIP_CAUSES_H
