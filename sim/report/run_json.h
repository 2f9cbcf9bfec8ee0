// The names the journal and the summary give the same things, kept in one
// place so that the two files cannot drift apart: the supervisor reads the
// journal back under these names and writes the summary under them.
#ifndef CABKIT_SIM_RUN_JSON_H
#define CABKIT_SIM_RUN_JSON_H

#include <string_view>

#include "intervention_folder.h"

namespace cabkit::sim::run_json {

inline constexpr const char* kFile = "file";
inline constexpr const char* kStepMs = "step_ms";
inline constexpr const char* kFrames = "frames";
inline constexpr const char* kStoppedEarly = "stopped_early";
inline constexpr const char* kStart = "start";
inline constexpr const char* kEnd = "end";
inline constexpr const char* kLocation = "location_m";
inline constexpr const char* kSpeed = "speed_kmh";
inline constexpr const char* kStation = "station";
inline constexpr const char* kOffset = "offset_m";
inline constexpr const char* kCreeps = "creeps";
inline constexpr const char* kCreepDistance = "creep_m";
inline constexpr const char* kKind = "kind";
inline constexpr const char* kHighestNotch = "highest_notch";
inline constexpr const char* kEmergency = "emergency";
inline constexpr const char* kFlickers = "flickers";
inline constexpr const char* kCause = "cause";
inline constexpr const char* kLine = "line";
inline constexpr const char* kExpects = "expects";
inline constexpr const char* kDetail = "detail";
inline constexpr const char* kSource = "source";
inline constexpr const char* kText = "text";

constexpr const char* kindName(Application::Kind kind) {
    return kind == Application::Kind::Brake ? "brake" : "power cut";
}
constexpr Application::Kind kindNamed(std::string_view name) {
    return name == kindName(Application::Kind::PowerCut) ? Application::Kind::PowerCut : Application::Kind::Brake;
}

}  // namespace cabkit::sim::run_json

#endif  // CABKIT_SIM_RUN_JSON_H
