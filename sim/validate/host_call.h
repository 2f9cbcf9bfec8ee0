// One call of the host, as a line of text: what every session of the
// validator is made of, what a failing random session is saved as and what
// `simhost validate --replay` reads back. A line names the plug-in by its
// place on the command line (0, 1, ...) or * for each in turn, then the
// export and its arguments:
//
//   0 SetVehicleSpec brake=8 power=5 check=1 b67=0 cars=10
//   * Initialize 0 local-time=2026-03-01T08:00:00.000
//   0 Elapse location=0 speed=nan time=28800000 bc=0 mr=0 er=0 bp=0 sap=0 current=0
//   0 SetBeaconData type=20 signal=0 distance=inf optional=-1
//   host panel 12 5      (the host, or another plug-in, sets a slot)
//   0 reload             (unload the library and load it afresh)
//
// Blank lines and lines from # on are comments.
#ifndef CABKIT_SIM_VALIDATE_HOST_CALL_H
#define CABKIT_SIM_VALIDATE_HOST_CALL_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host_records.h"

namespace cabkit::sim::validate {

enum class Call : uint8_t {
    Load,
    Dispose,
    GetPluginVersion,
    SetVehicleSpec,
    Initialize,
    Elapse,
    SetPower,
    SetBrake,
    SetReverser,
    KeyDown,
    KeyUp,
    HornBlow,
    DoorOpen,
    DoorClose,
    SetSignal,
    SetBeaconData,
    HostPanel,
    HostSound,
    Reload,
};

inline constexpr int32_t kEveryPlugin = -1;

struct HostCall {
    Call call = Call::Load;
    int32_t plugin = kEveryPlugin;
    int32_t value = 0;  // the one integer argument; the slot of a host write
    int32_t slotValue = 0;
    VehicleSpec vehicle{};
    VehicleState state{};
    BeaconData beacon{};
    std::string localTime;  // Initialize: CABKIT_LOCAL_TIME for it, "" to leave it
};

const char* callName(Call call);
std::string formatCall(const HostCall& call);
// nullopt with the reason in `error` for a line that is no call; a comment
// or blank line gives nullopt with `error` empty.
std::optional<HostCall> parseCall(std::string_view line, std::string& error);

// A script file: the calls, or nullopt with "line N: reason" in `error`.
std::optional<std::vector<HostCall>> readScript(const std::filesystem::path& file, std::string& error);
// `header` lines go first, as comments.
bool writeScript(const std::filesystem::path& file, const std::vector<std::string>& header,
                 const std::vector<HostCall>& calls);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_HOST_CALL_H
