// Hands a chart script to gnuplot. gnuplot is looked for on PATH first, so
// that a missing gnuplot is reported as such rather than as a failed chart.
// It runs in the folder it is given, where the script's data files are and
// where it writes the picture; the script goes through a pipe, never a shell
// or a command line. gnuplot's messages go to standard error, never into the
// event log; its standard output goes nowhere.
#ifndef CABKIT_SIM_GNUPLOT_RUNNER_H
#define CABKIT_SIM_GNUPLOT_RUNNER_H

#include <filesystem>
#include <string>

namespace cabkit::sim {

// Throws std::runtime_error when gnuplot is not on PATH (the message says
// how to get it) or does not accept the script.
void runGnuplot(const std::string& script, const std::filesystem::path& folder);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_GNUPLOT_RUNNER_H
