// A scenario as simhost replays it: the train, where and when the run starts,
// the route, what the driver does, what the outside component writes into the
// panel, and what the author expects to see. Filled by scenario_parser from a
// TOML file; every value here has already been checked, and every text from
// the file (names, notes) is kept with its control characters escaped.
#ifndef CABKIT_SIM_SCENARIO_H
#define CABKIT_SIM_SCENARIO_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cab_contract.h"
#include "host_records.h"
#include "slot_layout.h"

namespace cabkit::sim {

inline constexpr int32_t kMsPerDay = 86'400'000;

// Every location a scenario gives lies within this many metres of 0.
inline constexpr double kMaxLocation = 1.0e9;

// The three plug-ins, named as their library files are: the contract's
// parties, in its order.
inline constexpr std::array<const char*, 3> kPluginNames = {contract::partyName(contract::kParties[0]).data(),
                                                            contract::partyName(contract::kParties[1]).data(),
                                                            contract::partyName(contract::kParties[2]).data()};

// A party's index in kPluginNames.
constexpr int32_t pluginIndexOf(contract::Party party) {
    for (std::size_t i = 0; i < kPluginNames.size(); ++i) {
        if (contract::kParties[i] == party) return static_cast<int32_t>(i);
    }
    return -1;
}

// At most this many plug-ins in one replay.
inline constexpr std::size_t kMaxPlugins = 8;

// The calling order unless the scenario or the command line names another.
inline constexpr std::array<int32_t, 3> kDefaultOrder = {
    pluginIndexOf(contract::kCabrix), pluginIndexOf(contract::kVelorin), pluginIndexOf(contract::kSentrel)};

// When something happens: at a time of day, a time after the start, or when
// the train first reaches a location running forward.
struct Trigger {
    enum class Kind { AfterStart, TimeOfDay, Location };
    Kind kind = Kind::AfterStart;
    int64_t ms = 0;         // AfterStart: ms after the start; TimeOfDay: ms since the start day's midnight, at
                            // or after the start (its first such moment, see trigger_reading.h)
    double location = 0.0;  // Location: m
    int32_t line = 0;       // where it was written, for messages
};

struct TrainSpec {
    int32_t brakeNotches = 8;  // service notches; emergency is one above
    int32_t powerNotches = 5;  // positions of the driver's power handle
    int32_t checkNotch = 1;
    int32_t b67Notch = 0;
    int32_t cars = 6;
    // km/h/s for returned power notches 1..n; a higher notch gets the last entry.
    std::vector<double> powerAcceleration = {0.5, 1.0, 1.5, 2.0, 2.4, 2.7, 3.0, 3.2};
    // km/h/s for service notches 1..brakeNotches.
    std::vector<double> brakeDeceleration = {0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0};
    double emergencyDeceleration = 4.5;
    // Running resistance a + b|v| + c v² (km/h/s, v in km/h), always against the motion.
    double resistanceA = 0.02;
    double resistanceB = 0.0005;
    double resistanceC = 0.00002;
    // Above this speed a notch gives constant power: its acceleration falls as 1/v. 0: never.
    double constantPowerAbove = 45.0;

    int32_t emergencyNotch() const { return brakeNotches + 1; }
    VehicleSpec vehicleSpec() const { return VehicleSpec{brakeNotches, powerNotches, checkNotch, b67Notch, cars}; }
};

struct StartSpec {
    int32_t year = 2024, month = 4, day = 1;
    int32_t timeOfDayMs = 8 * 3'600'000;  // also fixes the wall-clock time the plug-ins read
    double location = 0.0;
    double speed = 0.0;
    int32_t reverser = 0;
    int32_t power = 0;
    std::optional<int32_t> brake;  // unset: the emergency notch

