// Outputs that are complete or absent. An output's path is resolved once,
// when it is taken: a link at its name is followed then, its folder opened,
// and every later step works in that folder, whatever is renamed or linked
// in its place since. The bytes go to a temporary file beside the final
// name (".NAME.partial"), which is renamed over the final name only when
// whole (or a whole file of the process's own is renamed there instead);
// an output abandoned, or a process that dies, leaves the final name as it
// was and at most that temporary file, which the next run reuses.
//
// The temporary file is locked while an output is taken, so two simhost
// processes never write one file: the second is refused at once. A path
// that already is something other than a file (a pipe, a terminal, a
// device) is a stream: written straight, never renamed over or removed.
#ifndef CABKIT_SIM_ATOMIC_OUTPUT_H
#define CABKIT_SIM_ATOMIC_OUTPUT_H

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "file_identity.h"

namespace cabkit::sim {

// A folder opened once, for outputs named in it.
class OutputFolder {
public:
    // `exclusive`: no other simhost may write into the folder while this
    // one holds it. Throws std::runtime_error naming `what` and the folder.
    OutputFolder(const std::filesystem::path& folder, const std::string& what, bool exclusive);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Removes the entry `name` (a file, a link; never what a link leads to);
    // the system's reason when it cannot, else empty.
    std::string discard(const std::filesystem::path& name) const;
    // POSIX: the folder's descriptor.
    int descriptor() const { return fd_; }

private:
    std::filesystem::path path_;
    int fd_ = -1;
    int64_t lock_ = 0;  // Windows: the handle that keeps the folder to this process
};

class AtomicOutput {
public:
    // Takes the output at `path`; `what` names it in messages ("the trace").
    // Throws std::runtime_error naming it when its folder cannot be opened,
    // the temporary file cannot be made, or another simhost writes it.
    AtomicOutput(const std::filesystem::path& path, std::string what);
    // The same for `name` in a folder already opened.
    AtomicOutput(std::shared_ptr<const OutputFolder> folder, const std::filesystem::path& name, std::string what);
    // Abandons an output not committed.
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Removes what an earlier run left under the final name (the entry
    // itself, never what a link there leads to), so that no stale output
    // outlives a run asked to write it. Nothing for a stream. Throws.
    void discardPrevious();
    // Each throws std::runtime_error naming the file when the system refuses.
    void write(std::string_view data);
    // Puts the whole file in place under its final name.
    void commit();
    // Puts `whole`, a file of this process's own that nothing else writes,
    // in place instead of what was written here: renamed when it lies on
    // the same file system, else copied.
    void commitFile(const std::filesystem::path& whole);
    // Removes the temporary file; the final name stays as it is.
    void abandon() noexcept;

    // The final path, as the user named it.
    const std::filesystem::path& path() const { return shown_; }

private:
    void take();
    [[noreturn]] void fail(const std::string& why) const;

    std::shared_ptr<const OutputFolder> folder_;
    std::filesystem::path name_;
    std::filesystem::path temp_;
    std::filesystem::path shown_;
    std::string what_;
    FileIdentity identity_{};
    int fd_ = -1;
    bool stream_ = false;
};

// Lets a write beyond the file-size limit fail with an error (EFBIG)
// instead of ending the process, so that it is reported like a full disk.
void reportFileSizeLimitAsError();

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_ATOMIC_OUTPUT_H
