// The library's sixteen entry points, each forwarding to the one plug-in
// instance. The instance is built when the library is loaded, which is also
// when the settings file beside the library is located.
#include "module_path.h"
#include "plugin_export_forwarding.h"
#include "sentrel_plugin.h"

namespace {

cabkit::sentrel::SentrelPlugin plugin{cabkit::platform::ownModulePath()};

}  // namespace

CABKIT_DEFINE_PLUGIN_EXPORTS(plugin)
