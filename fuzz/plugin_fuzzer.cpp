// libFuzzer entry for the plug-in targets: the plug-ins named by
// CABKIT_FUZZ_PLUGINS (comma-separated) are loaded once and share one panel
// and one sound array, as they do in a host; each input is one session of
// export calls (harness/call_sequence.h).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "harness/call_sequence.h"
#include "harness/loaded_plugin.h"

#ifndef CABKIT_FUZZ_PLUGINS
#error "CABKIT_FUZZ_PLUGINS must list the plug-ins to load"
#endif

namespace {

struct Harness {
    std::vector<std::unique_ptr<cabkit::fuzz::LoadedPlugin>> plugins;
    cabkit::fuzz::GuardedHostArrays arrays;
    std::unique_ptr<cabkit::fuzz::CallSequence> sequence;
};

Harness* harness = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // A fixed clock until an input sets one, so that runs repeat.
    setenv("CABKIT_LOCAL_TIME", "2024-04-01T10:00:00.000", 1);
    harness = new Harness;
    std::vector<cabkit::fuzz::LoadedPlugin*> order;
    const std::string names = CABKIT_FUZZ_PLUGINS;
    std::size_t start = 0;
    while (start <= names.size()) {
        const std::size_t comma = names.find(',', start);
        const std::size_t end = comma == std::string::npos ? names.size() : comma;
        harness->plugins.push_back(
            std::make_unique<cabkit::fuzz::LoadedPlugin>(cabkit::fuzz::loadPlugin(names.substr(start, end - start))));
        order.push_back(harness->plugins.back().get());
        start = end + 1;
    }
    harness->sequence = std::make_unique<cabkit::fuzz::CallSequence>(order, harness->arrays);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    harness->sequence->run(std::span<const uint8_t>(data, size));
    return 0;
}
