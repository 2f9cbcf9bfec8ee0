#include "atomic_output.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "output_file.h"
#include "utf8_path.h"
#include "wide_text.h"

namespace cabkit::sim {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::filesystem::path temporaryName(const std::filesystem::path& name) {
    return std::filesystem::path(L"." + name.native() + L".partial");
}

// A handle as a descriptor the C runtime writes through; -1 when none.
int descriptorOf(HANDLE file) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
    if (fd < 0) CloseHandle(file);
    return fd;
}

}  // namespace

OutputFolder::OutputFolder(const std::filesystem::path& folder, const std::string& what, bool exclusive) {
    std::error_code error;
    path_ = std::filesystem::weakly_canonical(std::filesystem::absolute(folder.empty() ? "." : folder), error);
    if (error || !std::filesystem::is_directory(path_, error)) {
        throw std::runtime_error(fmt::format("{} {}: cannot open the folder", what, utf8Text(folder)));
    }
    if (!exclusive) return;
    // A lock file no one else may open, gone when its handle closes.
    const HANDLE lock = CreateFileW((path_ / L".simhost-lock").c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        throw std::runtime_error(
            code == ERROR_SHARING_VIOLATION
                ? fmt::format("{} {}: another simhost is writing into this folder", what, utf8Text(folder))
                : fmt::format("{} {}: cannot lock the folder: {}", what, utf8Text(folder), systemErrorText(code)));
    }
    lock_ = reinterpret_cast<int64_t>(lock);
}

OutputFolder::~OutputFolder() {
    if (lock_ != 0) CloseHandle(reinterpret_cast<HANDLE>(lock_));
}

std::string OutputFolder::discard(const std::filesystem::path& name) const {
    if (DeleteFileW((path_ / name).c_str()) == 0) {
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND) return systemErrorText(code);
    }
    return {};
}

AtomicOutput::AtomicOutput(const std::filesystem::path& path, std::string what) : shown_(path), what_(std::move(what)) {
    std::error_code error;
    std::filesystem::path target = std::filesystem::absolute(path, error);
    if (error) fail(error.message());
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
        target = std::filesystem::weakly_canonical(target, error);
        if (error) fail(error.message());
    }
    const auto status = std::filesystem::status(target, error);
    if (std::filesystem::is_directory(status)) fail("it is a folder, not a file");
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        const HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) fail(systemErrorText(GetLastError()));
        fd_ = descriptorOf(file);
        if (fd_ < 0) fail("cannot open it");
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
    // Shared with no one: a second simhost cannot open it while this one writes.
    const HANDLE file = CreateFileW((folder_->path() / temp_).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        fail(code == ERROR_SHARING_VIOLATION
                 ? std::string("another simhost is writing it")
                 : fmt::format("cannot make {}: {}", utf8Text(temp_), systemErrorText(code)));
    }
    fd_ = descriptorOf(file);
    if (fd_ < 0) fail("cannot open it");
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
    if (!closeOutputFile(fd)) fail("the system could not write all of it");
    if (stream_) return;
    const std::filesystem::path temp = folder_->path() / temp_;
    if (MoveFileExW(temp.c_str(), (folder_->path() / name_).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        const DWORD code = GetLastError();
        DeleteFileW(temp.c_str());
        fail(systemErrorText(code));
    }
}

void AtomicOutput::commitFile(const std::filesystem::path& whole) {
    if (fd_ < 0) fail("it was closed");
    if (!stream_) {
        // Moved, or copied where it lies on another volume.
        if (MoveFileExW(whole.c_str(), (folder_->path() / name_).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) == 0) {
            fail(systemErrorText(GetLastError()));
        }
        abandon();
        return;
    }
    const int in = _wopen(whole.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (in < 0) fail(fmt::format("cannot read {}", utf8Text(whole)));
    std::vector<char> buffer(std::size_t{1} << 20U);
    for (;;) {
        const int got = _read(in, buffer.data(), static_cast<unsigned int>(buffer.size()));
        if (got == 0) break;
        std::string why;
        if (got < 0 || !writeOutputFile(fd_, buffer.data(), static_cast<std::size_t>(got), why)) {
            _close(in);
            fail(got < 0 ? fmt::format("cannot read {}", utf8Text(whole)) : why);
        }
    }
    _close(in);
    commit();
}

void AtomicOutput::abandon() noexcept {
    if (fd_ < 0) return;
    static_cast<void>(closeOutputFile(std::exchange(fd_, -1)));
    if (!stream_) DeleteFileW((folder_->path() / temp_).c_str());
}

void reportFileSizeLimitAsError() {}  // Windows has no such signal

}  // namespace cabkit::sim
