#include "plugin_lineup.h"

#include <algorithm>
#include <cctype>

#include <fmt/format.h>

#include "library_loader.h"
#include "printable_text.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

constexpr std::size_t kMaxNameLength = 40;

bool goodName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    if (name == "driver" || name == "panel" || name == "sound") return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' || c == '.';
    });
}

bool ours(const std::string& name) { return pluginIndex(name) >= 0; }

// Each plug-in's index, and whether the run loads it.
struct Loaded {
    std::vector<int32_t> added;  // the index of each added plug-in
    std::vector<bool> loaded;    // by index
};

Loaded loadedOf(const PluginChoice& choice, const std::vector<std::string>& names) {
    Loaded l;
    l.loaded.assign(names.size(), false);
    if (choice.folder) std::fill_n(l.loaded.begin(), kPluginNames.size(), true);
    for (const AddedPlugin& plugin : choice.added) {
        const auto it = std::find(names.begin(), names.end(), plugin.name);
        l.added.push_back(static_cast<int32_t>(it - names.begin()));
    }
    return l;
}

}  // namespace

std::optional<AddedPlugin> parseAddedPlugin(const std::string& text, std::string& error) {
    AddedPlugin plugin;
    const std::size_t equals = text.find('=');
    const std::string before = equals == std::string::npos ? std::string{} : text.substr(0, equals);
    // A path may hold '=' itself: NAME=PATH has no folder separator before
    // the '=' (write ./a=b.so for a file named so).
    if (equals != std::string::npos && before.find_first_of("/\\") == std::string::npos) {
        plugin.name = before;
        plugin.file = pathFromUtf8(text.substr(equals + 1));
    } else {
        plugin.file = pathFromUtf8(text);
        plugin.name = utf8Text(plugin.file.stem());
    }
    if (plugin.file.empty()) {
        error = fmt::format("--plugin {}: no library file given", printable(text));
        return std::nullopt;
    }
    if (!goodName(plugin.name)) {
        error = fmt::format(
            "--plugin {}: the name \"{}\" cannot head the log's lines and the trace's columns; give one as "
            "NAME=PATH (up to {} letters, digits, '-', '_' and '.'; not driver, panel or sound)",
            printable(text), printable(plugin.name), kMaxNameLength);
        return std::nullopt;
    }
    return plugin;
}

std::vector<std::string> lineupNames(const PluginChoice& choice) {
    std::vector<std::string> names(kPluginNames.begin(), kPluginNames.end());
    for (const AddedPlugin& plugin : choice.added) {
        if (std::find(names.begin(), names.end(), plugin.name) == names.end()) names.push_back(plugin.name);
    }
    return names;
}

bool applyLineup(const PluginChoice& choice, RunSpec& run, std::string& error) {
    const std::vector<std::string> names = lineupNames(choice);
    Loaded l = loadedOf(choice, names);
    for (std::size_t i = 0; i < choice.added.size(); ++i) {
        const auto index = static_cast<std::size_t>(l.added[i]);
        if (l.loaded[index]) {
            error = fmt::format("plug-in {} is loaded twice ({}); give each plug-in once, under a name of its own",
                                names[index],
                                choice.folder && ours(names[index]) ? "from --plugins and by --plugin" : "by --plugin");
            return false;
        }
        l.loaded[index] = true;
    }
    const auto count = static_cast<std::size_t>(std::count(l.loaded.begin(), l.loaded.end(), true));
    if (count == 0) {
        error = "no plug-in to load: give --plugins DIR or --plugin FILE";
        return false;
    }
    if (count > kMaxPlugins) {
        error = fmt::format("{} plug-ins given; a replay takes at most {}", count, kMaxPlugins);
        return false;
    }

    // The default order, with only the loaded ones: how --order is asked for.
    std::vector<int32_t> order;
    for (const int32_t index : kDefaultOrder) {
        if (l.loaded[static_cast<std::size_t>(index)]) order.push_back(index);
    }
    for (const int32_t index : l.added) {
        if (!ours(names[static_cast<std::size_t>(index)])) order.push_back(index);
    }
    if (!choice.order.empty()) {
        std::string list;
        for (std::size_t i = 0; i < order.size(); ++i) {
            list += fmt::format("{}{}",
                                i == 0                  ? ""
                                : i + 1 == order.size() ? " and "
                                                        : ", ",
                                names[static_cast<std::size_t>(order[i])]);
        }
        std::vector<int32_t> given;
        for (const std::string& name : choice.order) {
            const auto it = std::find(names.begin(), names.end(), name);
            const auto index = static_cast<int32_t>(it - names.begin());
            if (it == names.end() || !l.loaded[static_cast<std::size_t>(index)] ||
                std::find(given.begin(), given.end(), index) != given.end()) {
                break;
            }
            given.push_back(index);
        }
        if (given.size() != choice.order.size() || given.size() != order.size()) {
            error = fmt::format("--order must name {} once each, separated by commas", list);
            return false;
        }
        order = given;
    } else {
        // The scenario orders ours; the added ones follow.
        std::vector<int32_t> scenarioOrder;
        for (const int32_t index : run.order) {
            if (index < static_cast<int32_t>(kPluginNames.size()) && l.loaded[static_cast<std::size_t>(index)]) {
                scenarioOrder.push_back(index);
            }
        }
        for (const int32_t index : order) {
            if (index >= static_cast<int32_t>(kPluginNames.size())) scenarioOrder.push_back(index);
        }
        order = scenarioOrder;
    }
    run.plugins = names;
    run.order = order;
    return true;
}

std::vector<LineupEntry> lineupFiles(const PluginChoice& choice, const RunSpec& run) {
    std::vector<LineupEntry> entries;
    for (const int32_t index : run.order) {
        LineupEntry entry{index, run.plugins[static_cast<std::size_t>(index)], {}};
        const auto added = std::find_if(choice.added.begin(), choice.added.end(),
                                        [&entry](const AddedPlugin& p) { return p.name == entry.name; });
        if (added != choice.added.end()) {
            entry.file = added->file;
        } else if (choice.folder) {
            entry.file = *choice.folder / (entry.name + SharedLibrary::kExtension);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace cabkit::sim
