#include "scenario_parser.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

#include <fmt/format.h>
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include "clock_text.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

int32_t lineOf(const toml::node& node, int32_t fallback) {
    const auto line = node.source().begin.line;
    return line > 0 ? static_cast<int32_t>(line) : fallback;
}

// Reads one TOML table, remembering which keys were used so that a
// misspelled key is reported instead of silently ignored.
class TableReader {
public:
    TableReader(const toml::table& table, std::string context, const std::string& file, int32_t line)
        : table_(table), context_(std::move(context)), file_(file), line_(lineOf(table, line)) {}

    const std::string& context() const { return context_; }
    int32_t line() const { return line_; }
    bool has(const char* key) const { return table_.get(key) != nullptr; }

    [[noreturn]] void fail(const std::string& message) const { throw ScenarioError(file_, line_, message); }
    [[noreturn]] void failAt(const char* key, const std::string& message) const {
        const toml::node* node = table_.get(key);
        throw ScenarioError(file_, node ? lineOf(*node, line_) : line_, message);
    }

    const toml::node* node(const char* key) {
        used_.insert(key);
        return table_.get(key);
    }

    std::optional<int64_t> integer(const char* key, int64_t low, int64_t high) {
        const toml::node* n = node(key);
        if (n == nullptr) return std::nullopt;
        const auto* value = n->as_integer();
        if (value == nullptr) failAt(key, fmt::format("'{}' in {} must be an integer", key, context_));
        const int64_t v = value->get();
        if (v < low || v > high) {
            failAt(key, fmt::format("'{}' in {} must lie in {} .. {}, not {}", key, context_, low, high, v));
        }
        return v;
    }

    std::optional<int32_t> int32(const char* key, int64_t low = std::numeric_limits<int32_t>::min(),
                                 int64_t high = std::numeric_limits<int32_t>::max()) {
        const auto v = integer(key, low, high);
        return v ? std::optional<int32_t>(static_cast<int32_t>(*v)) : std::nullopt;
    }

    static std::optional<double> asNumber(const toml::node& n) {
        if (const auto* f = n.as_floating_point()) return f->get();
        if (const auto* i = n.as_integer()) return static_cast<double>(i->get());
        return std::nullopt;
    }

    std::optional<double> number(const char* key, double low = -std::numeric_limits<double>::max(),
                                 double high = std::numeric_limits<double>::max()) {
        const toml::node* n = node(key);
        if (n == nullptr) return std::nullopt;
        const auto v = asNumber(*n);
        if (!v || !std::isfinite(*v)) failAt(key, fmt::format("'{}' in {} must be a finite number", key, context_));
        if (*v < low || *v > high) {
            failAt(key, fmt::format("'{}' in {} must lie in {:g} .. {:g}, not {:g}", key, context_, low, high, *v));
        }
        return v;
    }

    std::optional<std::string> string(const char* key) {
        const toml::node* n = node(key);
        if (n == nullptr) return std::nullopt;
        const auto* value = n->as_string();
        if (value == nullptr) failAt(key, fmt::format("'{}' in {} must be a string", key, context_));
        return value->get();
    }

    std::optional<bool> boolean(const char* key) {
        const toml::node* n = node(key);
        if (n == nullptr) return std::nullopt;
        const auto* value = n->as_boolean();
        if (value == nullptr) failAt(key, fmt::format("'{}' in {} must be true or false", key, context_));
        return value->get();
    }

    // A list of finite numbers of a fixed or free length (expected = 0).
    std::optional<std::vector<double>> numbers(const char* key, std::size_t expected, double low) {
        const toml::node* n = node(key);
        if (n == nullptr) return std::nullopt;
        const auto* array = n->as_array();
        const std::string what =
            expected > 0 ? fmt::format("a list of {} numbers", expected) : std::string("a non-empty list of numbers");
        if (array == nullptr || array->empty() || (expected > 0 && array->size() != expected)) {
            failAt(key, fmt::format("'{}' in {} must be {}", key, context_, what));
        }
        std::vector<double> values;
        for (const toml::node& element : *array) {
            const auto v = asNumber(element);
            if (!v || !std::isfinite(*v) || *v < low) {
                failAt(key, fmt::format("'{}' in {} must be {} of at least {:g}", key, context_, what, low));
            }
            values.push_back(*v);
        }
        return values;
    }

