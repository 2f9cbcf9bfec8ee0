// The entry of the child process that replays one scenario for its
// supervisor (simhost's hidden `replay-child` command). Everything that
// touches the whole process happens here: the clock the plug-ins read, the
// buffering of the event log, ending with the parent; the replay itself
// knows nothing of it. The child takes up the record its supervisor made in
// the run folder, keeps its journal there, and exits with its verdict only
// after it has set it in the record.
#ifndef CABKIT_SIM_REPLAY_CHILD_H
#define CABKIT_SIM_REPLAY_CHILD_H

#include <cstdint>
#include <string>

#include "options.h"

namespace cabkit::sim {

struct ChildRequest {
    std::string scenarioFile;
    CommonOptions options;
    std::string runFolder;
    int64_t parent = 0;
    bool narrate = false;  // print the event log on stdout
};

// Returns the exit code: kChildPassed, kChildFailed, kChildBadInput, or
// another code when the record cannot be taken up.
int replayChild(const ChildRequest& request);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_REPLAY_CHILD_H
