// The files one scenario's replay leaves, each complete or absent. They are
// taken (resolved, their folders opened, locked against other simhost
// processes) before any replay starts. The replay's child never opens
// them: it writes its trace, charts and page into a private scratch folder
// by absolute paths, so that a plug-in that changes the working folder or
// swaps a link meanwhile changes nothing; the supervisor completes them
// there, and once the outcome is known copies each that is whole for that
// outcome beside its final name and renames it into place.
//
// Whole for an outcome: after a finished run, everything; after a plug-in
// fault, the trace and the summary (every frame before the fault, and how
// it ended), not the charts and the page, which are drawn at the end; after
// bad input, the summary alone; after an interrupt, nothing.
#ifndef CABKIT_SIM_REPLAY_OUTPUTS_H
#define CABKIT_SIM_REPLAY_OUTPUTS_H

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "atomic_output.h"
#include "options.h"
#include "replay_supervisor.h"

namespace cabkit::sim {

class ReplayOutputs {
public:
    // The outputs `options` names, and the trace `traceName` in `traceDir`
    // when given (taken only once it is whole: a batch may hold more traces
    // than the system lets one process keep open). `scratch` is a private
    // folder, `tag` makes the names in it this replay's own. Throws
    // std::runtime_error naming the output that cannot be taken.
    ReplayOutputs(const CommonOptions& options, const std::filesystem::path& scratch, const std::string& tag,
                  std::shared_ptr<const OutputFolder> traceDir = nullptr, std::filesystem::path traceName = {});

    // Removes what earlier runs left under the final names. Throws.
    void discardPrevious();
    // The child's options, writing into the scratch folder, and where the
    // supervisor completes the trace and writes the summary.
    CommonOptions childOptions(const CommonOptions& options) const;
    void shape(SupervisedReplay& request) const;
    // Puts in place what `outcome` leaves whole and abandons the rest; the
    // scratch paths in its messages become the final ones. Returns what
    // could not be written, one message each.
    std::vector<std::string> settle(SupervisedOutcome& outcome);

private:
    enum class Kind { Trace, Summary, Chart, Page };
    struct Entry {
        Kind kind;
        std::filesystem::path scratch;
        std::unique_ptr<AtomicOutput> output;  // null: a --trace-dir trace, taken when whole
    };
    Entry* find(Kind kind);
    const Entry* find(Kind kind) const;

    std::vector<Entry> entries_;
    std::optional<std::filesystem::path> plot_, plotTime_;  // scratch paths of the charts
    std::shared_ptr<const OutputFolder> traceDir_;
    std::filesystem::path traceName_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_REPLAY_OUTPUTS_H