    // A pair [a, b] with a <= b, of numbers or of clock strings.
    std::optional<std::array<const toml::node*, 2>> pair(const char* key) {
        const toml::node* n = node(key);
        if (n == nullptr) return std::nullopt;
        const auto* array = n->as_array();
        if (array == nullptr || array->size() != 2) {
            failAt(key, fmt::format("'{}' in {} must be a list of two values [from, to]", key, context_));
        }
        return std::array<const toml::node*, 2>{array->get(0), array->get(1)};
    }

    // Every key must have been read.
    void finish(const std::vector<const char*>& allowed) const {
        for (auto&& [key, value] : table_) {
            if (used_.count(std::string(key.str())) == 0) {
                std::string list;
                for (const char* name : allowed) list += fmt::format("{}{}", list.empty() ? "" : ", ", name);
                throw ScenarioError(file_, lineOf(value, line_),
                                    fmt::format("unknown key '{}' in {}; expected one of: {}", key.str(), context_, list));
            }
        }
    }

    const std::string& file() const { return file_; }

private:
    const toml::table& table_;
    std::string context_;
    const std::string& file_;
    int32_t line_;
    std::set<std::string> used_;
};

int64_t clockOrFail(TableReader& reader, const char* key, const toml::node& node) {
    const auto* text = node.as_string();
    const auto ms = text ? parseClock(text->get()) : std::nullopt;
    if (!ms) {
        reader.failAt(key, fmt::format("'{}' in {} must be a time of day \"HH:MM:SS\" or \"HH:MM:SS.mmm\"", key,
                                       reader.context()));
    }
    return *ms;
}

// Exactly one of after (s), time ("HH:MM:SS"), location (m); or none when a
// default is given.
Trigger readTrigger(TableReader& reader, const std::optional<Trigger>& fallback) {
    Trigger trigger;
    trigger.line = reader.line();
    int32_t given = 0;
    if (const auto after = reader.number("after", 0.0, 1.0e7)) {
        trigger.kind = Trigger::Kind::AfterStart;
        trigger.ms = std::llround(*after * 1000.0);
        ++given;
    }
    if (const toml::node* time = reader.node("time")) {
        trigger.kind = Trigger::Kind::TimeOfDay;
        trigger.ms = clockOrFail(reader, "time", *time);
        ++given;
    }
    if (const auto location = reader.number("location")) {
        trigger.kind = Trigger::Kind::Location;
        trigger.location = *location;
        ++given;
    }
    if (given == 0 && fallback) return *fallback;
    if (given != 1) {
        reader.fail(fmt::format("{} needs exactly one of 'after' (seconds after the start), 'time' (\"HH:MM:SS\") "
                                "or 'location' (m)",
                                reader.context()));
    }
    return trigger;
}

const toml::table& tableOrFail(const toml::node& node, const std::string& what, const std::string& file) {
    const auto* table = node.as_table();
    if (table == nullptr) throw ScenarioError(file, lineOf(node, 0), fmt::format("{} must be a table", what));
    return *table;
}

// [[name]] arrays: each element a table.
template <typename Each>
void forEachTable(const toml::node* node, const std::string& what, const std::string& file, Each each) {
    if (node == nullptr) return;
    const auto* array = node->as_array();
    if (array == nullptr) {
        throw ScenarioError(file, lineOf(*node, 0), fmt::format("{} must be written as [[{}]] tables", what, what));
    }
    for (const toml::node& element : *array) {
        each(tableOrFail(element, fmt::format("each [[{}]]", what), file));
    }
}

