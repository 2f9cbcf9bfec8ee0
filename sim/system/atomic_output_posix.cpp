#include "atomic_output.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "output_file.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

std::string reason() { return std::strerror(errno); }

FileIdentity identityOf(const struct stat& status) {
    return FileIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

// ".NAME.partial", shortened where the name would not fit the system's
// limit on a name; hidden so that a listing shows the outputs only.
std::filesystem::path temporaryName(const std::filesystem::path& name) {
    constexpr std::size_t kLongest = 200;
    std::string text = name.native();
    if (text.size() > kLongest) {
        text = fmt::format("{}-{:016x}", text.substr(0, kLongest), std::hash<std::string>{}(text));
    }
    return "." + text + ".partial";
}

bool sameEntry(int folder, const std::filesystem::path& name, const FileIdentity& identity) {
    struct stat status {};
    return ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && identityOf(status) == identity;
}

}  // namespace

OutputFolder::OutputFolder(const std::filesystem::path& folder, const std::string& what, bool exclusive)
    : path_(folder) {
    const std::filesystem::path opened = folder.empty() ? std::filesystem::path(".") : folder;
    fd_ = ::open(opened.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        throw std::runtime_error(fmt::format("{} {}: cannot open the folder: {}", what, utf8Text(folder), reason()));
    if (exclusive && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        const std::string why = reason();
        ::close(fd_);
        fd_ = -1;
        throw std::runtime_error(
            busy ? fmt::format("{} {}: another simhost is writing into this folder", what, utf8Text(folder))
                 : fmt::format("{} {}: cannot lock the folder: {}", what, utf8Text(folder), why));
    }
}

OutputFolder::~OutputFolder() {
    if (fd_ >= 0) ::close(fd_);
}

std::string OutputFolder::discard(const std::filesystem::path& name) const {
    if (::unlinkat(fd_, name.c_str(), 0) != 0 && errno != ENOENT) return reason();
    return {};
}

AtomicOutput::AtomicOutput(const std::filesystem::path& path, std::string what) : shown_(path), what_(std::move(what)) {
    std::error_code error;
    std::filesystem::path target = std::filesystem::absolute(path, error);
    if (error) fail(error.message());
    // A link at the name is followed now, once: the file it leads to is the output.
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
        target = std::filesystem::weakly_canonical(target, error);
        if (error) fail(error.message());
    }
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        if (S_ISDIR(status.st_mode)) fail("it is a folder, not a file");
        // A pipe without a reader is refused rather than waited for.
        fd_ = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) fail(reason());
        const int flags = ::fcntl(fd_, F_GETFL);
        if (flags >= 0) static_cast<void>(::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK));
        stream_ = true;
        return;
    }
    folder_ = std::make_shared<OutputFolder>(target.parent_path(), what_, false);
    name_ = target.filename();
    take();
}

AtomicOutput::AtomicOutput(std::shared_ptr<const OutputFolder> folder, const std::filesystem::path& name,
                           std::string what)
    : folder_(std::move(folder)), name_(name), shown_(folder_->path() / name), what_(std::move(what)) {
    take();
}

void AtomicOutput::take() {
    temp_ = temporaryName(name_);
    const int folder = folder_->descriptor();
    // A few tries: a file that another simhost renamed or removed after it
    // was opened here is not the one to write.
    constexpr int kAttempts = 4;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = ::openat(folder, temp_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd < 0) fail(fmt::format("cannot make {}: {}", utf8Text(temp_), reason()));
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool busy = errno == EWOULDBLOCK;
            const std::string why = reason();
            ::close(fd);
            fail(busy ? std::string("another simhost is writing it") : fmt::format("cannot lock it: {}", why));
        }
        struct stat status {};
        if (::fstat(fd, &status) != 0) {
            const std::string why = reason();
            ::close(fd);
            fail(why);
        }
        const FileIdentity identity = identityOf(status);
        if (!sameEntry(folder, temp_, identity)) {
            ::close(fd);
            continue;
        }
        if (!S_ISREG(status.st_mode) || status.st_nlink != 1) {
            // Not a file of ours (another name links to it): made afresh.
            static_cast<void>(::unlinkat(folder, temp_.c_str(), 0));
            ::close(fd);
            continue;
        }
        if (::ftruncate(fd, 0) != 0) {
            const std::string why = reason();
            ::close(fd);
            fail(why);
        }
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) static_cast<void>(::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK));
        fd_ = fd;
        identity_ = identity;
        return;
    }
    fail(fmt::format("{} keeps changing", utf8Text(temp_)));
}

