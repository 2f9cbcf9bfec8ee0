#include "scenario_schema.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "cab_contract_index.h"
#include "clock_text.h"
#include "expectation_language.h"
#include "printable_text.h"
#include "trigger_reading.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

// "201, 231 or 232": the slots the contract gives the outside component.
std::string outsideSlotList() {
    std::vector<int32_t> slots;
    for (const contract::PanelSlot& row : panelSlots()) {
        if (row.writers == contract::kOutside) slots.push_back(row.slot);
    }
    std::string list;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        list += fmt::format("{}{}", i == 0 ? "" : i + 1 == slots.size() ? " or " : ", ", slots[i]);
    }
    return list;
}

// Accelerations and decelerations of the train, km/h/s.
constexpr double kMaxAcceleration = 50.0;

// A notch above the emergency notch means nothing to the plug-ins.
void notchWithinEmergency(TableReader& r, const char* key, int32_t notch, const TrainSpec& train) {
    if (r.has(key) && notch > train.emergencyNotch()) {
        r.failAt(key, fmt::format("'{}' in [train] is notch {}, above the emergency notch {} (brake_notches + 1)", key,
                                  notch, train.emergencyNotch()));
    }
}

// The driver's power handle has the train's power_notches positions.
std::optional<int32_t> powerNotch(TableReader& r, const TrainSpec& train) {
    const auto power = r.int32("power", 0, 64);
    if (power && *power > train.powerNotches) {
        r.failAt("power", fmt::format("'power' in {} is notch {}, above the train's power_notches ({})", r.context(),
                                      *power, train.powerNotches));
    }
    return power;
}

void readTrain(TableReader r, TrainSpec& train) {
    if (auto v = r.int32("brake_notches", 1, 64)) train.brakeNotches = *v;
    if (auto v = r.int32("power_notches", 1, 64)) train.powerNotches = *v;
    if (auto v = r.int32("check_notch", 0, 65)) train.checkNotch = *v;
    if (auto v = r.int32("b67_notch", 0, 65)) train.b67Notch = *v;
    notchWithinEmergency(r, "check_notch", train.checkNotch, train);
    notchWithinEmergency(r, "b67_notch", train.b67Notch, train);
    if (auto v = r.int32("cars", 1, 100)) train.cars = *v;
    if (auto v = r.numbers("power_acceleration", 0, 0.0, kMaxAcceleration)) train.powerAcceleration = *v;
    if (auto v = r.numbers("brake_deceleration", static_cast<std::size_t>(train.brakeNotches), 0.0, kMaxAcceleration)) {
        train.brakeDeceleration = *v;
    } else if (train.brakeDeceleration.size() != static_cast<std::size_t>(train.brakeNotches)) {
        // Scale the default curve over the given notch count.
        train.brakeDeceleration.clear();
        for (int32_t notch = 1; notch <= train.brakeNotches; ++notch) {
            train.brakeDeceleration.push_back(4.0 * notch / train.brakeNotches);
        }
    }
    if (auto v = r.number("emergency_deceleration", 0.1, kMaxAcceleration)) train.emergencyDeceleration = *v;
    if (auto v = r.numbers("resistance", 3, 0.0, kMaxAcceleration)) {
        if ((*v)[1] > 1.0 || (*v)[2] > 0.1) {
            r.failAt("resistance",
                     "'resistance' in [train] is [a, b, c] with a in 0 .. 50, b in 0 .. 1, c in 0 .. 0.1");
        }
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
        const int64_t ms = readClock(r, "time", *time);
        if (ms >= kMsPerDay) r.failAt("time", "'time' in [start] must be before 24:00:00");
        start.timeOfDayMs = static_cast<int32_t>(ms);
    }
    if (auto v = r.number("location", -kMaxLocation, kMaxLocation)) start.location = *v;
    if (auto v = r.number("speed", -400.0, 400.0)) start.speed = *v;
    if (auto v = r.int32("reverser", -1, 1)) start.reverser = *v;
    if (auto v = powerNotch(r, train)) start.power = *v;
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

void readRun(TableReader r, RunSpec& run, const StartSpec& start) {
    if (auto v = r.number("duration", 0.001, 7.0 * 24 * 3600)) run.durationMs = std::llround(*v * 1000.0);
    if (auto v = r.number("end_location", -kMaxLocation, kMaxLocation)) {
        if (*v <= start.location) {
            r.failAt("end_location", fmt::format("'end_location' in [run] ({} m) must lie ahead of the start location "
                                                 "({} m): the run ends when the train reaches it running forward",
                                                 *v, start.location));
        }
        run.endLocation = *v;
    }
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
        if (*v != "zero" && *v != "keep")
            r.failAt("unwritten_panel", "'unwritten_panel' in [run] must be \"zero\" or \"keep\"");
        run.zeroUnwrittenPanel = *v == "zero";
    }
    r.finish({"duration", "end_location", "step_ms", "order", "unwritten_panel"});
}

