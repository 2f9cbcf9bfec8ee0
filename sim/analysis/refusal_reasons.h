// Why a plug-in did not do what the driver or the route asked, in the words
// of the cab contract tables: which beacons a plug-in does not take at this
// moment, which condition of a key is not met, and whether Velorin's command
// shows its train operation controller driving. The event log tells these
// next to the event; each is a pure function of what the host saw.
#ifndef CABKIT_SIM_REFUSAL_REASONS_H
#define CABKIT_SIM_REFUSAL_REASONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "cab_contract.h"
#include "command_combiner.h"
#include "host_records.h"

namespace cabkit::sim {

// What the plug-ins knew when a beacon was passed: the state of the last
// frame and the driver's handles and keys since.
struct BeaconMoment {
    double speed = 0.0;        // km/h of the last frame
    int32_t velorinMode = 0;   // the operating mode Velorin showed
    int32_t trainStopOff = 0;  // the train-stop switch-off slot as the last frame left it
    bool keyZeroHeld = false;
    int32_t reverser = 0;  // the driver's reverser
};

// "" when every plug-in that reads the type takes it; otherwise why not:
// "no plug-in reads this type", or "not taken: Velorin takes it only at a
// standstill".
std::string beaconNotTaken(const BeaconData& beacon, const BeaconMoment& moment);
// Whether `plugin` reads the type and takes it at this moment (Sentrel only
// while it is on).
bool takesBeacon(contract::Party plugin, const BeaconData& beacon, const BeaconMoment& moment);

// The conditions of Velorin's key 0 (the controller's start) that were not
// met when it was pressed; empty when all were.
std::vector<std::string> atoStartUnmet(int32_t velorinMode, int32_t powerPermitted, const DriverHandles& driver);

// Velorin's command departs from the driver's handles the way only its
// controller makes it do: the reverser or the brake differ, or it powers
// with the power handle at 0. In mode 0 only the reverser tells.
bool showsController(const HandleCommand& velorin, const DriverHandles& driver, int32_t velorinMode);
// Velorin's command follows the driver's handles with those handles away
// from the controller's rest position (power and brake 0, reverser
// forward): the controller is not driving.
bool followsDriverAwayFromRest(const HandleCommand& velorin, const DriverHandles& driver, int32_t velorinMode);

// "3, 5, 6, 7, 8 or 9": the cab-signal codes the controller can drive on.
std::string drivableCodes();

// Joins ["a", "b", "c"] as "a, b and c".
std::string joinReasons(const std::vector<std::string>& reasons);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_REFUSAL_REASONS_H
