#include "scenario.h"

#include <fmt/format.h>

#include "clock_text.h"

namespace cabkit::sim {
namespace {

std::string describeTrigger(const Trigger& trigger) {
    switch (trigger.kind) {
        case Trigger::Kind::AfterStart: return fmt::format("{} s", static_cast<double>(trigger.ms) / 1000.0);
        case Trigger::Kind::TimeOfDay: return formatClock(trigger.ms);
        case Trigger::Kind::Location: return fmt::format("{} m", trigger.location);
    }
    return {};
}

std::string describeBounds(const std::optional<double>& low, const std::optional<double>& high) {
    if (low && high && *low == *high) return fmt::format("= {}", *low);
    if (low && high) return fmt::format("in [{}, {}]", *low, *high);
    if (low) return fmt::format(">= {}", *low);
    if (high) return fmt::format("<= {}", *high);
    return "(any value)";
}

}  // namespace

std::string StartSpec::localTimeText() const {
    const int64_t ms = timeOfDayMs % kMsPerDay;
    const int64_t seconds = ms / 1000;
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}.{:03}", year, month, day, seconds / 3600,
                       (seconds / 60) % 60, seconds % 60, ms % 1000);
}

int32_t pluginIndex(const std::string& name) {
    for (std::size_t i = 0; i < kPluginNames.size(); ++i) {
        if (name == kPluginNames[i]) return static_cast<int32_t>(i);
    }
    return -1;
}

std::string Expectation::describe() const {
    std::string text;
    switch (timing) {
        case Timing::StationStop: text = fmt::format("stops at {} within {} m", station, within); break;
        case Timing::Instant:
            text = fmt::format("{} {} at {}", quantity.text, describeBounds(low, high), describeTrigger(from));
            break;
        case Timing::AtEnd: text = fmt::format("{} {} at the end", quantity.text, describeBounds(low, high)); break;
        case Timing::Throughout:
            text = fmt::format("{} {} throughout {} .. {}", quantity.text, describeBounds(low, high),
                               describeTrigger(from), describeTrigger(to));
            break;
        case Timing::Sometime:
            text = fmt::format("{} {} sometime in {} .. {}", quantity.text, describeBounds(low, high),
                               describeTrigger(from), describeTrigger(to));
            break;
        case Timing::Events: {
            const std::string span = wholeRun
                                         ? std::string("in the run")
                                         : fmt::format("within {} .. {}", describeTrigger(from), describeTrigger(to));
            if (high && *high == 0.0) {
                text = fmt::format("no {} {}", event.text, span);
            } else if (low && *low == 1.0 && !high) {
                text = fmt::format("{} {}", event.text, span);
            } else if (low && high && *low == *high) {
                text = fmt::format("{} {} times {}", event.text, *low, span);
            } else {
                text = fmt::format("{} {} times {}", event.text, describeBounds(low, high), span);
            }
            break;
        }
    }
    if (!note.empty()) text += fmt::format(" ({})", note);
    return text;
}

}  // namespace cabkit::sim