AtomicOutput::~AtomicOutput() { abandon(); }

void AtomicOutput::fail(const std::string& why) const {
    throw std::runtime_error(fmt::format("cannot write {} {}: {}", what_, utf8Text(shown_), why));
}

void AtomicOutput::discardPrevious() {
    if (stream_ || fd_ < 0) return;
    const std::string why = folder_->discard(name_);
    if (!why.empty()) fail(why);
}

void AtomicOutput::write(std::string_view data) {
    if (fd_ < 0) fail("it was closed");
    std::string why;
    if (!writeOutputFile(fd_, data.data(), data.size(), why)) fail(why);
}

void AtomicOutput::commit() {
    if (fd_ < 0) fail("it was closed");
    const int fd = std::exchange(fd_, -1);
    if (stream_) {
        if (::close(fd) != 0) fail(reason());
        return;
    }
    const int folder = folder_->descriptor();
    // Renamed while still locked, so that no other simhost takes up the
    // file in between; a temporary file replaced meanwhile is not renamed.
    if (!sameEntry(folder, temp_, identity_)) {
        ::close(fd);
        fail(fmt::format("{} was replaced while it was written", utf8Text(temp_)));
    }
    if (::renameat(folder, temp_.c_str(), folder, name_.c_str()) != 0) {
        const std::string why = reason();
        static_cast<void>(::unlinkat(folder, temp_.c_str(), 0));
        ::close(fd);
        fail(why);
    }
    if (::close(fd) != 0) {
        // The system lost bytes after all: the name holds no whole file.
        const std::string why = reason();
        static_cast<void>(::unlinkat(folder, name_.c_str(), 0));
        fail(why);
    }
}

void AtomicOutput::commitFile(const std::filesystem::path& whole) {
    if (fd_ < 0) fail("it was closed");
    if (!stream_) {
        // The temporary file's lock is held until the rename is done.
        if (::renameat(AT_FDCWD, whole.c_str(), folder_->descriptor(), name_.c_str()) == 0) {
            abandon();
            return;
        }
        if (errno != EXDEV) fail(reason());
    }
    const int in = ::open(whole.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) fail(fmt::format("cannot read {}: {}", utf8Text(whole), reason()));
    constexpr std::size_t kChunk = std::size_t{1} << 20U;
    std::vector<char> buffer(kChunk);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const std::string why = reason();
            ::close(in);
            fail(fmt::format("cannot read {}: {}", utf8Text(whole), why));
        }
        std::string why;
        if (!writeOutputFile(fd_, buffer.data(), static_cast<std::size_t>(got), why)) {
            ::close(in);
            fail(why);
        }
    }
    ::close(in);
    commit();
}

void AtomicOutput::abandon() noexcept {
    if (fd_ < 0) return;
    const int fd = std::exchange(fd_, -1);
    if (!stream_ && sameEntry(folder_->descriptor(), temp_, identity_)) {
        static_cast<void>(::unlinkat(folder_->descriptor(), temp_.c_str(), 0));
    }
    ::close(fd);
}

void reportFileSizeLimitAsError() { static_cast<void>(::signal(SIGXFSZ, SIG_IGN)); }

}  // namespace cabkit::sim