// Two route entries that claim one place (or one name) leave it open which
// one holds: refused, naming both lines.
template <typename Key>
class OnceEach {
public:
    explicit OnceEach(const char* what) : what_(what) {}
    void claim(TableReader& r, const char* key, const Key& value, const std::string& shown) {
        const int32_t line = r.lineOfKey(key);
        const auto [it, fresh] = lines_.emplace(value, line);
        if (!fresh) {
            r.failAt(key, fmt::format("two {} have {} = {} (lines {} and {})", what_, key, shown, it->second, line));
        }
    }

private:
    const char* what_;
    std::map<Key, int32_t> lines_;
};

void readRoute(TableReader r, Route& route, const std::string& file, const RunClock& clock) {
    forEachTable(r.node("beacon"), "route.beacon", file, [&](const toml::table& table) {
        TableReader b(table, "[[route.beacon]]", file, r.line());
        Beacon beacon;
        beacon.line = b.line();
        const auto location = b.number("location", -kMaxLocation, kMaxLocation);
        const auto type = b.int32("type");
        if (!location || !type) b.fail("[[route.beacon]] needs 'location' (m) and 'type'");
        beacon.location = *location;
        beacon.data.type = *type;
        beacon.data.signal = b.int32("signal").value_or(0);
        beacon.data.optional = b.int32("optional").value_or(0);
        beacon.data.distance = static_cast<float>(b.number("distance", -1.0e6, 1.0e6).value_or(0.0));
        if (auto direction = b.string("direction")) {
            if (*direction == "forward")
                beacon.direction = Beacon::Direction::Forward;
            else if (*direction == "backward")
                beacon.direction = Beacon::Direction::Backward;
            else if (*direction == "both")
                beacon.direction = Beacon::Direction::Both;
            else
                b.failAt("direction", "'direction' in [[route.beacon]] must be \"forward\", \"backward\" or \"both\"");
        }
        b.finish({"location", "type", "signal", "optional", "distance", "direction"});
        route.beacons.push_back(beacon);
    });
    OnceEach<double> sectionStarts("[[route.section]]");
    forEachTable(r.node("section"), "route.section", file, [&](const toml::table& table) {
        TableReader s(table, "[[route.section]]", file, r.line());
        SignalSection section;
        const auto start = s.number("start", -kMaxLocation, kMaxLocation);
        const auto aspect = s.int32("aspect");
        if (!start || !aspect) s.fail("[[route.section]] needs 'start' (m) and 'aspect'");
        sectionStarts.claim(s, "start", *start, fmt::format("{}", *start));
        section.start = *start;
        section.aspect = *aspect;
        if (const toml::node* changes = s.node("changes")) {
            const auto* array = changes->as_array();
            if (array == nullptr)
                s.failAt("changes", "'changes' in [[route.section]] must be a list of { after|time|location, aspect }");
            for (const toml::node& element : *array) {
                TableReader c(tableOrFail(element, "each entry of 'changes'", file), "an aspect change", file,
                              s.line());
                AspectChange change;
                change.when = readTrigger(c, std::nullopt, clock);
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
    OnceEach<double> gradientStarts("[[route.gradient]]");
    forEachTable(r.node("gradient"), "route.gradient", file, [&](const toml::table& table) {
        TableReader g(table, "[[route.gradient]]", file, r.line());
        const auto start = g.number("start", -kMaxLocation, kMaxLocation);
        const auto perMille = g.number("per_mille", -200.0, 200.0);
        if (!start || !perMille) g.fail("[[route.gradient]] needs 'start' (m) and 'per_mille'");
        gradientStarts.claim(g, "start", *start, fmt::format("{}", *start));
        g.finish({"start", "per_mille"});
        route.gradients.push_back(Gradient{*start, *perMille});
    });
    OnceEach<std::string> stationNames("[[route.station]]");
    forEachTable(r.node("station"), "route.station", file, [&](const toml::table& table) {
        TableReader s(table, "[[route.station]]", file, r.line());
        const auto name = s.string("name");
        const auto location = s.number("location", -kMaxLocation, kMaxLocation);
        if (!name || name->empty() || !location) s.fail("[[route.station]] needs 'name' and 'location' (m)");
        const std::string shown = printable(*name);
        stationNames.claim(s, "name", shown, fmt::format("\"{}\"", shown));
        s.finish({"name", "location"});
        route.stations.push_back(Station{shown, *location});
    });
    r.finish({"beacon", "section", "gradient", "station"});

    const auto byLocation = [](const auto& a, const auto& b) { return a.location < b.location; };
    std::stable_sort(route.beacons.begin(), route.beacons.end(), byLocation);
    std::stable_sort(route.stations.begin(), route.stations.end(), byLocation);
    const auto byStart = [](const auto& a, const auto& b) { return a.start < b.start; };
    std::stable_sort(route.sections.begin(), route.sections.end(), byStart);
    std::stable_sort(route.gradients.begin(), route.gradients.end(), byStart);
}

DriverAction readDriverAction(TableReader d, const TrainSpec& train, const RunClock& clock) {
    DriverAction action;
    action.when = readTrigger(d, std::nullopt, clock);
    action.reverser = d.int32("reverser", -1, 1);
    if (const toml::node* brake = d.node("brake")) {
        const auto* word = brake->as_string();
        action.brake = (word != nullptr && word->get() == "emergency") ? train.emergencyNotch()
                                                                       : d.int32("brake", 0, train.emergencyNotch());
    }
    action.power = powerNotch(d, train);
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
    d.finish({"after", "time", "location", "reverser", "brake", "power", "door", "key_down", "key_up", "press", "hold",
              "horn", "note"});
    if (!action.reverser && !action.brake && !action.power && !action.door && !action.keyDown && !action.keyUp &&
        !action.press && !action.horn) {
        d.fail(
            "[[driver]] does nothing: give at least one of reverser, brake, power, door, key_down, key_up, press, "
            "horn");
    }
    return action;
}

PanelStandIn readStandIn(TableReader p, const RunClock& clock) {
    PanelStandIn standIn;
    Trigger fromStart;
    fromStart.line = p.line();
    standIn.when = readTrigger(p, fromStart, clock);
    const auto slot = p.int32("slot");
    const auto value = p.int32("value");
    if (!slot || !value) p.fail("[[panel]] needs 'slot' and 'value'");
    const contract::PanelSlot* row = findPanelSlot(*slot);
    if (row == nullptr || row->writers != contract::kOutside) {
        p.failAt("slot", fmt::format("'slot' in [[panel]] must be {} (the slots the outside component writes), not {}",
                                     outsideSlotList(), *slot));
    }
    standIn.slot = *slot;
    standIn.value = *value;
    p.finish({"slot", "value", "after", "time", "location"});
    return standIn;
}

// Driver entries run at their own times whatever their order in the file;
// one written after a later one is most often a slip, so the reader says so.
void warnOutOfTimeOrder(Scenario& scenario, const std::string& file, int64_t startTimeOfDayMs) {
    const DriverAction* latest = nullptr;
    int64_t latestMs = 0;
    for (const DriverAction& action : scenario.driver) {
        const Trigger& when = action.when;
        if (when.kind == Trigger::Kind::Location) continue;
        const int64_t ms = when.kind == Trigger::Kind::AfterStart ? when.ms : when.ms - startTimeOfDayMs;
        if (latest != nullptr && ms < latestMs) {
            scenario.warnings.push_back(printable(
                fmt::format("{}:{}: [[driver]] due {:.3f} s after the start is written after the one of line {}, due "
                            "{:.3f} s; each runs at its own time, so this one runs first",
                            file, when.line, static_cast<double>(ms) / 1000.0, latest->when.line,
                            static_cast<double>(latestMs) / 1000.0)));
        }
        if (latest == nullptr || ms > latestMs) {
            latest = &action;
            latestMs = ms;
        }
    }
}

}  // namespace

Scenario readScenario(const toml::table& root, const std::string& file) {
    Scenario scenario;
    scenario.path = printable(file);
    TableReader top(root, "the scenario", file, 1);
    scenario.name = printable(top.string("name").value_or(utf8Text(pathFromUtf8(file).stem())));
    scenario.description = printable(top.string("description").value_or(""));

    const auto section = [&](const char* key) -> const toml::table* {
        const toml::node* node = top.node(key);
        if (node == nullptr) return nullptr;
        return &tableOrFail(*node, fmt::format("[{}]", key), file);
    };
    // In this order whatever the file's: each section may depend on the ones before.
    if (const auto* t = section("train")) readTrain(TableReader(*t, "[train]", file, 1), scenario.train);
    if (const auto* t = section("start"))
        readStart(TableReader(*t, "[start]", file, 1), scenario.start, scenario.train);
    if (const auto* t = section("run")) readRun(TableReader(*t, "[run]", file, 1), scenario.run, scenario.start);
    const RunClock clock{scenario.start.timeOfDayMs, scenario.run.durationMs};
    if (const auto* t = section("route")) readRoute(TableReader(*t, "[route]", file, 1), scenario.route, file, clock);
    forEachTable(top.node("driver"), "driver", file, [&](const toml::table& t) {
        scenario.driver.push_back(readDriverAction(TableReader(t, "[[driver]]", file, 1), scenario.train, clock));
    });
    warnOutOfTimeOrder(scenario, file, scenario.start.timeOfDayMs);
    forEachTable(top.node("panel"), "panel", file, [&](const toml::table& t) {
        scenario.panel.push_back(readStandIn(TableReader(t, "[[panel]]", file, 1), clock));
    });
    forEachTable(top.node("expect"), "expect", file, [&](const toml::table& t) {
        scenario.expectations.push_back(readExpectation(TableReader(t, "[[expect]]", file, 1), scenario.route, clock));
        const Expectation& added = scenario.expectations.back();
        for (std::size_t i = 0; !added.id.empty() && i + 1 < scenario.expectations.size(); ++i) {
            if (scenario.expectations[i].id == added.id) {
                throw ScenarioError(file, added.line,
                                    fmt::format("'id' in [[expect]]: \"{}\" is already the id of the expectation at "
                                                "line {}",
                                                added.id, scenario.expectations[i].line));
            }
        }
    });
    top.finish({"name", "description", "train", "start", "run", "route", "driver", "panel", "expect"});
    return scenario;
}

}  // namespace cabkit::sim
