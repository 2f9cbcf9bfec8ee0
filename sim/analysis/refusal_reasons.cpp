#include "refusal_reasons.h"

#include <fmt/format.h>

#include "cab_contract_index.h"

namespace cabkit::sim {
namespace {

bool taken(contract::Taken when, const BeaconMoment& moment) {
    const bool standing = moment.speed == 0.0;
    switch (when) {
        case contract::Taken::Always: return true;
        case contract::Taken::AtStandstill: return standing;
        case contract::Taken::InVelorinModeOne: return moment.velorinMode == 1;
        case contract::Taken::InModeTwoOrAtStandstill: return moment.velorinMode == 2 || standing;
        case contract::Taken::WhileMoving: return !standing;
        case contract::Taken::WhileMovingKeyZeroUp: return !standing && !moment.keyZeroHeld;
        case contract::Taken::WhileMovingNotBackward: return !standing && moment.reverser != -1;
    }
    return true;
}

constexpr int32_t kForward = 1;

std::string reverserWord(int32_t position) { return position > 0 ? "forward" : position < 0 ? "backward" : "neutral"; }

}  // namespace

std::string joinReasons(const std::vector<std::string>& reasons) {
    std::string text;
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        text += i == 0 ? "" : i + 1 == reasons.size() ? " and " : ", ";
        text += reasons[i];
    }
    return text;
}

std::string beaconNotTaken(const BeaconData& beacon, const BeaconMoment& moment) {
    const auto readers = findBeacons(beacon.type);
    if (readers.empty()) return "no plug-in reads this type";
    std::vector<std::string> missing;
    for (const contract::Beacon* row : readers) {
        const auto plugin = static_cast<contract::Party>(row->plugin);
        if (!taken(row->taken, moment)) {
            missing.push_back(
                fmt::format("{} takes it {}", contract::partyName(plugin), contract::describe(row->taken)));
        } else if (plugin == contract::kSentrel && moment.trainStopOff != 0) {
            missing.push_back(fmt::format("Sentrel is off ({} is {})",
                                          panelLabel(contract::sharedSlot("train-stop switch-off")),
                                          moment.trainStopOff));
        }
    }
    return missing.empty() ? std::string{} : fmt::format("not taken: {}", joinReasons(missing));
}

std::vector<std::string> atoStartUnmet(int32_t velorinMode, int32_t powerPermitted, const DriverHandles& driver) {
    std::vector<std::string> unmet;
    if (velorinMode != 2) unmet.push_back(fmt::format("the operating mode is {}, not 2", velorinMode));
    if (powerPermitted == 0) {
        unmet.push_back(fmt::format("power is not permitted (slot {}, {}, is 0)",
                                    contract::sharedSlot("power permitted"),
                                    panelLabel(contract::sharedSlot("power permitted"))));
    }
    if (driver.brake != 0) unmet.push_back(fmt::format("the brake handle is at notch {}", driver.brake));
    if (driver.power != 0) unmet.push_back(fmt::format("the power handle is at notch {}", driver.power));
    if (driver.reverser != kForward) unmet.push_back(fmt::format("the reverser is {}", reverserWord(driver.reverser)));
    return unmet;
}

bool showsController(const HandleCommand& velorin, const DriverHandles& driver, int32_t velorinMode) {
    if (velorin.reverser != driver.reverser) return true;
    if (velorinMode == 0) return false;  // mode 0 holds the emergency notch whoever drives
    return velorin.brake != driver.brake || (driver.power == 0 && velorin.power != 0);
}

bool followsDriverAwayFromRest(const HandleCommand& velorin, const DriverHandles& driver, int32_t velorinMode) {
    const bool atRest = driver.power == 0 && driver.brake == 0 && driver.reverser == kForward;
    return !atRest && !showsController(velorin, driver, velorinMode);
}

std::string drivableCodes() {
    std::vector<std::string> codes;
    for (const contract::velorin::AtoSignalSpeed& row : atoSignalSpeeds()) {
        if (row.speed > 0) codes.push_back(fmt::format("{}", row.cabSignalCode));
    }
    std::string text;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        text += i == 0 ? "" : i + 1 == codes.size() ? " or " : ", ";
        text += codes[i];
    }
    return text;
}

}  // namespace cabkit::sim
