#include "cab_layout.h"

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cab_contract_index.h"
#include "cabrix/cabrix_rules.h"
#include "sound_commands.h"

namespace cabkit::sim {
namespace {

using nlohmann::ordered_json;
namespace cabrix = contract::cabrix;
namespace velorin = contract::velorin;

std::string panelId(int32_t slot) { return fmt::format("p{}", slot); }
std::string soundId(int32_t slot) { return fmt::format("s{}", slot); }

// The slot of one plug-in's table (or of the exchanged ones) with this label.
const contract::PanelSlot& labelled(std::span<const contract::PanelSlot> rows, std::string_view label) {
    for (const contract::PanelSlot& row : rows) {
        if (label == row.label) return row;
    }
    throw std::logic_error(fmt::format("the cab contract names no slot \"{}\"", label));
}

// The code a display shows for an empty field, when the table gives one ("60 blank").
std::optional<int32_t> blankCode(const contract::PanelSlot& row) {
    const std::string_view values = wordsOf(row).values;
    const std::size_t at = values.find(" blank");
    if (at == std::string_view::npos) return std::nullopt;
    std::size_t start = at;
    while (start > 0 && values[start - 1] >= '0' && values[start - 1] <= '9') --start;
    if (start == at) return std::nullopt;
    int32_t code = 0;
    for (std::size_t i = start; i < at; ++i) code = code * 10 + (values[i] - '0');
    return code;
}

// Lamps the eye should catch first are red; the ones that say "all is
// well" green; the rest amber.
const char* lampColour(std::string_view label) {
    for (const char* red : {"alarm lamp", "emergency-brake lamp", "brake-override lamp", "rollback lamp"}) {
        if (label == red) return "#ff4040";
    }
    for (const char* green : {"normal lamp", "active lamp", "supervising lamp"}) {
        if (label == green) return "#49e36b";
    }
    return "#ffb02e";
}

// Builds one plug-in's part of the panel and remembers which slots it placed,
// so that whatever no instrument shows still appears as a lamp or a value.
class GroupBuilder {
public:
    GroupBuilder(const char* plugin, const char* role) {
        group_["plugin"] = plugin;
        group_["role"] = role;
        group_["instruments"] = ordered_json::array();
    }

    ordered_json cell(const contract::PanelSlot& row, const char* format = "int", const char* before = nullptr) {
        placed_.insert(row.slot);
        ordered_json c = {{"slot", panelId(row.slot)}, {"name", row.label}, {"format", format}};
        if (const auto blank = blankCode(row)) c["blank"] = *blank;
        if (before != nullptr) c["before"] = before;
        return c;
    }
    void instrument(ordered_json described) { group_["instruments"].push_back(std::move(described)); }
    void place(int32_t slot) { placed_.insert(slot); }

