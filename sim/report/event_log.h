// The human-readable account of a replay: what the driver and the route did,
// and what each plug-in did in return (modes, engagement, lamps, sounds,
// brake applications and power cuts, each attributed to the plug-in that
// imposed it), with time and location.
//
// Brake applications and power cuts are told as a person sees them: one
// that lets go for less than the hold time and comes back (a supervisor at
// the limit of its permitted speed) is one application, told when it starts
// and when it lets go for good, with its duration and how often it
// flickered (intervention_folder.h). A train that moves off and stops again
// within the hold time creeps; the log says so and why, and tells the stop
// once (standstill_folder.h). Another output that flaps (a lamp, a sound)
// is told twice; its further changes are folded into one line once it has
// settled.
//
// What is known only once the hold time has passed (a brake let go for good,
// a train that really moved off) is told then, at its own time and place:
// such an entry can follow entries of the second after it. Every entry is
// printed as it is told, so a replay that dies takes none along.
//
// Engagement of the train-operation controller is not shown in any panel
// slot; the log reads it from Velorin's command, which departs from the
// driver's handles only while the controller drives (refusal_reasons.h), and
// tells which cab-signal code the controller follows once it drives.
//
// Where the plug-ins do not do what the driver or the route asked, the log
// says why, in the names of the cab contract tables: a key a plug-in refuses
// (the controller's start, the mode selectors, the train stop's
// acknowledgement and reset), a beacon no plug-in reads or takes at that
// moment, the controller holding the brake for want of a cab-signal code.
#ifndef CABKIT_SIM_EVENT_LOG_H
#define CABKIT_SIM_EVENT_LOG_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host_arrays.h"
#include "intervention_folder.h"
#include "replay.h"
#include "run_analysis.h"
#include "standstill_folder.h"

namespace cabkit::sim {

struct LogEntry {
    int64_t elapsedMs;
    int64_t timeOfDayMs;
    double location;
    double speed;
    std::string source;  // "driver", "route", a plug-in's name, "train", "outside"
    std::string text;
};

// A standstill after running.
struct StopRecord {
    int64_t elapsedMs;
    double location;
    std::string station;  // nearest station within reach, or empty
    double offset;        // location - station location
    int32_t creeps = 0;   // moves off within the hold time before it stood or left
    double creepDistance = 0.0;
};

class EventLog : public ReplayObserver {
public:
    // `out` may be null: entries are then only collected. `analysis`, when
    // given, is the run's, observed before the log; else the log folds.
    explicit EventLog(std::FILE* out, const RunAnalysis* analysis = nullptr) : out_(out), analysis_(analysis) {}

    void onStart(const ReplayContext& context) override;
    void onInput(const InputEvent& event) override;
    void onFrame(const Frame& frame) override;
    void onEnd(const Frame& last) override;

    const std::vector<LogEntry>& entries() const { return entries_; }
    const std::vector<StopRecord>& stops() const { return stops_; }
    // Every brake application and power cut, folded, in the order they
    // began; and those that have ended, in the order they ended.
    const std::vector<Application>& applications() const;
    const std::vector<std::size_t>& endedApplications() const { return endedApplications_; }

    // Stations further than this from a stop are not named for it.
    static constexpr double kStationReach = 50.0;
    // Changes of one output closer together than this are folded.
    static constexpr int64_t kQuietMs = 1000;
    static_assert(kQuietMs == InterventionFolder::kHoldMs, "one hold time for every kind of folding");

private:
    void add(int64_t elapsedMs, int64_t timeOfDayMs, double location, double speed, std::string source,
             std::string text);
    void addAt(const RunPoint& at, std::string source, std::string text);
    void tellIntervention(const InterventionFolder::News& news, const Frame& frame);
    void tellStandstill(const StandstillFolder::News& news, const Frame& frame);
    std::string creepCause() const;
    // A change of the output named `topic`; folded when it flaps.
    void change(const Frame& frame, const std::string& topic, std::string source, std::string text);
    // Tells the folded changes of outputs quiet for kQuietMs (all of them when `all`).
    void reportFolded(const Frame& frame, bool all);
    void narratePanel(const Frame& frame);
    // Slots no contract of ours names, by number or by the layout's name.
    void narrateOtherPanel(const Frame& frame);
    void narrateSounds(const Frame& frame);
    bool loaded(contract::Party party) const { return loaded_[static_cast<std::size_t>(pluginIndexOf(party))]; }
    void narrateInterventions(const Frame& frame);
    void narrateEngagement(const Frame& frame);
    void narrateControllerCode(const Frame& frame);
    void narrateKeyResults(const Frame& frame);
    void narrateMotion(const Frame& frame);
    void logAt(const Frame& frame, const std::string& source, std::string text);
    void watchKeyDown(const InputEvent& event);
    void watchKeyUp(const InputEvent& event);
    std::string beaconText(const BeaconData& beacon) const;

    std::FILE* out_;
    const Scenario* scenario_ = nullptr;
    std::vector<std::string> names_;
    std::size_t vehicle_ = 0;
    bool hasVehicle_ = false;
    const PluginHost* host_ = nullptr;
    std::array<bool, 3> loaded_{};  // ours, by index
    bool ours_ = false;             // any of ours: their tables name the slots
    bool others_ = false;           // any plug-in without a contract of ours
    std::string soleOther_;         // the only such plug-in, which a sound without a writer is put to
    int32_t emergencyNotch_ = 0;
    DriverHandles driver_;
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel_{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound_{};
    AnalysisView analysis_;
    int32_t checkNotch_ = 0;
    bool atoEngaged_ = false;
    int32_t controllerCode_ = -1;                    // the code (and cut-out) the controller was last told to follow
    std::optional<std::size_t> lastStopStandstill_;  // the standstill of stops_.back()
    std::vector<std::size_t> endedApplications_;
    double pluginSpeed_ = 0.0;  // the speed the plug-ins saw in the last frame
    std::optional<int32_t> lastAspect_;
    std::array<bool, 16> keysHeld_{};
    int64_t lastBrakeChangeMs_ = -1;

    // Key presses whose effect the next frames show.
    struct AtoStart {
        std::vector<std::string> unmet;
    };
    struct ModeKey {
        int32_t key = 0;
        int32_t modeBefore = 0;
        int32_t brake = 0;
    };
    struct TrainStopKey {
        int64_t pressedMs = 0;
        int32_t brake = 0;
        int32_t framesHeld = 0;
        bool released = false;
        bool done = false;
    };
    std::optional<AtoStart> atoStart_;
    std::optional<ModeKey> velorinModeKey_;
    std::optional<ModeKey> cabrixModeKey_;
    std::optional<TrainStopKey> acknowledge_;
    std::optional<TrainStopKey> reset_;
    std::vector<LogEntry> entries_;
    std::vector<StopRecord> stops_;

    struct Topic {
        std::string name;
        std::string source;
        int64_t changeBeforeLastMs = 0;
        int64_t lastChangeMs = 0;
        int64_t lastChangeClockMs = 0;
        int32_t folded = 0;
        std::string lastText;
    };
    std::vector<Topic> topics_;
    int32_t foldingTopics_ = 0;  // topics with folded changes not yet told
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_EVENT_LOG_H
