// The words for velorin_rules.h, for simhost's explanations only: the plug-in
// never includes this, so rewording a refusal rebuilds the reports and not
// the plug-in.
#ifndef CABKIT_VELORIN_VELORIN_RULES_TEXT_H
#define CABKIT_VELORIN_VELORIN_RULES_TEXT_H

#include <string_view>

#include "velorin_rules.h"

namespace cabkit::contract::velorin {

// How a refusal of key 0 names an unmet need. The one "{}" takes the value
// that fails it: the mode, the slot 201 phrase, the notch, the reverser word.
constexpr std::string_view unmetWords(AtoStartNeed need) {
    switch (need) {
        case AtoStartNeed::ModeTwo: return "the operating mode is {}, not 2";
        case AtoStartNeed::PowerPermitted: return "power is not permitted ({})";
        case AtoStartNeed::BrakeReleased: return "the brake handle is at notch {}";
        case AtoStartNeed::PowerOff: return "the power handle is at notch {}";
        case AtoStartNeed::ReverserForward: return "the reverser is {}";
    }
    return "{}";
}

// The reverser's positions in words.
constexpr std::string_view reverserWord(int32_t position) {
    if (position > 0) {
        return "forward";
    }
    return position < 0 ? "backward" : "neutral";
}

}  // namespace cabkit::contract::velorin

#endif  // CABKIT_VELORIN_VELORIN_RULES_TEXT_H
