#include "refusal_reasons.h"

#include <fmt/format.h>

#include "cab_contract_index.h"
#include "velorin/velorin_rules_text.h"

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

cabkit::DriverHandles handlesOf(const DriverHandles& driver) {
    return cabkit::DriverHandles{.brake = driver.brake, .power = driver.power, .reverser = driver.reverser};
}

// What fails a need of key 0, as its refusal words name it.
std::string failing(contract::velorin::AtoStartNeed need, const contract::velorin::AtoStartMoment& moment) {
    using contract::velorin::AtoStartNeed;
    switch (need) {
        case AtoStartNeed::ModeTwo: return fmt::format("{}", moment.mode);
        case AtoStartNeed::PowerPermitted: {
            const int32_t slot = contract::sharedSlot("power permitted");
            return fmt::format("slot {}, {}, is 0", slot, panelLabel(slot));
        }
        case AtoStartNeed::BrakeReleased: return fmt::format("{}", moment.driver.brake);
        case AtoStartNeed::PowerOff: return fmt::format("{}", moment.driver.power);
        case AtoStartNeed::ReverserForward: return std::string(contract::velorin::reverserWord(moment.driver.reverser));
    }
    return {};
}

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

bool takesBeacon(contract::Party plugin, const BeaconData& beacon, const BeaconMoment& moment) {
    for (const contract::Beacon* row : findBeacons(beacon.type)) {
        if (static_cast<contract::Party>(row->plugin) != plugin || !taken(row->taken, moment)) continue;
        return plugin != contract::kSentrel || moment.trainStopOff == 0;
    }
    return false;
}

std::vector<std::string> atoStartUnmet(int32_t velorinMode, int32_t powerPermitted, const DriverHandles& driver) {
    namespace rules = contract::velorin;
    const rules::AtoStartMoment moment{
        .mode = velorinMode, .powerPermitted = powerPermitted != 0, .driver = handlesOf(driver)};
    std::vector<std::string> unmet;
    for (const rules::AtoStartNeed need : rules::kAtoStartNeeds) {
        if (!rules::met(need, moment)) {
            unmet.push_back(fmt::format(fmt::runtime(rules::unmetWords(need)), failing(need, moment)));
        }
    }
    return unmet;
}

bool showsController(const HandleCommand& velorin, const DriverHandles& driver, int32_t velorinMode) {
    if (velorin.reverser != driver.reverser) return true;
    if (velorinMode == 0) return false;  // mode 0 holds the emergency notch whoever drives
    return velorin.brake != driver.brake || (driver.power == 0 && velorin.power != 0);
}

bool followsDriverAwayFromRest(const HandleCommand& velorin, const DriverHandles& driver, int32_t velorinMode) {
    return !contract::velorin::handlesAtRest(handlesOf(driver)) && !showsController(velorin, driver, velorinMode);
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
