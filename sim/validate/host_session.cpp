#include "host_session.h"

#include <array>
#include <chrono>
#include <cstring>

#include <fmt/format.h>

#include "allocation_counter.h"
#include "environment_variable.h"
#include "guarded_arrays.h"
#include "utf8_path.h"

namespace cabkit::sim::validate {

// Both arrays, either fenced (an inaccessible page behind each, a canary
// in front), or with slack on both sides that absorbs a stray write
// without a fault.
class HostArrays {
public:
    explicit HostArrays(bool guarded) {
        if (guarded) guarded_ = std::make_unique<GuardedHostArrays>();
    }
    int32_t* panel() { return guarded_ ? guarded_->panel.data() : slack_.data() + kSlack; }
    int32_t* sound() { return guarded_ ? guarded_->sound.data() : slack_.data() + 2 * kSlack + CABKIT_PANEL_SLOTS; }
    bool frontIntact() const { return !guarded_ || guarded_->frontIntact(); }

private:
    static constexpr std::size_t kSlack = 1024;
    std::unique_ptr<GuardedHostArrays> guarded_;
    std::array<int32_t, 3 * kSlack + CABKIT_PANEL_SLOTS + CABKIT_SOUND_SLOTS> slack_{};
};

namespace {

struct Snapshot {
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound{};
    void take(HostArrays& arrays) {
        std::memcpy(panel.data(), arrays.panel(), sizeof(panel));
        std::memcpy(sound.data(), arrays.sound(), sizeof(sound));
    }
};

// FNV-1a: a digest to compare sessions by, not a defence against anyone.
uint64_t digest(uint64_t hash, const void* bytes, std::size_t size) {
    const auto* data = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001b3ULL;
    return hash;
}

// The first slot changed outside Elapse, told as a fault.
std::string changeOutsideElapse(const Snapshot& before, HostArrays& arrays, const HostCall& call) {
    for (std::size_t slot = 0; slot < before.panel.size(); ++slot) {
        if (before.panel[slot] != arrays.panel()[slot]) {
            return fmt::format("{} changed panel slot {} from {} to {}, outside Elapse", callName(call.call), slot,
                               before.panel[slot], arrays.panel()[slot]);
        }
    }
    for (std::size_t slot = 0; slot < before.sound.size(); ++slot) {
        if (before.sound[slot] != arrays.sound()[slot]) {
            return fmt::format("{} changed sound slot {} from {} to {}, outside Elapse", callName(call.call), slot,
                               before.sound[slot], arrays.sound()[slot]);
        }
    }
    return {};
}

}  // namespace

CabkitPluginTable loadPlugin(SharedLibrary& library, const std::filesystem::path& file) {
    std::string error;
    if (!library.open(file, error)) throw LoadError(fmt::format("{} does not load: {}", utf8Text(file), error));
    CabkitPluginTable table{};
    auto* slots = reinterpret_cast<unsigned char*>(&table);
    for (std::size_t i = 0; i < CABKIT_EXPORT_COUNT; ++i) {
        void* address = library.symbol(kCabkitExportNames[i]);
        if (address == nullptr) {
            library.close();
            throw LoadError(fmt::format("{} does not export {}", utf8Text(file), kCabkitExportNames[i]));
        }
        std::memcpy(slots + i * sizeof(address), &address, sizeof(address));
    }
    return table;
}

HostSession::HostSession(std::vector<std::filesystem::path> files, SessionOptions options)
    : options_(std::move(options)), arrays_(std::make_unique<HostArrays>(options_.guardedArrays)) {
    for (auto& file : files) {
        auto library = std::make_unique<Library>();
        library->file = std::move(file);
        load(*library, false);
        libraries_.push_back(std::move(library));
    }
    if (!options_.log.empty()) {
#ifdef _WIN32
        log_ = _wfopen(options_.log.c_str(), L"w");
#else
        log_ = std::fopen(options_.log.c_str(), "w");
#endif
    }
}

HostSession::~HostSession() {
    if (log_ != nullptr) (void)std::fclose(log_);
}

void HostSession::load(Library& library, bool fresh) {
    if (!fresh || options_.work.empty()) {
        library.api = loadPlugin(library.library, library.file);
        return;
    }
    // The copy keeps its name and the files of its stem (its settings) beside it.
    const std::filesystem::path folder = options_.work / fmt::format("load-{}", ++reloads_);
    std::filesystem::create_directories(folder);
    std::error_code error;
    const std::filesystem::path source = library.file.parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(source, error)) {
        if (entry.path().stem() == library.file.stem() && entry.is_regular_file(error)) {
            std::filesystem::copy_file(entry.path(), folder / entry.path().filename(), error);
        }
    }
    library.api = loadPlugin(library.library, folder / library.file.filename());
}

