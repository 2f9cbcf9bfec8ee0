// Track-side beacons of the train stop: warnings to acknowledge, immediate
// trips, and the timing checks of beacon pairs and timing windows.
#ifndef CABKIT_SENTREL_ATS_BEACONS_H
#define CABKIT_SENTREL_ATS_BEACONS_H

#include <cstdint>
#include <string_view>

#include "ats_zq.h"
#include "host_records.h"
#include "sentrel_contract.h"

namespace cabkit::sentrel {

// Beacon type numbers the train stop answers; all others are ignored.
namespace beacon {
consteval int32_t type(std::string_view label) { return contract::beaconType(contract::sentrel::kBeacons, label); }
// Warning at a signal at stop, or inside a window.
inline constexpr int32_t kWarning = type("train-stop warning");
// Trip at a signal at stop, or inside a window.
inline constexpr int32_t kStop = type("train-stop stop");
// Either beacon of a timed pair.
inline constexpr int32_t kPairA = type("train-stop pair");
inline constexpr int32_t kPairB = type("train-stop pair, second type");
// Opens a timing window, optional = length in ms.
inline constexpr int32_t kWindow = type("train-stop timing window");
// Warning at a signal at stop.
inline constexpr int32_t kSignalWarning = type("train-stop signal warning");
// Trip at a signal at stop, not when reversing.
inline constexpr int32_t kDirectStop = type("train-stop direct stop");
}  // namespace beacon

}  // namespace cabkit::sentrel

#endif  // CABKIT_SENTREL_ATS_BEACONS_H
