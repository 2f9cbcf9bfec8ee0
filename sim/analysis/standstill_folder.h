// Stops as a person sees them. A train that stops and moves off again
// within the hold time has not left: it creeps. That happens after the train
// operation controller's final stop, when it powers at a standstill and
// brakes as soon as the train moves, or when a driver's power notch meets a
// brake that releases at a standstill. The folder turns the frames into
// stops, each with the creeping that followed it and the moment the train
// really moved off.
#ifndef CABKIT_SIM_STANDSTILL_FOLDER_H
#define CABKIT_SIM_STANDSTILL_FOLDER_H

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "intervention_folder.h"

namespace cabkit::sim {

struct Standstill {
    RunPoint stop;                    // the frame the train first stood
    bool fromStart = false;           // it stood from the start of the run: no stop
    std::optional<RunPoint> moveOff;  // the frame it moved off for good; unset while it stands
    int32_t creeps = 0;               // moves off within the hold time
    double creepDistance = 0.0;       // metres run while creeping, either way
    RunPoint lastCreepStop;           // the last standstill of the creeping
};

class StandstillFolder {
public:
    static constexpr int64_t kHoldMs = InterventionFolder::kHoldMs;

    struct News {
        enum class What : uint8_t { Stopped, Creeps, CreepingEnded, MovedOff };
        What what;
        std::size_t standstill;  // index into standstills()
    };

    explicit StandstillFolder(double startSpeed) : lastSpeed_(startSpeed) {}

    void fold(const Frame& frame);
    // A move-off and creeping still open at the end of the run are told.
    void finish(const Frame& last);
    std::span<const News> news() const { return news_; }
    const std::vector<Standstill>& standstills() const { return standstills_; }

private:
    void creep(Standstill& standstill, const Frame& frame);
    void moveOff(std::size_t index);

    double lastSpeed_;
    double lastLocation_ = 0.0;
    bool first_ = true;
    std::optional<std::size_t> open_;  // the standstill the train has not yet left for good
    std::optional<RunPoint> moving_;   // where it moved off within the open standstill
    double gapDistance_ = 0.0;         // run since then
    bool creeping_ = false;            // creeps told, their end not yet
    std::vector<Standstill> standstills_;
    std::vector<News> news_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_STANDSTILL_FOLDER_H