    // "YYYY-MM-DDTHH:MM:SS.mmm" for CABKIT_LOCAL_TIME.
    std::string localTimeText() const;
};

struct Beacon {
    enum class Direction { Forward, Backward, Both };
    double location = 0.0;
    BeaconData data{};
    Direction direction = Direction::Forward;
    int32_t line = 0;
};

struct AspectChange {
    Trigger when;
    int32_t aspect = 0;
};

// The cab sees a section's aspect while the train lies in [start, next start).
struct SignalSection {
    double start = 0.0;
    int32_t aspect = 0;
    std::vector<AspectChange> changes;  // in the order written; each replaces the aspect from then on
};

struct Gradient {
    double start = 0.0;
    double perMille = 0.0;  // positive: rising in the direction of increasing location
};

struct Station {
    std::string name;
    double location = 0.0;
};

struct Route {
    std::vector<Beacon> beacons;          // sorted by location
    std::vector<SignalSection> sections;  // sorted by start
    std::vector<Gradient> gradients;      // sorted by start
    std::vector<Station> stations;        // sorted by location
};

// One thing the driver does. The fields that are set are applied in the
// order they are declared here.
struct DriverAction {
    Trigger when;
    std::optional<int32_t> reverser, brake, power;
    std::optional<std::string> door;  // "open" or "close"
    std::optional<int32_t> keyDown, keyUp;
    std::optional<int32_t> press;  // key down now, up after holdMs
    int32_t holdMs = 0;            // 0: released before the next frame
    std::optional<int32_t> horn;
};

// What the component outside the three plug-ins writes into a panel slot,
// from the trigger on.
struct PanelStandIn {
    Trigger when;
    int32_t slot = 0;
    int32_t value = 0;
};

// A value simhost can read back after each frame.
// "driver brake" reads the driver's handle; "<plug-in> brake" what the
// plug-in returned (the driver's handle passed on, or more); "<plug-in>
// imposes brake" the notch it returned above the driver's handle, else 0;
// "<plug-in> cuts power" 1 while it returns less power than the driver's
// handle, else 0.
struct Quantity {
    enum class Kind {
        Panel,
        Sound,
        Brake,
        Power,
        Reverser,
        Speed,
        Location,
        PluginBrake,
        PluginPower,
        PluginReverser,
        PluginImposesBrake,
        PluginCutsPower,
        DriverBrake,
        DriverPower,
        DriverReverser
    };
    Kind kind = Kind::Speed;
    int32_t index = 0;  // slot, or the plug-in's index in RunSpec::plugins
    std::string text;   // as written, for reports
    // A plug-in or slot named as written, until resolveNames() finds its index.
    std::string name;
};

// What an event expectation counts: the interventions as the run's analysis
// folds them, by one plug-in or by any.
struct EventKind {
    enum class Kind { BrakeApplication, EmergencyBrake, PowerCut };
    Kind kind = Kind::BrakeApplication;
    int32_t plugin = -1;  // index in RunSpec::plugins; -1: any plug-in
    std::string text;     // as written, for reports
    std::string name;     // a plug-in not of ours, until resolveNames() finds its index
};

struct Expectation {
    // Events counts the events that begin within the span (the whole run
    // when `wholeRun`), its bounds holding the count.
    enum class Timing { Instant, AtEnd, Throughout, Sometime, StationStop, Events };
    Timing timing = Timing::Instant;
    Quantity quantity;
    EventKind event;                  // Events
    bool wholeRun = false;            // Events without a span
    Trigger from, to;                 // Instant uses `from` alone
    std::optional<double> low, high;  // bounds, inclusive; equals sets both
    std::string station;              // StationStop
    double within = 2.0;              // StationStop tolerance, m
    std::string note;
    std::string id;  // the author's name for it, unique in the file; "" for none
    int32_t line = 0;

    std::string describe() const;
};

struct RunSpec {
    int64_t durationMs = 60'000;
    std::optional<double> endLocation;
    int32_t stepMs = 16;
    // The plug-ins of the run by index: ours (kPluginNames) first, then those
    // the command line adds; and the calling order, as indices into it, of
    // those loaded. The scenario file orders our three; the command line
    // completes it (plugin_lineup.h).
    std::vector<std::string> plugins{kPluginNames.begin(), kPluginNames.end()};
    std::vector<int32_t> order{kDefaultOrder.begin(), kDefaultOrder.end()};
    bool zeroUnwrittenPanel = true;
};

struct Scenario {
    std::string path;
    std::string name;
    std::string description;
    // What the reader took but an author may not have meant, "file:line: ..."
    // (printable); the run goes ahead.
    std::vector<std::string> warnings;
    TrainSpec train;
    StartSpec start;
    Route route;
    RunSpec run;
    std::vector<DriverAction> driver;
    std::vector<PanelStandIn> panel;
    std::vector<Expectation> expectations;
    // Names of slots no contract table of ours names (--layout).
    SlotLayout layout;
};

// Index of a plug-in name in kPluginNames, or -1.
int32_t pluginIndex(const std::string& name);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SCENARIO_H
