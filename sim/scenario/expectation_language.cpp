#include "expectation_language.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>
#include <vector>

#include "printable_text.h"

namespace cabkit::sim {
namespace {

Quantity readQuantity(TableReader& e) {
    const auto text = e.string("value");
    if (!text) {
        e.fail(
            "[[expect]] needs 'value' (e.g. \"panel 72\", \"sound 0\", \"brake\", \"Sentrel brake\", \"Sentrel imposes "
            "brake\", \"driver brake\", \"speed\"), 'event' or 'stop_at'");
    }
    Quantity q;
    q.text = printable(*text);
    std::istringstream words(*text);
    std::string first, second, rest;
    words >> first >> second >> rest;
    const auto bad = [&e, &text] {
        e.failAt("value", fmt::format("'value' in [[expect]] cannot be read: \"{}\"; expected \"panel N\", \"sound N\" "
                                      "(N 0..255), \"brake\", \"power\", \"reverser\", \"speed\", \"location\", "
                                      "\"driver\" followed by brake, power or reverser, or a plug-in name followed "
                                      "by brake, power, reverser, \"imposes brake\" or \"cuts power\"",
                                      *text));
    };
    // "panel door lamp": a slot by the name a layout file gives it, found
    // once the layout is known (resolveNames).
    if ((first == "panel" || first == "sound") && !second.empty() &&
        !std::all_of(second.begin(), second.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        q.kind = first == "panel" ? Quantity::Kind::Panel : Quantity::Kind::Sound;
        q.index = -1;
        const std::size_t from = text->find_first_not_of(" \t", text->find(first) + first.size());
        q.name = text->substr(from, text->find_last_not_of(" \t") + 1 - from);
        return q;
    }
    // "Sentrel imposes brake", "Cabrix cuts power": three words.
    std::string fourth;
    words >> fourth;
    if (!fourth.empty()) bad();
    // A plug-in not of ours is kept by name and found once the run's
    // plug-ins are known (resolveNames).
    const auto plugin = [&q, &first] {
        q.index = pluginIndex(first);
        if (q.index < 0) q.name = first;
    };
    if (!rest.empty()) {
        plugin();
        if (second == "imposes" && rest == "brake")
            q.kind = Quantity::Kind::PluginImposesBrake;
        else if (second == "cuts" && rest == "power")
            q.kind = Quantity::Kind::PluginCutsPower;
        else
            bad();
        return q;
    }
    if (first == "panel" || first == "sound") {
        int32_t slot = -1;
        try {
            std::size_t used = 0;
            slot = std::stoi(second, &used);
            if (used != second.size()) slot = -1;
        } catch (const std::exception&) {
            slot = -1;
        }
        if (slot < 0 || slot > 255) bad();
        q.kind = first == "panel" ? Quantity::Kind::Panel : Quantity::Kind::Sound;
        q.index = slot;
        return q;
    }
    if (second.empty()) {
        if (first == "brake")
            q.kind = Quantity::Kind::Brake;
        else if (first == "power")
            q.kind = Quantity::Kind::Power;
        else if (first == "reverser")
            q.kind = Quantity::Kind::Reverser;
        else if (first == "speed")
            q.kind = Quantity::Kind::Speed;
        else if (first == "location")
            q.kind = Quantity::Kind::Location;
        else
            bad();
        return q;
    }
    if (first == "driver") {
        if (second == "brake")
            q.kind = Quantity::Kind::DriverBrake;
        else if (second == "power")
            q.kind = Quantity::Kind::DriverPower;
        else if (second == "reverser")
            q.kind = Quantity::Kind::DriverReverser;
        else
            bad();
        return q;
    }
    plugin();
    if (second == "brake")
        q.kind = Quantity::Kind::PluginBrake;
    else if (second == "power")
        q.kind = Quantity::Kind::PluginPower;
    else if (second == "reverser")
        q.kind = Quantity::Kind::PluginReverser;
    else
        bad();
    return q;
}

// "Sentrel emergency brake", "Cabrix brake application", "power cut": an
// intervention, by one plug-in or (without a name) by any.
EventKind readEvent(TableReader& e) {
    const std::string written = *e.string("event");
    EventKind event;
    event.text = printable(written);
    std::istringstream words(written);
    std::vector<std::string> list;
    for (std::string word; words >> word;) list.push_back(word);
    if (!list.empty()) {
        event.plugin = pluginIndex(list.front());
        // Three words name a plug-in, ours or one the run adds (resolveNames).
        if (event.plugin < 0 && list.size() == 3) event.name = list.front();
        if (event.plugin >= 0 || !event.name.empty()) list.erase(list.begin());
    }
    const std::string what = list.size() == 2 ? list[0] + " " + list[1] : std::string();
    if (what == "brake application") {
        event.kind = EventKind::Kind::BrakeApplication;
    } else if (what == "emergency brake") {
        event.kind = EventKind::Kind::EmergencyBrake;
    } else if (what == "power cut") {
        event.kind = EventKind::Kind::PowerCut;
    } else {
        e.failAt("event", fmt::format("'event' in [[expect]] cannot be read: \"{}\"; expected \"brake application\", "
                                      "\"emergency brake\" or \"power cut\", after a plug-in name or alone (any "
                                      "plug-in)",
                                      event.text));
    }
    return event;
}

// The name a report gives the expectation; unique within the file (the
// schema checks that, it sees them all).
std::string readId(TableReader& e) {
    const auto id = e.string("id");
    if (!id) return {};
    const bool blank = id->find_first_not_of(" \t") == std::string::npos;
    const bool control =
        std::any_of(id->begin(), id->end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7f'; });
    if (blank || control || id->size() > 200) {
        e.failAt("id", "'id' in [[expect]] must be a name of 1 to 200 characters, without control characters");
    }
    return printable(*id);
}

// One end of a span: seconds after the start, a time of day or a location.
Trigger spanEnd(TableReader& e, const char* key, const toml::node& node, const RunClock& clock) {
    Trigger trigger;
    trigger.line = e.line();
    if (std::string(key) == "during_time") {
        trigger.kind = Trigger::Kind::TimeOfDay;
        trigger.ms = readMoment(e, key, node, clock);
        return trigger;
    }
    const auto value = TableReader::asNumber(node);
    if (!value || !std::isfinite(*value)) {
        e.failAt(key, fmt::format("'{}' in [[expect]] must be two numbers [from, to]", key));
    }
    if (std::string(key) == "during") {
        if (*value < 0.0 || *value > 1.0e7) {
            e.failAt(key, "'during' in [[expect]] counts seconds after the start, from 0 to 1e7");
        }
        trigger.kind = Trigger::Kind::AfterStart;
        trigger.ms = std::llround(*value * 1000.0);
    } else {
        if (std::fabs(*value) > kMaxLocation) {
            e.failAt(key, fmt::format("'{}' in [[expect]] must lie in {} .. {} m", key, -kMaxLocation, kMaxLocation));
        }
        trigger.kind = Trigger::Kind::Location;
        trigger.location = *value;
    }
    return trigger;
}

}  // namespace

Expectation readExpectation(TableReader e, const Route& route, const RunClock& clock) {
    Expectation x;
    x.line = e.line();
    x.note = printable(e.string("note").value_or(""));
    x.id = readId(e);
    if (auto written = e.string("stop_at")) {
        const std::string station = printable(*written);
        const bool known = std::any_of(route.stations.begin(), route.stations.end(),
                                       [&](const Station& s) { return s.name == station; });
        if (!known)
            e.failAt("stop_at", fmt::format("'stop_at' in [[expect]] names no [[route.station]]: \"{}\"", station));
        x.timing = Expectation::Timing::StationStop;
        x.station = station;
        x.within = e.number("within", 0.0, 1.0e4).value_or(2.0);
        e.finish({"stop_at", "within", "note", "id"});
        return x;
    }
    const bool isEvent = e.has("event");
    if (isEvent && e.has("value")) e.fail("[[expect]] reads a 'value' or counts an 'event', not both");
    if (isEvent) {
        x.event = readEvent(e);
    } else {
        x.quantity = readQuantity(e);
    }

    if (auto v = e.number("equals")) x.low = x.high = v;
    if (auto v = e.number("at_least")) x.low = v;
    if (auto v = e.number("at_most")) x.high = v;
    if (auto bounds = e.pair("between")) {
        const auto low = TableReader::asNumber(*(*bounds)[0]);
        const auto high = TableReader::asNumber(*(*bounds)[1]);
        if (!low || !high || !std::isfinite(*low) || !std::isfinite(*high) || *low > *high) {
            e.failAt("between", "'between' in [[expect]] must be [low, high] with low <= high");
        }
        x.low = low;
        x.high = high;
    }
    int32_t comparisons = 0;
    if (e.has("equals")) ++comparisons;
    if (e.has("at_least") || e.has("at_most")) ++comparisons;
    if (e.has("between")) ++comparisons;
    if (isEvent && comparisons == 0) {
        x.low = 1.0;  // at least one, unless the author counts otherwise
    } else if (comparisons != 1) {
        e.fail("[[expect]] needs one comparison: 'equals', 'at_least' and/or 'at_most', or 'between'");
    }
    if (x.low && x.high && *x.low > *x.high) e.fail("[[expect]]: 'at_least' is above 'at_most'");

    const bool atEnd = e.boolean("at_end").value_or(false);
    const bool sometime = e.boolean("sometime").value_or(false);
    int32_t spans = 0;
    for (const char* key : {"during", "during_time", "during_location"}) {
        if (auto ends = e.pair(key)) {
            x.from = spanEnd(e, key, *(*ends)[0], clock);
            x.to = spanEnd(e, key, *(*ends)[1], clock);
            const bool reversed =
                x.from.kind == Trigger::Kind::Location ? x.from.location > x.to.location : x.from.ms > x.to.ms;
            if (reversed)
                e.failAt(key, fmt::format("'{}' in [[expect]] must run from the earlier to the later end", key));
            ++spans;
        }
    }
    const bool instant = e.has("after") || e.has("time") || e.has("location");
    if (isEvent) {
        if (instant || atEnd || sometime) {
            e.fail(
                "an 'event' in [[expect]] is counted over a span, 'during' (s), 'during_time' or 'during_location', "
                "or over the whole run without one");
        }
        x.timing = Expectation::Timing::Events;
        x.wholeRun = spans == 0;
        e.finish({"event", "equals", "at_least", "at_most", "between", "during", "during_time", "during_location",
                  "note", "id"});
        return x;
    }
    if (spans + int32_t{atEnd} + int32_t{instant} != 1) {
        e.fail(
            "[[expect]] needs exactly one of: 'after', 'time', 'location' (an instant), 'at_end = true', or a span "
            "'during' (s), 'during_time', 'during_location'");
    }
    if (spans == 1) {
        x.timing = sometime ? Expectation::Timing::Sometime : Expectation::Timing::Throughout;
    } else {
        if (sometime)
            e.failAt("sometime", "'sometime' in [[expect]] goes with a span (during, during_time, during_location)");
        if (atEnd) {
            x.timing = Expectation::Timing::AtEnd;
        } else {
            x.timing = Expectation::Timing::Instant;
            x.from = readTrigger(e, std::nullopt, clock);
        }
    }
    e.finish({"value", "equals", "at_least", "at_most", "between", "after", "time", "location", "at_end", "during",
              "during_time", "during_location", "sometime", "note", "stop_at", "within", "id"});
    return x;
}

}  // namespace cabkit::sim