void readTrain(TableReader r, TrainSpec& train) {
    if (auto v = r.int32("brake_notches", 1, 64)) train.brakeNotches = *v;
    if (auto v = r.int32("power_notches", 1, 64)) train.powerNotches = *v;
    if (auto v = r.int32("check_notch", 0, 65)) train.checkNotch = *v;
    if (auto v = r.int32("b67_notch", 0, 65)) train.b67Notch = *v;
    if (auto v = r.int32("cars", 1, 100)) train.cars = *v;
    if (auto v = r.numbers("power_acceleration", 0, 0.0)) train.powerAcceleration = *v;
    if (auto v = r.numbers("brake_deceleration", static_cast<std::size_t>(train.brakeNotches), 0.0)) {
        train.brakeDeceleration = *v;
    } else if (train.brakeDeceleration.size() != static_cast<std::size_t>(train.brakeNotches)) {
        // Scale the default curve over the given notch count.
        train.brakeDeceleration.clear();
        for (int32_t notch = 1; notch <= train.brakeNotches; ++notch) {
            train.brakeDeceleration.push_back(4.0 * notch / train.brakeNotches);
        }
    }
    if (auto v = r.number("emergency_deceleration", 0.1, 50.0)) train.emergencyDeceleration = *v;
    if (auto v = r.numbers("resistance", 3, 0.0)) {
        train.resistanceA = (*v)[0];
        train.resistanceB = (*v)[1];
        train.resistanceC = (*v)[2];
    }
    if (auto v = r.number("constant_power_above", 0.0, 1000.0)) train.constantPowerAbove = *v;
    r.finish({"brake_notches", "power_notches", "check_notch", "b67_notch", "cars", "power_acceleration",
              "brake_deceleration", "emergency_deceleration", "resistance", "constant_power_above"});
}

void readStart(TableReader r, StartSpec& start, const TrainSpec& train) {
    if (auto text = r.string("date")) {
        const auto date = parseDate(*text);
        if (!date) r.failAt("date", "'date' in [start] must be a calendar date \"YYYY-MM-DD\"");
        start.year = date->year;
        start.month = date->month;
        start.day = date->day;
    }
    if (const toml::node* time = r.node("time")) {
        const int64_t ms = clockOrFail(r, "time", *time);
        if (ms >= kMsPerDay) r.failAt("time", "'time' in [start] must be before 24:00:00");
        start.timeOfDayMs = static_cast<int32_t>(ms);
    }
    if (auto v = r.number("location")) start.location = *v;
    if (auto v = r.number("speed", -400.0, 400.0)) start.speed = *v;
    if (auto v = r.int32("reverser", -1, 1)) start.reverser = *v;
    if (auto v = r.int32("power", 0, 64)) start.power = *v;
    if (const toml::node* brake = r.node("brake")) {
        const auto* word = brake->as_string();
        if (word != nullptr && word->get() == "emergency") {
            start.brake = train.emergencyNotch();
        } else {
            start.brake = r.int32("brake", 0, train.emergencyNotch());
        }
    }
    r.finish({"date", "time", "location", "speed", "reverser", "power", "brake"});
}

