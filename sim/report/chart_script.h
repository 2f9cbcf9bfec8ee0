// The gnuplot script that draws a run's chart (chart_data.h) against
// location or time: three panels over one x axis (speeds with the marks; the
// code, aspect and beacon bands; the notches with the interventions) that
// end where the run ended.
//
// The script holds only text simhost writes itself. Every text that comes
// from elsewhere (the scenario's name, its stations, labels built from them,
// the plug-ins' names) goes into data files beside it, read as string
// columns, so gnuplot never takes any of it for a command, a substitution or
// markup. gnuplot runs in a folder of its own and writes the picture there
// under a fixed name: the chart's path never reaches it either.
#ifndef CABKIT_SIM_CHART_SCRIPT_H
#define CABKIT_SIM_CHART_SCRIPT_H

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "chart_data.h"

namespace cabkit::sim {

// The picture is written to "chart.svg" or "chart.png" in gnuplot's folder.
inline constexpr const char* kChartFile = "chart";
inline constexpr const char* kTextsFile = "texts.dat";
inline constexpr const char* kStationsFile = "stations.dat";
inline constexpr const char* kBeaconsFile = "beacons.dat";
inline constexpr const char* kSupervisionFile = "supervision.dat";
inline constexpr std::array<const char*, 2> kMarksFiles = {"marks-leaning.dat", "marks-upright.dat"};

struct ChartJob {
    std::string script;
    std::vector<std::pair<std::string, std::string>> files;  // name in gnuplot's folder, content
};

// `terminal` is "svg" or "png".
ChartJob chartScript(const ChartData& data, const std::string& terminal, ChartAxis axis);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CHART_SCRIPT_H
