#include "slot_layout.h"

#include <algorithm>
#include <cctype>

#include <fmt/format.h>

#include "printable_text.h"
#include "scenario_parser.h"
#include "toml_reading.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

constexpr std::size_t kMaxNameLength = 40;
constexpr std::string_view kNameMarks = " -_.()/+#";

bool goodName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength || name.front() == ' ' || name.back() == ' ') return false;
    const auto allowed = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || kNameMarks.find(c) != std::string_view::npos;
    };
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    return std::all_of(name.begin(), name.end(), allowed) && !std::all_of(name.begin(), name.end(), digit);
}

const LayoutSlot* find(const std::vector<LayoutSlot>& slots, auto matches) {
    const auto it = std::find_if(slots.begin(), slots.end(), matches);
    return it == slots.end() ? nullptr : &*it;
}

LayoutSlot readEntry(TableReader r, const char* array, const std::vector<LayoutSlot>& before) {
    LayoutSlot entry;
    entry.line = r.line();
    const auto slot = r.int32("slot", 0, 255);
    const auto name = r.string("name");
    if (!slot || !name) r.fail(fmt::format("[[{}]] needs 'slot' (0 .. 255) and 'name'", array));
    if (!goodName(*name)) {
        r.failAt("name", fmt::format("'name' in [[{}]] must be 1 to {} characters of letters, digits, spaces and "
                                     "{}, not all digits, without a space at either end; not \"{}\"",
                                     array, kMaxNameLength, kNameMarks.substr(1), printable(*name)));
    }
    entry.slot = *slot;
    entry.name = *name;
    const bool panel = std::string_view(array) == "panel";
    if (panel) {
        const auto kind = r.string("kind");
        if (kind && *kind != "lamp" && *kind != "value") {
            r.failAt("kind",
                     fmt::format("'kind' in [[panel]] must be \"lamp\" or \"value\", not \"{}\"", printable(*kind)));
        }
        entry.lamp = kind && *kind == "lamp";
        r.finish({"slot", "name", "kind"});
    } else {
        r.finish({"slot", "name"});
    }
    if (const LayoutSlot* same = find(before, [&](const LayoutSlot& s) { return s.slot == entry.slot; })) {
        r.failAt("slot", fmt::format("{} slot {} is named twice (first at line {})", array, entry.slot, same->line));
    }
    if (const LayoutSlot* same = find(before, [&](const LayoutSlot& s) { return s.name == entry.name; })) {
        r.failAt("name", fmt::format("the name \"{}\" is given twice among the {} slots (first at line {})", entry.name,
                                     array, same->line));
    }
    return entry;
}

}  // namespace

const LayoutSlot* SlotLayout::panelSlot(int32_t slot) const {
    return find(panel, [slot](const LayoutSlot& s) { return s.slot == slot; });
}
const LayoutSlot* SlotLayout::soundSlot(int32_t slot) const {
    return find(sound, [slot](const LayoutSlot& s) { return s.slot == slot; });
}
const LayoutSlot* SlotLayout::panelNamed(std::string_view name) const {
    return find(panel, [name](const LayoutSlot& s) { return s.name == name; });
}
const LayoutSlot* SlotLayout::soundNamed(std::string_view name) const {
    return find(sound, [name](const LayoutSlot& s) { return s.name == name; });
}

SlotLayout parseSlotLayout(std::string_view text, const std::string& file) {
    const toml::table root = parseToml(text, file);
    SlotLayout layout;
    layout.file = printable(file);
    TableReader top(root, "the layout", file, 1);
    for (const char* array : {"panel", "sound"}) {
        std::vector<LayoutSlot>& slots = std::string_view(array) == "panel" ? layout.panel : layout.sound;
        forEachTable(top.node(array), array, file, [&](const toml::table& t) {
            slots.push_back(readEntry(TableReader(t, fmt::format("[[{}]]", array), file, 1), array, slots));
        });
    }
    top.finish({"panel", "sound"});
    if (layout.empty()) throw ScenarioError(file, 0, "names no slot (expected [[panel]] or [[sound]] tables)");
    return layout;
}

SlotLayout readSlotLayout(const std::filesystem::path& path) {
    return parseSlotLayout(readInputBytes(path, "layout file"), utf8Text(path));
}

std::string columnName(std::string_view name) {
    std::string column(name);
    std::replace(column.begin(), column.end(), ' ', '_');
    return column;
}

}  // namespace cabkit::sim
