#include "reference_markdown.h"

#include <cstdint>
#include <span>
#include <vector>

#include <fmt/format.h>

#include "cab_contract_index.h"
#include "sound_commands.h"
#include "velorin/velorin_rules.h"

namespace cabkit::sim {
namespace {

namespace velorin = contract::velorin;
namespace cabrix = contract::cabrix;

namespace sentrel = contract::sentrel;

struct PluginSection {
    contract::Party party;
    const char* role;
};

constexpr PluginSection kSections[] = {
    {contract::kVelorin, velorin::kRole},
    {contract::kSentrel, sentrel::kRole},
    {contract::kCabrix, cabrix::kRole},
};

// A table cell: the text with any pipe escaped.
std::string cell(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '|') out += '\\';
        out += c;
    }
    return out;
}

std::string orDash(std::string_view text) { return text.empty() ? std::string("-") : cell(text); }

std::string fieldsRead(contract::BeaconFields fields) {
    std::vector<std::string> names;
    if ((fields & contract::kSignalField) != 0) names.emplace_back("signal");
    if ((fields & contract::kOptionalField) != 0) names.emplace_back("optional");
    if ((fields & contract::kDistanceField) != 0) names.emplace_back("distance");
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? std::string("-") : text;
}

const char* playName(contract::Play play) {
    switch (play) {
        case contract::Play::Looping: return "looping";
        case contract::Play::OneShot: return "once";
        case contract::Play::Strokes: return "repeated strokes";
    }
    return "";
}

std::string speedText(int32_t speed) {
    if (speed == cabrix::kKeepsPrevious) return "the last permitted speed holds";
    if (speed == cabrix::kStop) return "-1 (stop)";
    return fmt::format("{}", speed);
}

std::string aspectText(int32_t aspect) {
    if (aspect == cabrix::kAnyOtherAspect) return "any other";
    if (aspect == cabrix::kNoAspect) return "none";
    return fmt::format("{}", aspect);
}

void keys(std::string& out, contract::Party plugin) {
    const auto rows = keysOf(plugin);
    if (rows.empty()) return;
    out += "### Keys\n\n| Key | Name | Taken when | Pressed | Released |\n|---|---|---|---|---|\n";
    for (const contract::Key& row : rows) {
        out += fmt::format("| {} | {} | {} | {} | {} |\n", row.key, cell(row.label),
                           std::string_view(row.condition).empty() ? std::string("always") : cell(row.condition),
                           cell(row.pressed), orDash(row.released));
    }
    out += "\n";
}

void beaconTable(std::string& out, contract::Party plugin) {
    const auto rows = beaconsOf(plugin);
    if (rows.empty()) {
        out += "### Beacons\n\nReads no beacon type.\n\n";
        return;
    }
    out += "### Beacons\n\n| Type | Name | Reads | Values | Taken | Effect |\n|---|---|---|---|---|---|\n";
    for (const contract::Beacon& row : rows) {
        out += fmt::format("| {} | {} | {} | {} | {} | {} |\n", row.type, cell(row.label), fieldsRead(row.fields),
                           orDash(row.units), contract::describe(row.taken), cell(row.effect));
    }
    out += "\n";
}

void panelRows(std::string& out, std::span<const contract::PanelSlot> rows) {
    out += "| Slot | Name | Values | Written | Meaning |\n|---|---|---|---|---|\n";
    for (const contract::PanelSlot& row : rows) {
        out += fmt::format("| {} | {}{} | {} | {} | {} |\n", row.slot, cell(row.label),
                           row.display == contract::Display::Lamp ? " (lamp)" : "", cell(row.values), cell(row.written),
                           cell(row.meaning));
    }
    out += "\n";
}

// Grouped by the part of the cab, in the order the groups first appear.
void panelTable(std::string& out, contract::Party plugin) {
    const auto rows = ownPanelSlots(plugin);
    out += "### Panel slots\n\n";
    std::vector<std::string_view> groups;
    for (const contract::PanelSlot& row : rows) {
        bool seen = false;
        for (std::string_view group : groups) seen = seen || group == row.group;
        if (!seen) groups.emplace_back(row.group);
    }
    for (std::string_view group : groups) {
        std::vector<contract::PanelSlot> members;
        for (const contract::PanelSlot& row : rows) {
            if (group == row.group) members.push_back(row);
        }
        out += fmt::format("#### {}\n\n", group);
        panelRows(out, members);
    }
    std::vector<std::string> shared;
    for (const contract::PanelSlot& row : sharedPanelSlots()) {
        const bool writes = (row.writers & plugin) != 0;
        const bool reads = (row.readers & plugin) != 0;
        if (writes || reads) {
            shared.push_back(fmt::format("{} ({}, {})", row.slot, row.label, writes ? "writes" : "reads"));
        }
    }
    if (!shared.empty()) {
        std::string list;
        for (const std::string& item : shared) list += (list.empty() ? "" : "; ") + item;
        out += fmt::format(
            "Exchanged slots (see [the slots the plug-ins exchange](#slots-the-plug-ins-exchange)): "
            "{}.\n\n",
            list);
    }
}

void soundTable(std::string& out, contract::Party plugin) {
    out += "### Sound slots\n\n| Slot | Name | Played | Commands | Meaning |\n|---|---|---|---|---|\n";
    for (const contract::SoundSlot& row : soundSlotsOf(plugin)) {
        out += fmt::format("| {} | {} | {} | {} | {} |\n", row.slot, cell(row.label), playName(row.play),
                           cell(row.commands), cell(row.meaning));
    }
    out += "\n";
}

