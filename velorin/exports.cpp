// The sixteen exports of the vehicle plug-in, each forwarding to the one
// process-wide core. Constructing the core at load wires its modules.
#include "plugin_export_forwarding.h"
#include "velorin_plugin.h"

namespace {

static_assert(cabkit::velorin::VelorinPlugin::kPluginVersion == CABKIT_PLUGIN_VERSION);

cabkit::velorin::VelorinPlugin plugin;

}  // namespace

CABKIT_DEFINE_PLUGIN_EXPORTS(plugin)
