#include "run_names.h"

#include <algorithm>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "cab_contract_index.h"
#include "scenario_error.h"

namespace cabkit::sim {
namespace {

bool loaded(const RunSpec& run, int32_t index) {
    return std::find(run.order.begin(), run.order.end(), index) != run.order.end();
}

std::string loadedList(const RunSpec& run) {
    std::string list;
    for (const int32_t index : run.order) {
        list += fmt::format("{}{}", list.empty() ? "" : ", ", run.plugins[static_cast<std::size_t>(index)]);
    }
    return list;
}

// The index of the plug-in an expectation names (by name, else as parsed),
// which the run must load.
int32_t loadedPlugin(const Scenario& s, int32_t line, std::string_view key, const std::string& text,
                     const std::string& name, int32_t index) {
    if (!name.empty()) {
        const auto it = std::find(s.run.plugins.begin(), s.run.plugins.end(), name);
        index = it == s.run.plugins.end() ? -1 : static_cast<int32_t>(it - s.run.plugins.begin());
    }
    if (index < 0 || !loaded(s.run, index)) {
        throw ScenarioError(s.path, line,
                            fmt::format("'{}' \"{}\" names a plug-in this run does not load (it loads {})", key, text,
                                        loadedList(s.run)));
    }
    return index;
}

bool namesPlugin(Quantity::Kind kind) {
    switch (kind) {
        case Quantity::Kind::PluginBrake:
        case Quantity::Kind::PluginPower:
        case Quantity::Kind::PluginReverser:
        case Quantity::Kind::PluginImposesBrake:
        case Quantity::Kind::PluginCutsPower: return true;
        default: return false;
    }
}

// Our tables name their slots whenever one of ours runs: a layout may not
// rename them then.
void checkLayout(const Scenario& s) {
    const bool ours = std::any_of(s.run.order.begin(), s.run.order.end(),
                                  [](int32_t index) { return index < static_cast<int32_t>(kPluginNames.size()); });
    if (!ours) return;
    for (const LayoutSlot& entry : s.layout.panel) {
        if (const contract::PanelSlot* row = findPanelSlot(entry.slot)) {
            throw ScenarioError(s.layout.file, entry.line,
                                fmt::format("panel slot {} is {}'s \"{}\" in its contract; a layout names only slots "
                                            "no plug-in of this run names",
                                            entry.slot, partiesName(row->writers), row->label));
        }
    }
    for (const LayoutSlot& entry : s.layout.sound) {
        if (const contract::SoundSlot* row = findSoundSlot(entry.slot)) {
            throw ScenarioError(
                s.layout.file, entry.line,
                fmt::format("sound slot {} is {}'s \"{}\" in its contract; a layout names only slots "
                            "no plug-in of this run names",
                            entry.slot, contract::partyName(static_cast<contract::Party>(row->writer)), row->label));
        }
    }
}

}  // namespace

void resolveNames(Scenario& s) {
    checkLayout(s);
    for (Expectation& x : s.expectations) {
        if (x.timing == Expectation::Timing::Events && (x.event.plugin >= 0 || !x.event.name.empty())) {
            x.event.plugin = loadedPlugin(s, x.line, "event", x.event.text, x.event.name, x.event.plugin);
            continue;
        }
        Quantity& q = x.quantity;
        if (namesPlugin(q.kind)) {
            q.index = loadedPlugin(s, x.line, "value", q.text, q.name, q.index);
        } else if ((q.kind == Quantity::Kind::Panel || q.kind == Quantity::Kind::Sound) && !q.name.empty()) {
            const bool panel = q.kind == Quantity::Kind::Panel;
            const LayoutSlot* slot = panel ? s.layout.panelNamed(q.name) : s.layout.soundNamed(q.name);
            if (slot == nullptr) {
                throw ScenarioError(
                    s.path, x.line,
                    s.layout.empty()
                        ? fmt::format("'value' \"{}\" names a slot, but no layout file names slots (--layout)", q.text)
                        : fmt::format("'value' \"{}\": the layout {} names no {} slot so", q.text, s.layout.file,
                                      panel ? "panel" : "sound"));
            }
            q.index = slot->slot;
        }
    }
}

}  // namespace cabkit::sim
