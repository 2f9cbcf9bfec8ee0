#include "gnuplot_runner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace cabkit::sim {
namespace {

bool onPath(std::string_view program) {
    const char* path = std::getenv("PATH");  // NOLINT(concurrency-mt-unsafe): read before any thread starts
    std::string_view rest = path != nullptr ? path : "";
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        std::string candidate(folder.empty() ? std::string_view(".") : folder);
        candidate += '/';
        candidate += program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        if (colon == std::string_view::npos) return false;
        rest = rest.substr(colon + 1);
    }
}

}  // namespace

void runGnuplot(const std::string& script) {
    if (!onPath("gnuplot")) {
        throw std::runtime_error(
            "gnuplot is not on PATH: install it (Debian: gnuplot-nox) or leave out --plot and --plot-time");
    }
    // A fixed command; the script goes through the pipe, never the shell.
    // gnuplot draws on its standard output when it cannot open the file:
    // that goes nowhere, its messages still reach stderr.
    std::FILE* pipe = popen("gnuplot >/dev/null", "w");  // NOLINT(cert-env33-c)
    if (pipe == nullptr) throw std::runtime_error("cannot start gnuplot");
    const bool written = std::fwrite(script.data(), 1, script.size(), pipe) == script.size();
    const int status = pclose(pipe);
    if (!written || status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("gnuplot failed (its messages are above)");
    }
}

}  // namespace cabkit::sim
