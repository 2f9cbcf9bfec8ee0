#include "gnuplot_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace cabkit::sim {
namespace {

// The first executable `program` in a folder of PATH, or "".
std::string onPath(std::string_view program) {
    const char* path = std::getenv("PATH");  // NOLINT(concurrency-mt-unsafe): read before any thread starts
    std::string_view rest = path != nullptr ? path : "";
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        std::string candidate(folder.empty() ? std::string_view(".") : folder);
        candidate += '/';
        candidate += program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string_view::npos) return {};
        rest = rest.substr(colon + 1);
    }
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

void runGnuplot(const std::string& script, const std::filesystem::path& folder) {
    const std::string gnuplot = onPath("gnuplot");
    if (gnuplot.empty()) {
        throw std::runtime_error(
            "gnuplot is not on PATH: install it (Debian: gnuplot-nox) or leave out --plot and --plot-time");
    }
    int pipeEnds[2] = {-1, -1};
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot start gnuplot: " + std::string(strerror(errno)));
    // Spawned rather than forked: no fork handler of the process runs, and
    // the folder is gnuplot's own working folder, never a word of a command.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    char* const argv[] = {const_cast<char*>("gnuplot"), nullptr};  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    pid_t child = -1;
    const int spawned = posix_spawn(&child, gnuplot.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[0]);
    if (spawned != 0) {
        ::close(pipeEnds[1]);
        throw std::runtime_error("cannot start gnuplot: " + std::string(strerror(spawned)));
    }
    // gnuplot may stop reading early; its failure is then reported, not a SIGPIPE.
    struct sigaction ignore {};
    struct sigaction before {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &before);
    const bool written = writeAll(pipeEnds[1], script);
    ::close(pipeEnds[1]);
    sigaction(SIGPIPE, &before, nullptr);
    int status = 0;
    pid_t waited = -1;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (!written || waited != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("gnuplot failed (its messages are above)");
    }
}

}  // namespace cabkit::sim
