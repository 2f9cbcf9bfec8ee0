// A built plug-in loaded into the fuzzer process once, for the whole run.
//
// Loading per input would be cleaner but costs a thousand times more than a
// call, and every load registers the library's coverage counters anew; so
// the state a plug-in keeps beyond Initialize carries over from one input to
// the next, as it does across restarts of a run in a real host.
#ifndef CABKIT_FUZZ_LOADED_PLUGIN_H
#define CABKIT_FUZZ_LOADED_PLUGIN_H

#include <string>

#include "plugin_table.h"
#include "slot_allow_list.h"

namespace cabkit::fuzz {

struct LoadedPlugin {
    std::string name;
    CabkitPluginTable api{};
    const SlotAllowList* allowed = nullptr;
};

// dlopen()s <dir>/<name>.so, where dir is $CABKIT_FUZZ_PLUGIN_DIR or the
// build's plug-in folder; aborts when it cannot be loaded or lacks an export.
LoadedPlugin loadPlugin(const std::string& name);

}  // namespace cabkit::fuzz

#endif  // CABKIT_FUZZ_LOADED_PLUGIN_H