void readRun(TableReader r, RunSpec& run) {
    if (auto v = r.number("duration", 0.001, 7.0 * 24 * 3600)) run.durationMs = std::llround(*v * 1000.0);
    if (auto v = r.number("end_location")) run.endLocation = *v;
    if (auto v = r.int32("step_ms", 1, 60'000)) run.stepMs = *v;
    if (const toml::node* order = r.node("order")) {
        const auto* array = order->as_array();
        const auto bad = [&r] {
            r.failAt("order", "'order' in [run] must list \"Cabrix\", \"Velorin\" and \"Sentrel\" once each");
        };
        if (array == nullptr || array->size() != 3) bad();
        std::array<bool, 3> seen{};
        for (std::size_t i = 0; i < 3; ++i) {
            const auto* name = array->get(i)->as_string();
            const int32_t index = name ? pluginIndex(name->get()) : -1;
            if (index < 0 || seen[static_cast<std::size_t>(index)]) bad();
            seen[static_cast<std::size_t>(index)] = true;
            run.order[i] = index;
        }
    }
    if (auto v = r.string("unwritten_panel")) {
        if (*v != "zero" && *v != "keep") r.failAt("unwritten_panel", "'unwritten_panel' in [run] must be \"zero\" or \"keep\"");
        run.zeroUnwrittenPanel = *v == "zero";
    }
    r.finish({"duration", "end_location", "step_ms", "order", "unwritten_panel"});
}

void readRoute(TableReader r, Route& route, const std::string& file) {
    forEachTable(r.node("beacon"), "route.beacon", file, [&](const toml::table& table) {
        TableReader b(table, "[[route.beacon]]", file, r.line());
        Beacon beacon;
        beacon.line = b.line();
        const auto location = b.number("location");
        const auto type = b.int32("type");
        if (!location || !type) b.fail("[[route.beacon]] needs 'location' (m) and 'type'");
        beacon.location = *location;
        beacon.data.type = *type;
        beacon.data.signal = b.int32("signal").value_or(0);
        beacon.data.optional = b.int32("optional").value_or(0);
        beacon.data.distance = static_cast<float>(b.number("distance", -1.0e6, 1.0e6).value_or(0.0));
        if (auto direction = b.string("direction")) {
            if (*direction == "forward") beacon.direction = Beacon::Direction::Forward;
            else if (*direction == "backward") beacon.direction = Beacon::Direction::Backward;
            else if (*direction == "both") beacon.direction = Beacon::Direction::Both;
            else b.failAt("direction", "'direction' in [[route.beacon]] must be \"forward\", \"backward\" or \"both\"");
        }
        b.finish({"location", "type", "signal", "optional", "distance", "direction"});
        route.beacons.push_back(beacon);
    });
    forEachTable(r.node("section"), "route.section", file, [&](const toml::table& table) {
        TableReader s(table, "[[route.section]]", file, r.line());
        SignalSection section;
        const auto start = s.number("start");
        const auto aspect = s.int32("aspect");
        if (!start || !aspect) s.fail("[[route.section]] needs 'start' (m) and 'aspect'");
        section.start = *start;
        section.aspect = *aspect;
        if (const toml::node* changes = s.node("changes")) {
            const auto* array = changes->as_array();
            if (array == nullptr) s.failAt("changes", "'changes' in [[route.section]] must be a list of { after|time|location, aspect }");
            for (const toml::node& element : *array) {
                TableReader c(tableOrFail(element, "each entry of 'changes'", file), "an aspect change", file, s.line());
                AspectChange change;
                change.when = readTrigger(c, std::nullopt);
                const auto changed = c.int32("aspect");
                if (!changed) c.fail("an aspect change needs 'aspect'");
                change.aspect = *changed;
                c.finish({"after", "time", "location", "aspect"});
                section.changes.push_back(change);
            }
        }
        s.finish({"start", "aspect", "changes"});
        route.sections.push_back(section);
    });
    forEachTable(r.node("gradient"), "route.gradient", file, [&](const toml::table& table) {
        TableReader g(table, "[[route.gradient]]", file, r.line());
        const auto start = g.number("start");
        const auto perMille = g.number("per_mille", -200.0, 200.0);
        if (!start || !perMille) g.fail("[[route.gradient]] needs 'start' (m) and 'per_mille'");
        g.finish({"start", "per_mille"});
        route.gradients.push_back(Gradient{*start, *perMille});
    });
    forEachTable(r.node("station"), "route.station", file, [&](const toml::table& table) {
        TableReader s(table, "[[route.station]]", file, r.line());
        const auto name = s.string("name");
        const auto location = s.number("location");
        if (!name || name->empty() || !location) s.fail("[[route.station]] needs 'name' and 'location' (m)");
        s.finish({"name", "location"});
        route.stations.push_back(Station{*name, *location});
    });
    r.finish({"beacon", "section", "gradient", "station"});

    const auto byLocation = [](const auto& a, const auto& b) { return a.location < b.location; };
    std::stable_sort(route.beacons.begin(), route.beacons.end(), byLocation);
    std::stable_sort(route.stations.begin(), route.stations.end(), byLocation);
    const auto byStart = [](const auto& a, const auto& b) { return a.start < b.start; };
    std::stable_sort(route.sections.begin(), route.sections.end(), byStart);
    std::stable_sort(route.gradients.begin(), route.gradients.end(), byStart);
}

DriverAction readDriverAction(TableReader d, const TrainSpec& train) {
    DriverAction action;
    action.when = readTrigger(d, std::nullopt);
    action.reverser = d.int32("reverser", -1, 1);
    if (const toml::node* brake = d.node("brake")) {
        const auto* word = brake->as_string();
        action.brake = (word != nullptr && word->get() == "emergency") ? train.emergencyNotch()
                                                                         : d.int32("brake", 0, train.emergencyNotch());
    }
    action.power = d.int32("power", 0, 64);
    if (auto door = d.string("door")) {
        if (*door != "open" && *door != "close") d.failAt("door", "'door' in [[driver]] must be \"open\" or \"close\"");
        action.door = *door;
    }
    action.keyDown = d.int32("key_down", 0, 15);
    action.keyUp = d.int32("key_up", 0, 15);
    action.press = d.int32("press", 0, 15);
    if (auto hold = d.number("hold", 0.0, 3600.0)) {
        if (!action.press) d.failAt("hold", "'hold' in [[driver]] goes with 'press'");
        action.holdMs = static_cast<int32_t>(std::llround(*hold * 1000.0));
    }
    action.horn = d.int32("horn");
    d.node("note");
    d.finish({"after", "time", "location", "reverser", "brake", "power", "door", "key_down", "key_up", "press",
              "hold", "horn", "note"});
    if (!action.reverser && !action.brake && !action.power && !action.door && !action.keyDown && !action.keyUp &&
        !action.press && !action.horn) {
        d.fail("[[driver]] does nothing: give at least one of reverser, brake, power, door, key_down, key_up, press, horn");
    }
    return action;
}

Quantity readQuantity(TableReader& e) {
    const auto text = e.string("value");
    if (!text) e.fail("[[expect]] needs 'value' (e.g. \"panel 72\", \"sound 0\", \"brake\", \"Sentrel brake\", \"speed\") or 'stop_at'");
    Quantity q;
    q.text = *text;
    std::istringstream words(*text);
    std::string first, second, rest;
    words >> first >> second >> rest;
    const auto bad = [&e, &text] {
        e.failAt("value", fmt::format("'value' in [[expect]] cannot be read: \"{}\"; expected \"panel N\", \"sound N\" "
                                      "(N 0..255), \"brake\", \"power\", \"reverser\", \"speed\", \"location\", or a "
                                      "plug-in name followed by brake, power or reverser",
                                      *text));
    };
    if (!rest.empty()) bad();
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
        if (first == "brake") q.kind = Quantity::Kind::Brake;
        else if (first == "power") q.kind = Quantity::Kind::Power;
        else if (first == "reverser") q.kind = Quantity::Kind::Reverser;
        else if (first == "speed") q.kind = Quantity::Kind::Speed;
        else if (first == "location") q.kind = Quantity::Kind::Location;
        else bad();
        return q;
    }
    q.index = pluginIndex(first);
    if (q.index < 0) bad();
    if (second == "brake") q.kind = Quantity::Kind::PluginBrake;
    else if (second == "power") q.kind = Quantity::Kind::PluginPower;
    else if (second == "reverser") q.kind = Quantity::Kind::PluginReverser;
    else bad();
    return q;
}

Trigger spanEnd(TableReader& e, const char* key, const toml::node& node) {
    Trigger trigger;
    trigger.line = e.line();
    if (std::string(key) == "during_time") {
        trigger.kind = Trigger::Kind::TimeOfDay;
        trigger.ms = clockOrFail(e, key, node);
        return trigger;
    }
    const auto value = TableReader::asNumber(node);
    if (!value || !std::isfinite(*value)) {
        e.failAt(key, fmt::format("'{}' in [[expect]] must be two numbers [from, to]", key));
    }
    if (std::string(key) == "during") {
        if (*value < 0.0) e.failAt(key, "'during' in [[expect]] counts seconds after the start, from 0 on");
        trigger.kind = Trigger::Kind::AfterStart;
        trigger.ms = std::llround(*value * 1000.0);
    } else {
        trigger.kind = Trigger::Kind::Location;
        trigger.location = *value;
    }
    return trigger;
}

Expectation readExpectation(TableReader e, const Route& route) {
    Expectation x;
    x.line = e.line();
    x.note = e.string("note").value_or("");
    if (auto station = e.string("stop_at")) {
        const bool known = std::any_of(route.stations.begin(), route.stations.end(),
                                       [&](const Station& s) { return s.name == *station; });
        if (!known) e.failAt("stop_at", fmt::format("'stop_at' in [[expect]] names no [[route.station]]: \"{}\"", *station));
        x.timing = Expectation::Timing::StationStop;
        x.station = *station;
        x.within = e.number("within", 0.0, 1.0e4).value_or(2.0);
        e.finish({"stop_at", "within", "note"});
        return x;
    }
    x.quantity = readQuantity(e);

    if (auto v = e.number("equals")) x.low = x.high = v;
    if (auto v = e.number("at_least")) x.low = v;
    if (auto v = e.number("at_most")) x.high = v;
    if (auto bounds = e.pair("between")) {
        const auto low = TableReader::asNumber(*(*bounds)[0]);
        const auto high = TableReader::asNumber(*(*bounds)[1]);
        if (!low || !high || *low > *high) e.failAt("between", "'between' in [[expect]] must be [low, high] with low <= high");
        x.low = low;
        x.high = high;
    }
    // cppcheck's value flow gives up on this sum with an internal error, not a finding.
    // cppcheck-suppress cppcheckError
    const int32_t comparisons = int32_t{e.has("equals")} + int32_t{e.has("at_least") || e.has("at_most")} +
                                int32_t{e.has("between")};
    if (comparisons != 1) {
        e.fail("[[expect]] needs one comparison: 'equals', 'at_least' and/or 'at_most', or 'between'");
    }
    if (x.low && x.high && *x.low > *x.high) e.fail("[[expect]]: 'at_least' is above 'at_most'");

    const bool atEnd = e.boolean("at_end").value_or(false);
    const bool sometime = e.boolean("sometime").value_or(false);
    int32_t spans = 0;
    for (const char* key : {"during", "during_time", "during_location"}) {
        if (auto ends = e.pair(key)) {
            x.from = spanEnd(e, key, *(*ends)[0]);
            x.to = spanEnd(e, key, *(*ends)[1]);
            const bool reversed = x.from.kind == Trigger::Kind::Location ? x.from.location > x.to.location
                                                                           : x.from.ms > x.to.ms;
            if (reversed) e.failAt(key, fmt::format("'{}' in [[expect]] must run from the earlier to the later end", key));
            ++spans;
        }
    }
    const bool instant = e.has("after") || e.has("time") || e.has("location");
    if (spans + int32_t{atEnd} + int32_t{instant} != 1) {
        e.fail("[[expect]] needs exactly one of: 'after', 'time', 'location' (an instant), 'at_end = true', or a span "
               "'during' (s), 'during_time', 'during_location'");
    }
    if (spans == 1) {
        x.timing = sometime ? Expectation::Timing::Sometime : Expectation::Timing::Throughout;
    } else {
        if (sometime) e.failAt("sometime", "'sometime' in [[expect]] goes with a span (during, during_time, during_location)");
        if (atEnd) {
            x.timing = Expectation::Timing::AtEnd;
        } else {
            x.timing = Expectation::Timing::Instant;
            x.from = readTrigger(e, std::nullopt);
        }
    }
    e.finish({"value", "equals", "at_least", "at_most", "between", "after", "time", "location", "at_end", "during",
              "during_time", "during_location", "sometime", "note", "stop_at", "within"});
    return x;
}

Scenario readScenario(const toml::table& root, const std::string& file) {
    Scenario scenario;
    scenario.path = file;
    TableReader top(root, "the scenario", file, 1);
    scenario.name = top.string("name").value_or(utf8Text(pathFromUtf8(file).stem()));
    scenario.description = top.string("description").value_or("");

    const auto section = [&](const char* key) -> const toml::table* {
        const toml::node* node = top.node(key);
        if (node == nullptr) return nullptr;
        return &tableOrFail(*node, fmt::format("[{}]", key), file);
    };
    if (const auto* t = section("train")) readTrain(TableReader(*t, "[train]", file, 1), scenario.train);
    if (const auto* t = section("start")) readStart(TableReader(*t, "[start]", file, 1), scenario.start, scenario.train);
    if (const auto* t = section("run")) readRun(TableReader(*t, "[run]", file, 1), scenario.run);
    if (const auto* t = section("route")) readRoute(TableReader(*t, "[route]", file, 1), scenario.route, file);
    forEachTable(top.node("driver"), "driver", file, [&](const toml::table& t) {
        scenario.driver.push_back(readDriverAction(TableReader(t, "[[driver]]", file, 1), scenario.train));
    });
    forEachTable(top.node("panel"), "panel", file, [&](const toml::table& t) {
        TableReader p(t, "[[panel]]", file, 1);
        PanelStandIn standIn;
        Trigger fromStart;
        fromStart.line = p.line();
        standIn.when = readTrigger(p, fromStart);
        const auto slot = p.int32("slot");
        const auto value = p.int32("value");
        if (!slot || !value) p.fail("[[panel]] needs 'slot' and 'value'");
        if (*slot != 201 && *slot != 231 && *slot != 232) {
            p.failAt("slot", fmt::format("'slot' in [[panel]] must be 201, 231 or 232 (the slots the outside component "
                                         "writes), not {}",
                                         *slot));
        }
        standIn.slot = *slot;
        standIn.value = *value;
        p.finish({"slot", "value", "after", "time", "location"});
        scenario.panel.push_back(standIn);
    });
    forEachTable(top.node("expect"), "expect", file, [&](const toml::table& t) {
        scenario.expectations.push_back(readExpectation(TableReader(t, "[[expect]]", file, 1), scenario.route));
    });
    top.finish({"name", "description", "train", "start", "run", "route", "driver", "panel", "expect"});

    if (scenario.train.checkNotch > scenario.train.emergencyNotch()) {
        throw ScenarioError(file, 1, "'check_notch' in [train] is above the emergency notch");
    }
    if (scenario.start.brake && *scenario.start.brake > scenario.train.emergencyNotch()) {
        throw ScenarioError(file, 1, "'brake' in [start] is above the emergency notch");
    }
    return scenario;
}

}  // namespace

ScenarioError::ScenarioError(std::string file, int32_t line, const std::string& message)
    : std::runtime_error(fmt::format("{}:{}: {}", file, line, message)), file_(std::move(file)), line_(line) {}

Scenario parseScenarioText(std::string_view text, const std::string& path) {
    toml::table root;
    try {
        root = toml::parse(text, path);
    } catch (const toml::parse_error& error) {
        throw ScenarioError(path, static_cast<int32_t>(error.source().begin.line),
                            fmt::format("not valid TOML: {}", error.description()));
    }
    return readScenario(root, path);
}

Scenario parseScenarioFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(utf8Text(path), 0, "cannot read the file");
    std::ostringstream text;
    text << in.rdbuf();
    return parseScenarioText(text.str(), utf8Text(path));
}

}  // namespace cabkit::sim
