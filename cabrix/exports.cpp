// The sixteen exports over the one process-wide plug-in instance. Building
// the instance is the library's static initialization and also wires the
// state object, so it is ready before the host's first call.
#include "cabrix_plugin.h"
#include "plugin_export_forwarding.h"

namespace {

cabkit::cabrix::CabrixPlugin plugin;

}  // namespace

CABKIT_DEFINE_PLUGIN_EXPORTS(plugin)
