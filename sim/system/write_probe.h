// Whether a replay will be able to write a file, tried before the replay
// without changing anything: a file that exists is opened for writing and
// closed untouched; one that does not is created and removed again. A pipe
// without a reader is refused rather than waited for.
#ifndef CABKIT_SIM_WRITE_PROBE_H
#define CABKIT_SIM_WRITE_PROBE_H

#include <filesystem>
#include <optional>
#include <string>

namespace cabkit::sim {

// Nothing when `path` can be written; else the system's reason.
std::optional<std::string> writeRefusal(const std::filesystem::path& path);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_WRITE_PROBE_H