void velorinExtras(std::string& out) {
    out += fmt::format("### Power handle to power notch\n\n{}\n\n", velorin::kPowerNotchesNote);
    out += "| Power handle | Mode 0 | Mode 1 | Mode 2 |\n|---|---|---|---|\n";
    for (const velorin::PowerMapping& row : velorin::kPowerMappings) {
        out += fmt::format("| {} | {} | {} | {} |\n", row.handle, row.notchByMode[0], row.notchByMode[1],
                           row.notchByMode[2]);
    }
    out += "| any other | unchanged | unchanged | unchanged |\n\n";
    out += fmt::format("### The controller's speed for each cab-signal code\n\n{}\n\n", velorin::kAtoSignalSpeedsNote);
    out += "| Slot 72 | Controller code | Speed allowed (km/h) |\n|---|---|---|\n";
    for (const velorin::AtoSignalSpeed& row : atoSignalSpeeds()) {
        out += fmt::format("| {} | {} | {} |\n", row.cabSignalCode, row.controllerCode, row.speed);
    }
    out += "\n";
}

void sentrelExtras(std::string& out) {
    out += fmt::format("### Settings file\n\n{}\n\n", sentrel::kSettingsNote);
    out += "| File | Section | Key | Default | Meaning |\n|---|---|---|---|---|\n";
    for (const contract::Setting& row : settings()) {
        out += fmt::format("| `{}` | `{}` | `{}` | {} | {} |\n", row.file, row.section, row.key, row.fallback,
                           cell(row.meaning));
    }
    out += "\n";
}

void cabrixExtras(std::string& out) {
    out += fmt::format("### Aspects, codes and permitted speeds\n\n{}\n\n", cabrix::kCabSignalCodesNote);
    out +=
        "| Aspect | Code | Received | Indicator | Mode 0 (km/h) | Mode 1 (km/h) | Mode 2 (km/h) |\n"
        "|---|---|---|---|---|---|---|\n";
    for (const cabrix::CabSignalCode& row : cabSignalCodes()) {
        const int32_t indicator = cabrix::indicatorSlot(row);
        out += fmt::format("| {} | {} | {} | {} | {} | {} | {} |\n", aspectText(row.aspect), row.code,
                           row.received ? "yes" : "no", indicator >= 0 ? fmt::format("slot {}", indicator) : "-",
                           speedText(row.permittedModeZero), speedText(row.permittedModeOne),
                           speedText(row.permittedModeTwo));
    }
    out += "\n";
}

void pluginSection(std::string& out, const PluginSection& section, const char* heading) {
    out += fmt::format("{} {}\n\n{}\n\n", heading, contract::partyName(section.party), section.role);
    keys(out, section.party);
    beaconTable(out, section.party);
    panelTable(out, section.party);
    soundTable(out, section.party);
    if (section.party == contract::kVelorin) velorinExtras(out);
    if (section.party == contract::kSentrel) sentrelExtras(out);
    if (section.party == contract::kCabrix) cabrixExtras(out);
}

void sharedSection(std::string& out, contract::Parties involving) {
    out += fmt::format("## Slots the plug-ins exchange\n\n{}\n\n", contract::kSharedPanelSlotsNote);
    out += "| Slot | Name | Written by | Read by | Values | Written | Meaning |\n|---|---|---|---|---|---|---|\n";
    for (const contract::PanelSlot& row : sharedPanelSlots()) {
        if (((row.writers | row.readers) & involving) == 0) continue;
        out += fmt::format("| {} | {} | {} | {} | {} | {} | {} |\n", row.slot, cell(row.label),
                           partiesName(row.writers), row.readers == contract::kNobody ? "-" : partiesName(row.readers),
                           cell(row.values), cell(row.written), cell(row.meaning));
    }
    out += "\n";
}

}  // namespace

std::optional<std::string> referenceMarkdown(std::string_view plugin) {
    std::string out;
    if (plugin.empty()) {
        out +=
            "# Cab contract reference\n\n"
            "<!-- The output of `simhost reference`; a test fails when the two differ. -->\n\n"
            "What each plug-in answers and shows: the keys it handles, the beacon types it reads, the panel "
            "slots and sound slots it writes and the slots the plug-ins exchange. Vehicle authors build the cab "
            "panel and the sound set from it, route authors place beacons by it. How to use these in a route, "
            "with worked examples, is in [the authoring guide](authoring.md).\n\n";
        out += fmt::format("Conventions used throughout:\n\n{}", contract::kConventions);
        out +=
            "\nContents: [Velorin](#velorin), [Sentrel](#sentrel), [Cabrix](#cabrix), "
            "[slots the plug-ins exchange](#slots-the-plug-ins-exchange).\n\n";
        for (const PluginSection& section : kSections) pluginSection(out, section, "##");
        sharedSection(out, static_cast<contract::Parties>(contract::kVelorin | contract::kSentrel | contract::kCabrix |
                                                          contract::kOutside));
        return out;
    }
    for (const PluginSection& section : kSections) {
        if (plugin != contract::partyName(section.party)) continue;
        out += fmt::format("# Cab contract reference: {}\n\n", plugin);
        out += fmt::format("Conventions used throughout:\n\n{}\n", contract::kConventions);
        pluginSection(out, section, "##");
        sharedSection(out, section.party);
        return out;
    }
    return std::nullopt;
}

}  // namespace cabkit::sim