SessionOutcome HostSession::run(const std::vector<HostCall>& calls) {
    SessionOutcome outcome;
    outcome.plugins.resize(libraries_.size());
    // Each session starts as a fresh host would hand the arrays.
    std::memset(arrays_->panel(), 0, CABKIT_PANEL_SLOTS * sizeof(int32_t));
    std::memset(arrays_->sound(), 0, CABKIT_SOUND_SLOTS * sizeof(int32_t));
    for (const HostCall& call : calls) {
        if (log_ != nullptr) {
            (void)std::fputs((formatCall(call) + "\n").c_str(), log_);
            (void)std::fflush(log_);
        }
        if (call.call == Call::HostPanel) {
            arrays_->panel()[call.value] = call.slotValue;
            continue;
        }
        if (call.call == Call::HostSound) {
            arrays_->sound()[call.value] = call.slotValue;
            continue;
        }
        if (call.call == Call::Initialize && !call.localTime.empty()) {
            setEnvironmentVariable("CABKIT_LOCAL_TIME", call.localTime);
        }
        if (call.plugin != kEveryPlugin && static_cast<std::size_t>(call.plugin) >= libraries_.size()) {
            outcome.fault =
                fmt::format("the script names plug-in {}, but {} are loaded", call.plugin, libraries_.size());
            return outcome;
        }
        for (std::size_t plugin = 0; plugin < libraries_.size(); ++plugin) {
            if (call.plugin != kEveryPlugin && static_cast<std::size_t>(call.plugin) != plugin) continue;
            if (!make(call, plugin, outcome)) return outcome;
        }
    }
    return outcome;
}

bool HostSession::make(const HostCall& call, std::size_t plugin, SessionOutcome& outcome) {
    Library& library = *libraries_[plugin];
    const CabkitPluginTable& api = library.api;
    PluginObservation& seen = outcome.plugins[plugin];
    Snapshot before;
    before.take(*arrays_);
    switch (call.call) {
        case Call::Load: api.Load(); break;
        case Call::Dispose: api.Dispose(); break;
        case Call::GetPluginVersion: {
            const int32_t version = api.GetPluginVersion();
            if (version != CABKIT_PLUGIN_VERSION) {
                outcome.fault =
                    fmt::format("GetPluginVersion answered {:#x}, not {:#x}", version, CABKIT_PLUGIN_VERSION);
                return false;
            }
            break;
        }
        case Call::SetVehicleSpec: api.SetVehicleSpec(call.vehicle); break;
        case Call::Initialize: api.Initialize(call.value); break;
        case Call::Elapse: {
            const bool count = options_.countAllocationsFrom >= 0 && elapses_ >= options_.countAllocationsFrom;
            if (count) startCountingAllocations();
            const auto start = std::chrono::steady_clock::now();
            const HandleCommand command = api.Elapse(call.state, arrays_->panel(), arrays_->sound());
            const auto end = std::chrono::steady_clock::now();
            if (count) {
                seen.elapseAllocations += stopCountingAllocations();
                ++seen.countedElapses;
            }
            ++elapses_;
            if (options_.timeElapse) {
                seen.elapseNanoseconds.push_back(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count());
            }
            uint64_t hash = digest(0xcbf29ce484222325ULL, &command, sizeof(command));
            hash = digest(hash, arrays_->panel(), CABKIT_PANEL_SLOTS * sizeof(int32_t));
            outcome.frameDigests.push_back(digest(hash, arrays_->sound(), CABKIT_SOUND_SLOTS * sizeof(int32_t)));
            for (std::size_t slot = 0; slot < before.panel.size(); ++slot) {
                if (before.panel[slot] != arrays_->panel()[slot]) seen.panelWritten.set(slot);
            }
            for (std::size_t slot = 0; slot < before.sound.size(); ++slot) {
                if (before.sound[slot] != arrays_->sound()[slot]) seen.soundWritten.set(slot);
            }
            break;
        }
        case Call::SetPower: api.SetPower(call.value); break;
        case Call::SetBrake: api.SetBrake(call.value); break;
        case Call::SetReverser: api.SetReverser(call.value); break;
        case Call::KeyDown: api.KeyDown(call.value); break;
        case Call::KeyUp: api.KeyUp(call.value); break;
        case Call::HornBlow: api.HornBlow(call.value); break;
        case Call::DoorOpen: api.DoorOpen(); break;
        case Call::DoorClose: api.DoorClose(); break;
        case Call::SetSignal: api.SetSignal(call.value); break;
        case Call::SetBeaconData: api.SetBeaconData(call.beacon); break;
        case Call::Reload:
            library.library.close();
            load(library, true);
            break;
        case Call::HostPanel:
        case Call::HostSound: break;
    }
    if (!options_.judgeArrays) return true;
    if (!arrays_->frontIntact()) {
        outcome.fault = fmt::format("{} wrote in front of the panel or sound array", callName(call.call));
        return false;
    }
    if (call.call != Call::Elapse) {
        outcome.fault = changeOutsideElapse(before, *arrays_, call);
        if (!outcome.fault.empty()) return false;
    }
    return true;
}

}  // namespace cabkit::sim::validate
