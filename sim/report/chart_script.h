// The gnuplot script that draws a run's chart (chart_data.h) against
// location or time, its data inline: three panels over one x axis (speeds
// with the marks; the code, aspect and beacon bands; the notches with the
// interventions) that end where the run ended.
#ifndef CABKIT_SIM_CHART_SCRIPT_H
#define CABKIT_SIM_CHART_SCRIPT_H

#include <filesystem>
#include <string>

#include "chart_data.h"

namespace cabkit::sim {

// `terminal` is "svg" or "png".
std::string chartScript(const ChartData& data, const std::filesystem::path& output, const std::string& terminal,
                        ChartAxis axis);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CHART_SCRIPT_H
