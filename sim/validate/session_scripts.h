// The sessions the checks make, as scripts of host calls on plug-in 0:
// each starts as hosts start (Load, SetVehicleSpec, Initialize) and ends
// with Dispose, and in between stresses one side of the interface.
#ifndef CABKIT_SIM_VALIDATE_SESSION_SCRIPTS_H
#define CABKIT_SIM_VALIDATE_SESSION_SCRIPTS_H

#include <cstdint>
#include <vector>

#include "host_call.h"

namespace cabkit::sim::validate {

// The local time every session fixes, so that runs repeat.
inline constexpr const char* kFixedLocalTime = "2026-03-02T08:00:00.000";

using Script = std::vector<HostCall>;

// A run in the documented order: the driver opens the doors, departs,
// presses keys, passes beacons and signals, brakes to a stop.
Script documentedOrder();
// Initialize again mid-run (a jump to a station), twice in a row, and after
// Dispose and a fresh load.
Script restarts();
// Elapse with time standing still, going back, jumping hours and days and
// to the ends of its range.
Script timeTravel();
// Every event between Initialize and the first Elapse.
Script earlyEvents();
// Every key 0 to 15, held and released, and keys outside that range.
Script keys();
// Beacons of every type from -1 to 1100 and the int32 edges, with edge values.
Script beacons();
// NaN, infinite, negative and huge speeds, locations and measured values.
Script oddStates();
// Vehicles with no notches, huge and negative notch counts, and handles set
// past them.
Script notches();
// A steady run: constant speed, no events, `frames` frames of 16 ms.
Script steadyRun(int32_t frames);
// A busy run: an event before every one of `frames` frames.
Script busyRun(int32_t frames);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_SESSION_SCRIPTS_H
