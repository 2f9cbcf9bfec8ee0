#include "host_call.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <limits>

#include <fmt/format.h>

namespace cabkit::sim::validate {
namespace {

constexpr std::array<const char*, 19> kNames = {
    "Load",     "Dispose",   "GetPluginVersion", "SetVehicleSpec", "Initialize", "Elapse",
    "SetPower", "SetBrake",  "SetReverser",      "KeyDown",        "KeyUp",      "HornBlow",
    "DoorOpen", "DoorClose", "SetSignal",        "SetBeaconData",  "panel",      "sound",
    "reload"};

// Shortest text that reads back as the same float; nan and inf by name.
std::string real(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return fmt::format("{}", value);
}
std::string real(float value) {
    if (std::isnan(value) || std::isinf(value)) return real(static_cast<double>(value));
    return fmt::format("{}", value);
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
        out.push_back(line.substr(start, end - start));
        at = end;
    }
    return out;
}

bool integer(std::string_view text, int32_t& value) {
    const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
    return code == std::errc{} && end == text.data() + text.size();
}

bool number(std::string_view text, double& value) {
    if (text == "nan" || text == "-nan") {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    const std::string copy(text);  // strtod reads inf, -inf and every form fmt writes
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return !copy.empty() && end == copy.c_str() + copy.size();
}

// Reads `name=value` words into the fields named in `fields`.
template <typename Field>
bool fieldsOf(const std::vector<std::string_view>& items, std::size_t from,
              const std::vector<std::pair<const char*, Field>>& fields, std::string& error) {
    for (std::size_t i = from; i < items.size(); ++i) {
        const std::size_t equals = items[i].find('=');
        const std::string_view key = items[i].substr(0, equals);
        const std::string_view text = equals == std::string_view::npos ? "" : items[i].substr(equals + 1);
        bool known = false;
        for (const auto& [name, field] : fields) {
            if (key != name) continue;
            known = true;
            if (!field(text)) {
                error = fmt::format("{} is no value for {}", text, key);
                return false;
            }
        }
        if (!known) {
            error = fmt::format("unknown field {}", key);
            return false;
        }
    }
    return true;
}

}  // namespace

const char* callName(Call call) {
    const std::size_t index = static_cast<std::size_t>(call);
    return index < kNames.size() ? kNames.at(index) : "?";
}

std::string formatCall(const HostCall& c) {
    if (c.call == Call::HostPanel || c.call == Call::HostSound) {
        return fmt::format("host {} {} {}", callName(c.call), c.value, c.slotValue);
    }
    std::string line =
        fmt::format("{} {}", c.plugin == kEveryPlugin ? "*" : std::to_string(c.plugin), callName(c.call));
    switch (c.call) {
        case Call::SetVehicleSpec:
            line += fmt::format(" brake={} power={} check={} b67={} cars={}", c.vehicle.brakeNotches,
                                c.vehicle.powerNotches, c.vehicle.checkNotch, c.vehicle.b67Notch, c.vehicle.cars);
            break;
        case Call::Initialize:
            line += fmt::format(" {}", c.value);
            if (!c.localTime.empty()) line += " local-time=" + c.localTime;
            break;
        case Call::Elapse: {
            const VehicleState& s = c.state;
            line += fmt::format(" location={} speed={} time={} bc={} mr={} er={} bp={} sap={} current={}",
                                real(s.location), real(s.speed), s.time, real(s.bcPressure), real(s.mrPressure),
                                real(s.erPressure), real(s.bpPressure), real(s.sapPressure), real(s.current));
            break;
        }
        case Call::SetBeaconData:
            line += fmt::format(" type={} signal={} distance={} optional={}", c.beacon.type, c.beacon.signal,
                                real(c.beacon.distance), c.beacon.optional);
            break;
        case Call::SetPower:
        case Call::SetBrake:
        case Call::SetReverser:
        case Call::KeyDown:
        case Call::KeyUp:
        case Call::HornBlow:
        case Call::SetSignal: line += fmt::format(" {}", c.value); break;
        default: break;
    }
    return line;
}

std::optional<HostCall> parseCall(std::string_view line, std::string& error) {
    error.clear();
    line = line.substr(0, line.find('#'));
    const std::vector<std::string_view> items = words(line);
    if (items.empty()) return std::nullopt;
    HostCall c;
    if (items[0] == "host") {
        if (items.size() != 4 || (items[1] != "panel" && items[1] != "sound") || !integer(items[2], c.value) ||
            !integer(items[3], c.slotValue) || c.value < 0 || c.value > 255) {
            error = "a host write is: host panel|sound SLOT VALUE, with SLOT 0..255";
            return std::nullopt;
        }
        c.call = items[1] == "panel" ? Call::HostPanel : Call::HostSound;
        return c;
    }
    if (items.size() < 2) {
        error = "a call is: PLUGIN EXPORT [ARGUMENTS]";
        return std::nullopt;
    }
    if (items[0] != "*" && (!integer(items[0], c.plugin) || c.plugin < 0)) {
        error = fmt::format("{} is no plug-in: give its place, 0 for the first, or *", items[0]);
        return std::nullopt;
    }
    bool found = false;
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (items[1] == kNames[i] && static_cast<Call>(i) != Call::HostPanel &&
            static_cast<Call>(i) != Call::HostSound) {
            c.call = static_cast<Call>(i);
            found = true;
        }
    }
    if (!found) {
        error = fmt::format("{} is no export", items[1]);
        return std::nullopt;
    }
    using Field = std::function<bool(std::string_view)>;
    const auto asInt = [](int32_t& to) { return Field([&to](std::string_view t) { return integer(t, to); }); };
    const auto asFloat = [](float& to) {
        return Field([&to](std::string_view t) {
            double v = 0;
            if (!number(t, v)) return false;
            to = static_cast<float>(v);
            return true;
        });
    };
    bool ok = true;
    switch (c.call) {
        case Call::SetVehicleSpec:
            ok = fieldsOf<Field>(items, 2,
                                 {{"brake", asInt(c.vehicle.brakeNotches)},
                                  {"power", asInt(c.vehicle.powerNotches)},
                                  {"check", asInt(c.vehicle.checkNotch)},
                                  {"b67", asInt(c.vehicle.b67Notch)},
                                  {"cars", asInt(c.vehicle.cars)}},
                                 error);
            break;
        case Call::Elapse: {
            VehicleState& s = c.state;
            const Field location = [&s](std::string_view t) { return number(t, s.location); };
            ok = fieldsOf<Field>(items, 2,
                                 {{"location", location},
                                  {"speed", asFloat(s.speed)},
                                  {"time", asInt(s.time)},
                                  {"bc", asFloat(s.bcPressure)},
                                  {"mr", asFloat(s.mrPressure)},
                                  {"er", asFloat(s.erPressure)},
                                  {"bp", asFloat(s.bpPressure)},
                                  {"sap", asFloat(s.sapPressure)},
                                  {"current", asFloat(s.current)}},
                                 error);
            break;
        }
        case Call::SetBeaconData:
            ok = fieldsOf<Field>(items, 2,
                                 {{"type", asInt(c.beacon.type)},
                                  {"signal", asInt(c.beacon.signal)},
                                  {"distance", asFloat(c.beacon.distance)},
                                  {"optional", asInt(c.beacon.optional)}},
                                 error);
            break;
        case Call::Initialize:
            if (items.size() < 3 || !integer(items[2], c.value)) {
                error = "Initialize takes the brake setting: 0 Initialize 0";
                return std::nullopt;
            }
            if (items.size() > 3) {
                const Field time = [&c](std::string_view t) {
                    c.localTime = std::string(t);
                    return !t.empty();
                };
                ok = fieldsOf<Field>(items, 3, {{"local-time", time}}, error);
            }
            break;
        case Call::SetPower:
        case Call::SetBrake:
        case Call::SetReverser:
        case Call::KeyDown:
        case Call::KeyUp:
        case Call::HornBlow:
        case Call::SetSignal:
            if (items.size() != 3 || !integer(items[2], c.value)) {
                error = fmt::format("{} takes one whole number", items[1]);
                return std::nullopt;
            }
            break;
        default:
            if (items.size() != 2) {
                error = fmt::format("{} takes no arguments", items[1]);
                return std::nullopt;
            }
            break;
    }
    if (!ok) return std::nullopt;
    return c;
}

std::optional<std::vector<HostCall>> readScript(const std::filesystem::path& file, std::string& error) {
    std::ifstream in(file);
    if (!in) {
        error = "cannot be read";
        return std::nullopt;
    }
    std::vector<HostCall> calls;
    std::string line;
    for (int32_t number = 1; std::getline(in, line); ++number) {
        std::string why;
        if (auto call = parseCall(line, why)) {
            calls.push_back(std::move(*call));
        } else if (!why.empty()) {
            error = fmt::format("line {}: {}", number, why);
            return std::nullopt;
        }
    }
    return calls;
}

bool writeScript(const std::filesystem::path& file, const std::vector<std::string>& header,
                 const std::vector<HostCall>& calls) {
    std::ofstream out(file, std::ios::trunc);
    for (const std::string& line : header) out << "# " << line << '\n';
    for (const HostCall& call : calls) out << formatCall(call) << '\n';
    out.close();
    return !out.fail();
}

}  // namespace cabkit::sim::validate