    // The remaining slots of `rows` as lamps and values, then the sounds.
    ordered_json finish(std::span<const contract::PanelSlot> rows, std::span<const contract::SoundSlot> sounds) {
        ordered_json lamps = ordered_json::array();
        ordered_json values = ordered_json::array();
        for (const contract::PanelSlot& row : rows) {
            if (placed_.count(row.slot) != 0) continue;
            if (row.display == contract::Display::Lamp) {
                lamps.push_back({{"slot", panelId(row.slot)}, {"name", row.label}, {"color", lampColour(row.label)}});
            } else {
                values.push_back({{"slot", panelId(row.slot)}, {"name", row.label}});
            }
        }
        ordered_json sound = ordered_json::array();
        for (const contract::SoundSlot& row : sounds)
            sound.push_back({{"slot", soundId(row.slot)}, {"name", row.label}});
        group_["lamps"] = lamps;
        group_["values"] = values;
        group_["sounds"] = sound;
        return group_;
    }

private:
    ordered_json group_;
    std::set<int32_t> placed_;
};

// A slot whose values 0, 1, 2... each have a name, in that order.
ordered_json statesOf(const contract::PanelSlot& row, std::initializer_list<const char*> labels, const char* caption) {
    ordered_json list = ordered_json::array();
    int32_t value = 0;
    for (const char* label : labels) list.push_back({{"value", value++}, {"label", label}});
    return {{"type", "states"}, {"caption", caption}, {"slot", panelId(row.slot)}, {"states", list}};
}

// The exchanged slots one party writes alone.
std::vector<contract::PanelSlot> sharedWrittenBy(contract::Parties writers) {
    std::vector<contract::PanelSlot> rows;
    for (const contract::PanelSlot& row : sharedPanelSlots()) {
        if (row.writers == writers) rows.push_back(row);
    }
    return rows;
}

std::vector<contract::PanelSlot> ownAndShared(contract::Party plugin) {
    std::vector<contract::PanelSlot> rows(ownPanelSlots(plugin).begin(), ownPanelSlots(plugin).end());
    const auto shared = sharedWrittenBy(plugin);
    rows.insert(rows.end(), shared.begin(), shared.end());
    return rows;
}

ordered_json velorinGroup() {
    const auto rows = ownAndShared(contract::kVelorin);
    const auto slot = [&rows](std::string_view label) -> const contract::PanelSlot& { return labelled(rows, label); };
    GroupBuilder g("Velorin", "vehicle");
    const auto& mode = slot("operating mode");
    g.place(mode.slot);
    g.instrument(statesOf(mode, {"0", "1", "2"}, "operating mode"));
    g.instrument({{"type", "digits"},
                  {"caption", "clock"},
                  {"cells",
                   {g.cell(slot("clock hours"), "two"), g.cell(slot("clock minutes"), "two", ":"),
                    g.cell(slot("clock seconds"), "two", ":")}}});
    // The date slots carry the day and the month plus one.
    ordered_json day = g.cell(slot("day"), "offset");
    ordered_json month = g.cell(slot("month"), "offset", ".");
    day["offset"] = 1;
    month["offset"] = 1;
    g.instrument({{"type", "digits"}, {"caption", "date"}, {"cells", {day, month}}});
    const auto& current = slot("current indicator");
    g.place(current.slot);
    g.instrument(statesOf(current, {"idle", "drawing", "returning"}, "current"));
    g.instrument({{"type", "digits"},
                  {"caption", "route distance, km"},
                  {"cells", {g.cell(slot("distance km")), g.cell(slot("distance hundreds digit"), "int", ".")}}});
    g.instrument(
        {{"type", "digits"},
         {"caption", "number field"},
         {"cells",
          {g.cell(slot("number field leading code")), g.cell(slot("number field thousands digit"), "digit", " "),
           g.cell(slot("number field hundreds digit"), "digit"), g.cell(slot("number field tens digit"), "digit"),
           g.cell(slot("number field units digit"), "digit"),
           g.cell(slot("number field trailing code"), "int", " ")}}});
    g.instrument({{"type", "board"},
                  {"caption", "timetable header"},
                  {"columns", {"code", "h", "m", "s", "value", "extra"}},
                  {"rows",
                   {{{"name", "header"},
                     {"cells",
                      {g.cell(slot("timetable header code")), g.cell(slot("timetable header hours"), "two"),
                       g.cell(slot("timetable header minutes"), "two"), g.cell(slot("timetable header seconds"), "two"),
                       g.cell(slot("timetable header value")), g.cell(slot("extra code"))}}}}}});
    ordered_json timetableRows = ordered_json::array();
    for (int row = 1; row <= 3; ++row) {
        const auto named = [&](const char* what) -> const contract::PanelSlot& {
            return slot(fmt::format("row {} {}", row, what));
        };
        ordered_json cells = {g.cell(named("stop code")),
                              g.cell(named("first time hours"), "two"),
                              g.cell(named("first time minutes"), "two"),
                              g.cell(named("first time seconds"), "two"),
                              g.cell(named("second time hours"), "two"),
                              g.cell(named("second time minutes"), "two"),
                              g.cell(named("second time seconds"), "two"),
                              g.cell(named("code pair first")),
                              g.cell(named("code pair second"), "two")};
        // The third row has no duration.
        if (row < 3) {
            cells.push_back(g.cell(named("duration minutes")));
            cells.push_back(g.cell(named("duration seconds"), "two"));
        } else {
            cells.push_back(nullptr);
            cells.push_back(nullptr);
        }
        cells.push_back(g.cell(named("stop mark")));
        timetableRows.push_back({{"name", fmt::format("row {}", row)}, {"cells", cells}});
    }
    g.instrument({{"type", "board"},
                  {"caption", "timetable"},
                  {"columns", {"stop", "h", "m", "s", "h", "m", "s", "pair", "", "min", "s", "mark"}},
                  {"rows", timetableRows}});
    return g.finish(rows, soundSlotsOf(contract::kVelorin));
}

// What Cabrix permits, for the page to mark on the speedometer: by mode,
// the speed of each code; null where the last permitted speed holds.
ordered_json permittedSpeeds(const std::vector<contract::PanelSlot>& rows) {
    ordered_json byMode = ordered_json::array();
    for (int32_t mode = 0; mode <= 2; ++mode) {
        ordered_json speeds = ordered_json::object();
        for (const cabrix::CabSignalCode& code : cabSignalCodes()) {
            const int32_t speed = cabrix::permittedSpeed(mode, code.code);
            speeds[std::to_string(code.code)] =
                speed == cabrix::kKeepsPrevious ? ordered_json(nullptr) : ordered_json(speed);
        }
        byMode.push_back({{"mode", mode}, {"speeds", speeds}});
    }
    return {{"active", panelId(labelled(rows, "active lamp").slot)},
            {"mode", panelId(labelled(rows, "mode").slot)},
            {"code", panelId(labelled(rows, "cab-signal code").slot)},
            {"fixedLimit", panelId(labelled(rows, "fixed-limit lamp").slot)},
            {"fixedKmh", cabrix::kFixedLimit},
            {"stop", cabrix::kStop},
            {"byMode", byMode}};
}

ordered_json cabrixGroup() {
    const auto rows = ownAndShared(contract::kCabrix);
    GroupBuilder g("Cabrix", "cab-signal speed control");
    // The code indicators sit by the speedometer, each with the speed its code permits in mode 2.
    ordered_json indicators = ordered_json::array();
    int32_t fastest = 0;
    for (const cabrix::CabSignalCode& code : cabSignalCodes()) {
        const int32_t slot = cabrix::indicatorSlot(code);
        fastest = std::max(fastest, code.permittedModeTwo);
        if (slot < 0) continue;
        g.place(slot);
        indicators.push_back(
            {{"slot", panelId(slot)}, {"name", code.indicator}, {"code", code.code}, {"kmh", code.permittedModeTwo}});
    }
    const auto& code = labelled(rows, "cab-signal code");
    g.place(code.slot);
    // A scale half again above the fastest code, in whole 20 km/h.
    const int32_t top = (fastest * 3 / 2 + 19) / 20 * 20;
    g.instrument({{"type", "speedometer"},
                  {"caption", "speed"},
                  {"maxKmh", top},
                  {"code", {{"slot", panelId(code.slot)}, {"name", "code"}}},
                  {"indicators", indicators}});
    const auto& mode = labelled(rows, "mode");
    g.place(mode.slot);
    g.instrument(statesOf(mode, {"0", "1", "2"}, "mode"));
    return g.finish(rows, soundSlotsOf(contract::kCabrix));
}

ordered_json sentrelGroup() {
    GroupBuilder g("Sentrel", "train stop");
    return g.finish(ownPanelSlots(contract::kSentrel), soundSlotsOf(contract::kSentrel));
}

// The slots written from outside the three, and the one two plug-ins write.
ordered_json sharedGroup() {
    std::vector<contract::PanelSlot> rows;
    for (const contract::PanelSlot& row : sharedPanelSlots()) {
        const bool oneWriter = row.writers == contract::kVelorin || row.writers == contract::kCabrix;
        if (!oneWriter) rows.push_back(row);
    }
    GroupBuilder g("outside and shared", "written from outside, or by two plug-ins");
    return g.finish(rows, {});
}

}  // namespace

std::string cabLayoutJson() { return cabLayoutJson(OtherSlots{}, SlotLayout{}); }

std::string cabLayoutJson(const OtherSlots& others, const SlotLayout& layout) {
    ordered_json root;
    root["groups"] = {cabrixGroup(), sentrelGroup(), velorinGroup(), sharedGroup()};
    if (!others.plugins.empty()) {
        ordered_json lamps = ordered_json::array();
        ordered_json values = ordered_json::array();
        ordered_json sounds = ordered_json::array();
        for (const int32_t slot : others.panel) {
            const LayoutSlot* named = layout.panelSlot(slot);
            const std::string name = named != nullptr ? named->name : fmt::format("panel {}", slot);
            if (named != nullptr && named->lamp) {
                lamps.push_back({{"slot", panelId(slot)}, {"name", name}, {"color", lampColour(name)}});
            } else {
                values.push_back({{"slot", panelId(slot)}, {"name", name}});
            }
        }
        for (const int32_t slot : others.sound) {
            const LayoutSlot* named = layout.soundSlot(slot);
            sounds.push_back({{"slot", soundId(slot)}, {"name", named != nullptr ? named->name : soundId(slot)}});
        }
        root["groups"].push_back({{"plugin", others.plugins},
                                  {"role", "no contract of ours; slots by number or by the layout's names"},
                                  {"instruments", ordered_json::array()},
                                  {"lamps", lamps},
                                  {"values", values},
                                  {"sounds", sounds}});
    }
    root["permitted"] = permittedSpeeds(ownAndShared(contract::kCabrix));
    root["soundCommands"] = {{"stop", CABKIT_SOUND_STOP},
                             {"loop", CABKIT_SOUND_LOOP},
                             {"once", CABKIT_SOUND_PLAY_ONCE},
                             {"unchanged", CABKIT_SOUND_UNCHANGED}};
    return root.dump();
}

}  // namespace cabkit::sim
