// Hands a chart script to gnuplot. gnuplot is looked for on PATH first, so
// that a missing gnuplot is reported as such rather than as a failed chart.
// gnuplot's messages go to standard error, never into the event log; what it
// would draw on its standard output (a file it cannot open) goes nowhere.
#ifndef CABKIT_SIM_GNUPLOT_RUNNER_H
#define CABKIT_SIM_GNUPLOT_RUNNER_H

#include <string>

namespace cabkit::sim {

// Throws std::runtime_error when gnuplot is not on PATH (the message says
// how to get it) or does not accept the script.
void runGnuplot(const std::string& script);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_GNUPLOT_RUNNER_H
