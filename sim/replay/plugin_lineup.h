// Which plug-ins a replay loads and in which order it calls them.
//
// Our three come from one folder (--plugins DIR, or the default folder when
// the command line adds no other plug-in); any library of the interface can
// be added (--plugin [NAME=]PATH, repeatable), our folder's three then only
// when --plugins is given too. A plug-in added under one of our names (a
// Velorin built elsewhere) takes that plug-in's place and its contract.
//
// Each plug-in has an index: ours in kPluginNames' order, then the added
// ones in command-line order. The calling order is --order when given (it
// names every loaded plug-in once); else the scenario's order of ours, those
// loaded, then the added ones in command-line order.
#ifndef CABKIT_SIM_PLUGIN_LINEUP_H
#define CABKIT_SIM_PLUGIN_LINEUP_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "scenario.h"

namespace cabkit::sim {

struct AddedPlugin {
    std::string name;
    std::filesystem::path file;
};

struct PluginChoice {
    std::optional<std::filesystem::path> folder;  // our three, when loaded
    std::vector<AddedPlugin> added;
    std::vector<std::string> order;  // --order, empty when not given
};

// "[NAME=]PATH"; NAME defaults to the file's stem. Text before the first
// '=' without a folder separator is a NAME. A name is 1 to 40 ASCII
// letters, digits, '-', '_' and '.', and not a word of the expectations
// ("driver", "panel", "sound"): it heads trace columns and log lines.
std::optional<AddedPlugin> parseAddedPlugin(const std::string& text, std::string& error);

// The plug-ins by index, as RunSpec::plugins holds them.
std::vector<std::string> lineupNames(const PluginChoice& choice);

// Sets run.plugins and run.order; false with a message when a name is
// loaded twice, there are more than kMaxPlugins or --order does not name
// each loaded plug-in once.
bool applyLineup(const PluginChoice& choice, RunSpec& run, std::string& error);

struct LineupEntry {
    int32_t index = 0;
    std::string name;
    std::filesystem::path file;
};
// The library of each plug-in of `run` in calling order.
std::vector<LineupEntry> lineupFiles(const PluginChoice& choice, const RunSpec& run);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PLUGIN_LINEUP_H
