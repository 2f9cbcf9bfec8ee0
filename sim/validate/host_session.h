// Plug-ins loaded side by side, sharing one pair of host arrays, and a
// script of host calls made on them while the session watches what each
// call does: which slots each Elapse changes (the footprint), any change
// made outside Elapse or in front of an array, what each Elapse returns,
// and, where asked, how long each Elapse takes and how much it allocates.
//
// Writes past the end of an array land either on an inaccessible page
// (guarded arrays: the write faults where it happens) or in slack nobody
// reads (the other checks, which judge other things and must not fail for
// that fault too).
#ifndef CABKIT_SIM_VALIDATE_HOST_SESSION_H
#define CABKIT_SIM_VALIDATE_HOST_SESSION_H

#include <bitset>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host_arrays.h"
#include "host_call.h"
#include "library_loader.h"
#include "plugin_table.h"

namespace cabkit::sim::validate {

class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SessionOptions {
    bool guardedArrays = false;
    // A change outside Elapse, or in front of an array, ends the session
    // with a fault.
    bool judgeArrays = false;
    bool timeElapse = false;
    // Allocations are counted in every Elapse from this one on (counting
    // from 0 over the whole session); -1 counts none.
    int64_t countAllocationsFrom = -1;
    // Each call is written here, and flushed, before it is made: the last
    // line of a session that died is the call it died in.
    std::filesystem::path log;
    // A reload loads a copy of the library made here, so that it starts
    // afresh even where the system keeps the first one loaded; "" reopens
    // the file itself.
    std::filesystem::path work;
};

struct PluginObservation {
    std::bitset<CABKIT_PANEL_SLOTS> panelWritten;
    std::bitset<CABKIT_SOUND_SLOTS> soundWritten;
    std::vector<int64_t> elapseNanoseconds;
    uint64_t elapseAllocations = 0;
    uint64_t countedElapses = 0;
};

struct SessionOutcome {
    std::string fault;  // "" when no call broke a rule the session judges
    // One digest per Elapse: its handle command and both arrays after it.
    std::vector<uint64_t> frameDigests;
    std::vector<PluginObservation> plugins;
};

class HostArrays;

class HostSession {
public:
    // Loads each file; throws LoadError naming the file and the reason.
    HostSession(std::vector<std::filesystem::path> files, SessionOptions options);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    SessionOutcome run(const std::vector<HostCall>& calls);

private:
    struct Library {
        std::filesystem::path file;
        SharedLibrary library;
        CabkitPluginTable api{};
    };
    void load(Library& library, bool fresh);
    bool make(const HostCall& call, std::size_t plugin, SessionOutcome& outcome);

    std::vector<std::unique_ptr<Library>> libraries_;
    SessionOptions options_;
    std::unique_ptr<HostArrays> arrays_;
    std::FILE* log_ = nullptr;
    int64_t elapses_ = 0;
    int32_t reloads_ = 0;
};

// Loads `file` and resolves the sixteen exports; throws LoadError.
CabkitPluginTable loadPlugin(SharedLibrary& library, const std::filesystem::path& file);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_HOST_SESSION_H
