#include "call_record.h"

namespace cabkit::sim {

const char* callName(int32_t call) {
    if (call >= 0 && call < CABKIT_EXPORT_COUNT) return kCabkitExportNames[call];
    if (call == kCallLoading) return "loading the library";
    if (call == kCallUnloading) return "unloading the library";
    return "no call";
}

}  // namespace cabkit::sim
