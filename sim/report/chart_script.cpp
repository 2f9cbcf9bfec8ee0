#include "chart_script.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include <fmt/format.h>

#include "cab_contract_index.h"
#include "label_layout.h"
#include "printable_text.h"
#include "speed_chart.h"

namespace cabkit::sim {
namespace {

namespace cabrix = contract::cabrix;

// The picture and its three panels, as fractions of its height.
constexpr int32_t kWidthPx = 1280;
constexpr int32_t kHeightPx = 900;
constexpr double kLeft = 0.07, kRight = 0.97;
constexpr double kSpeedTop = 0.90, kSpeedBottom = 0.44;
constexpr double kBandsTop = 0.43, kBandsBottom = 0.28;
constexpr double kNotchTop = 0.27, kNotchBottom = 0.09;
constexpr double kLegendBottom = 0.02;
// A character of the small font, and the room a rotated label needs.
constexpr double kCharPx = 5.6;
constexpr double kRotatedLabelPx = 13.0;
constexpr std::size_t kMostPerLabel = 3;
constexpr std::size_t kMostMarkChars = 36;
constexpr int32_t kLabelRows = 3;
// Against location: stations this close beyond the run are drawn, and the
// axis reaches this share of its span beyond either end.
constexpr double kStationMargin = 200.0;
constexpr double kEndMargin = 0.015;

constexpr uint32_t kSpeedColour = 0x1f5fbf;
constexpr uint32_t kPermittedColour = 0xd35400;
constexpr uint32_t kAllowedColour = 0x8e44ad;
constexpr uint32_t kPowerColour = 0x2a9d2a;
constexpr uint32_t kHandleColour = 0x555555;
constexpr uint32_t kNeutralColour = 0x999999;
constexpr uint32_t kWindowColour = 0xe6a0a0;

// A string column of a data file, shown as it is: gnuplot reads a quoted
// field with backslash escapes, so backslashes are doubled and a quote is
// written in octal (a \" inside would end the field where strcol reads it).
// What would break the line or the picture is escaped visibly first: SVG
// text may not hold "]]>", which gnuplot leaves as it is.
std::string dataText(const std::string& text) {
    std::string shown = printable(text);
    for (std::size_t at = shown.find("]]>"); at != std::string::npos; at = shown.find("]]>", at)) {
        shown.replace(at + 2, 1, "\\x3e");
    }
    std::string out = "\"";
    for (const char c : shown) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\042";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string rgb(uint32_t colour) { return fmt::format("'#{:06x}'", colour); }

// A code's colour by the speed Cabrix's mode 2 permits for it: red for a
// stop, through orange and yellow to greens and blue for the fastest; grey
// for the codes that are not received.
uint32_t codeColour(int32_t code) {
    const cabrix::CabSignalCode* row = findCabSignalCode(code);
    if (row == nullptr || !row->received) return 0xbbbbbb;  // no code: Cabrix supervises by its mode alone
    const int32_t speed = row->permittedModeTwo;
    if (speed <= 0) return 0xe74c3c;
    if (speed <= 15) return 0xf39c12;
    if (speed <= 25) return 0xf1c40f;
    if (speed <= 45) return 0xb8e186;
    if (speed <= 55) return 0x7fbc41;
    if (speed <= 65) return 0x4dac26;
    return 0x2c7fb8;
}

// The code an aspect gives, by Cabrix's table.
int32_t codeOfAspect(int32_t aspect) {
    for (const cabrix::CabSignalCode& row : cabSignalCodes()) {
        if (row.aspect == aspect) return row.code;
    }
    return 0;
}

// Tics against time every 1, 2, 5, 10, 15 or 30 s, 1, 2, 5, 10, 15 or 30
// min, or hours: about ten of them.
double timeTicInterval(double seconds) {
    constexpr std::array<double, 15> kSteps = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 21600};
    for (const double step : kSteps) {
        if (seconds / step <= 12.0) return step;
    }
    return kSteps.back();
}

class Script {
public:
    Script(const ChartData& data, ChartAxis axis) : data_(data), axis_(axis) {
        if (data.samples.empty()) {
            low_ = 0.0;
            high_ = 1.0;
        } else if (axis == ChartAxis::Location) {
            low_ = data.lowestLocation;
            high_ = data.highestLocation;
            // A station the train stopped short of or just past is drawn,
            // and nothing at either end sits on the frame.
            for (const auto& [location, name] : data.stations) {
                if (location >= low_ - kStationMargin && location <= high_ + kStationMargin) {
                    low_ = std::min(low_, location);
                    high_ = std::max(high_, location);
                }
            }
            const double margin = (high_ - low_) * kEndMargin;
            low_ -= margin;
            high_ += margin;
        } else {
            low_ = x(data.first);
            high_ = x(data.last);
        }
        if (high_ - low_ < 1.0) high_ = low_ + 1.0;  // a train that never moved
        unitsPerPx_ = (high_ - low_) / ((kRight - kLeft) * kWidthPx);
    }

    ChartJob write(const std::string& terminal) {
        header(terminal);
        texts();
        dataBlocks();
        fmt::format_to(out(), "set multiplot title texts[1] font ',13' noenhanced\n");
        fmt::format_to(out(), "set lmargin at screen {}\nset rmargin at screen {}\nset xrange [{:.3f}:{:.3f}]\n", kLeft,
                       kRight, low_, high_);
        speedPanel();
        bandsPanel();
        notchPanel();
        fmt::format_to(out(), "unset multiplot\n");
        job_.script = std::move(text_);
        return std::move(job_);
    }

private:
    std::back_insert_iterator<std::string> out() { return std::back_inserter(text_); }
    std::string& file(const char* name) { return job_.files.emplace_back(name, std::string()).second; }
    double x(const RunPoint& at) const {
        return axis_ == ChartAxis::Location ? at.location : static_cast<double>(at.timeOfDayMs) / 1000.0;
    }
    bool narrow(double from, double to, std::size_t chars) const {
        return std::fabs(to - from) < (static_cast<double>(chars) + 1.0) * kCharPx * unitsPerPx_;
    }

    // Texts from elsewhere are drawn noenhanced: no markup in them.
    void header(const std::string& terminal) {
        fmt::format_to(out(), "set encoding utf8\n");
        if (terminal == "svg") {
            fmt::format_to(out(), "set terminal svg size {},{} dynamic font 'sans,10' background '#ffffff'\n", kWidthPx,
                           kHeightPx);
        } else {
            fmt::format_to(out(), "set terminal pngcairo size {},{} font 'sans,10' background '#ffffff'\n", kWidthPx,
                           kHeightPx);
        }
        fmt::format_to(out(), "set output '{}.{}'\n", kChartFile, terminal);
    }

    // The title and the plug-ins' legend entries, read into texts[] from a
    // file: a string that only ever was data is never taken for a command.
    void texts() {
        std::string& lines = file(kTextsFile);
        lines += dataText(data_.title) + "\n";
        for (const std::string& name : data_.names) lines += dataText(name + " brakes") + "\n";
        fmt::format_to(out(), "array texts[{}]\nstats '{}' using (texts[int($0) + 1] = strcol(1), 0) nooutput\n",
                       1 + data_.names.size(), kTextsFile);
    }

    // Segments as one line with steps between neighbours and breaks at gaps.
    void segmentBlock(const char* name, const std::vector<ChartSegment>& segments) {
        fmt::format_to(out(), "${} << EOD\n", name);
        const ChartSegment* before = nullptr;
        for (const ChartSegment& s : segments) {
            if (before != nullptr && before->to.elapsedMs != s.from.elapsedMs) fmt::format_to(out(), "\n");
            fmt::format_to(out(), "{:.3f} {}\n{:.3f} {}\n", x(s.from), s.value, x(s.to), s.value);
            before = &s;
        }
        fmt::format_to(out(), "EOD\n");
    }

    // Coloured boxes of a band at height `y`, labelled where there is room.
    void bandBlock(const char* name, const std::vector<ChartSegment>& segments, bool aspects) {
        fmt::format_to(out(), "${} << EOD\n", name);
        for (const ChartSegment& s : segments) {
            const auto value = static_cast<int32_t>(s.value);
            const uint32_t colour = codeColour(aspects ? codeOfAspect(value) : value);
            const std::string label = fmt::format("{}", value);
            fmt::format_to(out(), "{:.3f} {:.3f} {} {}\n", x(s.from), x(s.to), colour,
                           dataText(narrow(x(s.from), x(s.to), label.size()) ? "" : label));
        }
        fmt::format_to(out(), "EOD\n");
    }

    void dataBlocks() {
        fmt::format_to(out(), "$samples << EOD\n");
        for (const ChartSample& s : data_.samples) {
            fmt::format_to(out(), "{:.3f} {:.3f} {} {}\n", x(s.at), s.at.speed, s.power, s.driverBrake);
        }
        if (data_.samples.empty()) fmt::format_to(out(), "0 0 0 0\n");
        fmt::format_to(out(), "EOD\n");
        segmentBlock("permitted", data_.permitted);
        segmentBlock("allowed", data_.allowed);
        bandBlock("codes", data_.codes, false);
        bandBlock("aspects", data_.aspects, true);
    }

    void stationLines() {
        if (axis_ != ChartAxis::Location) return;
        for (const auto& [location, name] : data_.stations) {
            if (location < low_ || location > high_) continue;
            fmt::format_to(out(),
                           "set arrow from {0:.3f},graph 0 to {0:.3f},graph 1 nohead dashtype 2 lc rgb '#888888'\n",
                           location);
        }
    }

    // Velorin's controller on the speed panel: each restriction a shaded
    // stretch up to its target speed, each stop point a line. Returns the
    // labels, for a data file.
    std::string supervisionZones(double top) {
        std::string labels;
        const Supervision& zones = data_.supervision;
        for (const SpeedRestriction& r : zones.restrictions) {
            if (r.replaced) continue;
            double from = r.start, to = r.end;
            if (axis_ == ChartAxis::Time) {
                if (!r.entered) continue;
                from = x(*r.entered);
                to = r.left ? x(*r.left) : x(data_.last);
            }
            const auto target = static_cast<double>(r.targetKmh);
            fmt::format_to(
                out(),
                "set object rect from {0:.3f},0 to {1:.3f},{2} fc rgb {3} fs transparent solid 0.15 noborder\n"
                "set arrow from {0:.3f},{2} to {1:.3f},{2} nohead linewidth 2 lc rgb {3}\n",
                from, std::max(to, from + unitsPerPx_), target, rgb(kAllowedColour));
            fmt::format_to(std::back_inserter(labels), "{:.3f} {} {}\n", from, target,
                           dataText(fmt::format("restriction {}", r.targetKmh)));
        }
        std::vector<ChartLabel> names;
        for (const StopPoint& point : zones.stopPoints) {
            if (point.replaced) continue;
            double at = point.location;
            if (axis_ == ChartAxis::Time) {
                if (!point.reached) continue;
                at = x(*point.reached);
            }
            fmt::format_to(out(),
                           "set arrow from {0:.3f},graph 0 to {0:.3f},graph 1 nohead dashtype 4 linewidth 1.2 lc rgb "
                           "{1}\n",
                           at, rgb(kAllowedColour));
            names.push_back(ChartLabel{at, 0.0, point.label, {}, 0, 0, 0});
        }
        // Below the stations' rows; two points in one place share a label.
        std::stable_sort(names.begin(), names.end(),
                         [](const ChartLabel& a, const ChartLabel& b) { return a.x < b.x; });
        names = mergeClose(names, kRotatedLabelPx * unitsPerPx_, kMostPerLabel);
        for (const ChartLabel& label : placeInRows(names, kCharPx * unitsPerPx_ * 1.1, 2, high_)) {
            fmt::format_to(std::back_inserter(labels), "{:.3f} {:.1f} {}\n", label.x,
                           top * (label.row == 0 ? 0.87 : 0.83), dataText(label.text));
        }
        return labels;
    }

    // The band of what Sentrel and Cabrix supervise: Cabrix cut out, beacon
    // pairs (in Sentrel's colour where the second trips) and timing windows.
    void supervisionBand() {
        const Supervision& zones = data_.supervision;
        const uint32_t cabrixColour = pluginColour(std::string(contract::partyName(contract::kCabrix)));
        const uint32_t sentrelColour = pluginColour(std::string(contract::partyName(contract::kSentrel)));
        struct Item {
            double from, to;
            uint32_t colour;
            std::string label;
        };
        std::vector<Item> items;
        const auto add = [&](const RunPoint& from, const RunPoint& to, uint32_t colour, std::string label) {
            const double a = std::min(x(from), x(to));
            items.push_back(Item{a, std::max({x(from), x(to), a + 2.0 * unitsPerPx_}), colour, std::move(label)});
        };
        for (const CutOut& c : zones.cutOuts) add(c.from, c.to, cabrixColour, "Cabrix cut out");
        for (const BeaconPair& pair : zones.pairs) {
            const RunPoint second = pair.second.value_or(pair.first);
            std::string label =
                pair.second ? fmt::format("pair {} ms", second.elapsedMs - pair.first.elapsedMs) : "pair";
            add(pair.first, second, pair.trips ? sentrelColour : kNeutralColour, std::move(label));
        }
        for (const TimingWindow& w : zones.windows)
            add(w.opened, w.closed.value_or(data_.last), kWindowColour, fmt::format("window {} ms", w.lengthMs));
        std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.from < b.from; });
        // A label may run past its bar up to where the next one starts.
        std::string rows;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Item& item = items[i];
            const double room = (i + 1 < items.size() ? items[i + 1].from : high_) - item.from;
            const bool fits = !narrow(item.from, item.from + room, item.label.size());
            fmt::format_to(std::back_inserter(rows), "{:.3f} {:.3f} {} {}\n", item.from, item.to, item.colour,
                           dataText(fits ? item.label : ""));
        }
        fmt::format_to(out(), "$supervision << EOD\n{}EOD\n", rows);
    }

    void speedPanel() {
        fmt::format_to(out(), "set tmargin at screen {}\nset bmargin at screen {}\n", kSpeedTop, kSpeedBottom);
        // Room above the fastest for the labels of the marks there, and
        // below 0 for a train that ran backwards.
        const double top = std::ceil((data_.topSpeed * 1.4 + 5.0) / 10.0) * 10.0;
        const double bottom = data_.lowestSpeed < 0.0 ? -std::ceil((-data_.lowestSpeed * 1.2 + 1.0) / 5.0) * 5.0 : 0.0;
        fmt::format_to(out(),
                       "set format x ''\nset ylabel 'speed (km/h)'\nset yrange [{}:{}]\nset grid xtics ytics lc rgb "
                       "'#e0e0e0'\nset key at screen {},screen 0.935 right horizontal samplen 2 font ',9'\n",
                       bottom, top, kRight);
        if (bottom < 0.0)
            fmt::format_to(out(), "set arrow from graph 0,first 0 to graph 1,first 0 nohead lc rgb '#888888'\n");
        stationLines();
        std::string supervision = supervisionZones(top);
        std::string stations;
        if (axis_ == ChartAxis::Location) {
            for (const double start : data_.sectionLocations) {
                if (start <= low_ || start > high_) continue;
                fmt::format_to(out(),
                               "set arrow from {0:.3f},graph 0 to {0:.3f},graph 1 nohead dashtype 3 lc rgb '#c8c8c8'\n",
                               start);
            }
            std::vector<ChartLabel> names;
            for (const auto& [location, name] : data_.stations) {
                if (location >= low_ && location <= high_)
                    names.push_back(ChartLabel{location, 0.0, name, {}, 0, 0, 0});
            }
            // Near the top of the panel, in two rows: the y range is fixed
            // above, so a fraction of it is a fraction of the panel.
            for (const ChartLabel& label : placeInRows(names, kCharPx * unitsPerPx_ * 1.3, 2, high_)) {
                fmt::format_to(std::back_inserter(stations), "{:.3f} {:.3f} {}\n", label.x,
                               top * (label.row == 0 ? 0.97 : 0.93), dataText(label.text));
            }
        }
        std::string plots =
            fmt::format("$samples using 1:2 with lines linewidth 2 lc rgb {} title 'speed'", rgb(kSpeedColour));
        if (!stations.empty()) {
            file(kStationsFile) = std::move(stations);
            plots += fmt::format(
                ", '{}' using 1:2:3 with labels left offset 0.3,0 textcolor rgb '#555555' noenhanced notitle",
                kStationsFile);
        }
        if (!supervision.empty()) {
            file(kSupervisionFile) = std::move(supervision);
            plots += fmt::format(
                ", '{}' using 1:2:3 with labels left offset 0.3,0.5 font ',8' textcolor rgb {} noenhanced notitle",
                kSupervisionFile, rgb(kAllowedColour));
        }
        if (!data_.permitted.empty()) {
            plots += fmt::format(
                ", $permitted using 1:2 with lines linewidth 1.5 lc rgb {} title 'permitted speed "
                "(Cabrix)'",
                rgb(kPermittedColour));
        }
        if (!data_.allowed.empty()) {
            plots += fmt::format(
                ", $allowed using 1:2 with lines linewidth 1.5 dashtype 2 lc rgb {} title "
                "\"controller's speed for its code (Velorin)\"",
                rgb(kAllowedColour));
        }
        std::vector<ChartLabel> marks;
        for (const ChartTick& mark : data_.marks) {
            marks.push_back(ChartLabel{x(mark.at), mark.at.speed, mark.label, mark.brief, mark.colour, 0, mark.rank});
        }
        std::stable_sort(marks.begin(), marks.end(),
                         [](const ChartLabel& a, const ChartLabel& b) { return a.x < b.x; });
        marks = mergeClose(marks, kRotatedLabelPx * unitsPerPx_, kMostPerLabel);
        for (ChartLabel& m : marks) m.text = shortened(m.text, kMostMarkChars);
        {
            // A label leans right at 60 degrees, or stands upright where it
            // would run into the next one or off the right edge. Each kind
            // is a data block of its own: gnuplot falls over labels whose
            // points are all undefined.
            std::array<std::string, 2> blocks;
            for (std::size_t i = 0; i < marks.size(); ++i) {
                const ChartLabel& m = marks[i];
                const double reach = m.x + 0.5 * kCharPx * static_cast<double>(m.text.size()) * unitsPerPx_;
                const bool upright = reach > high_ || (i + 1 < marks.size() && reach > marks[i + 1].x);
                fmt::format_to(std::back_inserter(blocks[upright ? 1 : 0]), "{:.3f} {:.3f} {} {}\n", m.x, m.y, m.colour,
                               dataText(m.text));
            }
            for (std::size_t kind = 0; kind < blocks.size(); ++kind) {
                if (blocks[kind].empty()) continue;
                const char* name = kMarksFiles[kind];
                file(name) = std::move(blocks[kind]);
                plots += fmt::format(
                    ", '{0}' using 1:2:3 with points pointtype 7 pointsize 0.6 lc rgb variable notitle"
                    ", '{0}' using 1:2:4:3 with labels rotate by {1} left offset {2} font ',8' tc rgb variable "
                    "noenhanced notitle",
                    name, kind == 0 ? 60 : 90, kind == 0 ? "0.3,0.4" : "0,0.5");
            }
        }
        fmt::format_to(out(), "plot {}\n", plots);
        fmt::format_to(out(), "unset label\nunset arrow\nunset object\nunset key\n");
    }

    void bandsPanel() {
        fmt::format_to(out(), "set tmargin at screen {}\nset bmargin at screen {}\n", kBandsTop, kBandsBottom);
        fmt::format_to(out(),
                       "set ylabel ''\nset yrange [0:6]\nset ytics ('code' 5.5, 'aspect' 4.5, 'supervised' 3.5, "
                       "'beacons' 1.6) scale 0\nset grid xtics noytics\n");
        stationLines();
        const std::vector<double> sections = [&] {
            std::vector<double> xs;
            if (axis_ == ChartAxis::Location) {
                for (const double start : data_.sectionLocations) {
                    if (start > low_ && start <= high_) xs.push_back(start);
                }
            } else {
                for (const ChartTick& tick : data_.sectionStarts) xs.push_back(x(tick.at));
            }
            return xs;
        }();
        for (const double start : sections) {
            fmt::format_to(out(), "set arrow from {0:.3f},4 to {0:.3f},6 nohead lc rgb '#000000' linewidth 1.5\n",
                           start);
        }
        std::vector<ChartLabel> beacons;
        for (const ChartTick& tick : data_.beacons)
            beacons.push_back(ChartLabel{x(tick.at), 0.0, tick.label, tick.brief, 0, 0, 0});
        std::stable_sort(beacons.begin(), beacons.end(),
                         [](const ChartLabel& a, const ChartLabel& b) { return a.x < b.x; });
        beacons = placeInRows(mergeClose(beacons, 2.0 * unitsPerPx_, 2), kCharPx * unitsPerPx_, kLabelRows, high_);
        std::string plots;
        if (!beacons.empty()) {
            std::string& labels = file(kBeaconsFile);
            for (const ChartLabel& b : beacons) {
                fmt::format_to(std::back_inserter(labels), "{:.3f} {:.2f} {}\n", b.x, 2.45 - 0.9 * b.row,
                               dataText(b.text));
            }
            fmt::format_to(out(), "$ticks << EOD\n");
            for (const ChartTick& tick : data_.beacons) fmt::format_to(out(), "{:.3f}\n", x(tick.at));
            fmt::format_to(out(), "EOD\n");
            plots = fmt::format(
                "$ticks using 1:(3):(0):(-0.3) with vectors nohead lc rgb '#333333' notitle, "
                "'{}' using 1:2:3 with labels left offset -0.2,0 font ',8' noenhanced notitle",
                kBeaconsFile);
        } else {
            plots = "1/0 notitle";  // something to plot, so that the band's frame is drawn
        }
        if (!data_.codes.empty()) {
            plots +=
                ", $codes using (($1+$2)/2):(5.5):(($2-$1)/2):(0.42):3 with boxxyerror fs solid 0.85 noborder lc "
                "rgb variable notitle, $codes using (($1+$2)/2):(5.5):4 with labels font ',8' notitle";
        }
        if (!data_.aspects.empty()) {
            plots +=
                ", $aspects using (($1+$2)/2):(4.5):(($2-$1)/2):(0.42):3 with boxxyerror fs solid 0.45 noborder "
                "lc rgb variable notitle, $aspects using (($1+$2)/2):(4.5):4 with labels font ',8' notitle";
        }
        const Supervision& zones = data_.supervision;
        if (!zones.cutOuts.empty() || !zones.pairs.empty() || !zones.windows.empty()) {
            supervisionBand();
            plots +=
                ", $supervision using (($1+$2)/2):(3.5):(($2-$1)/2):(0.3):3 with boxxyerror fs solid 0.5 noborder "
                "lc rgb variable notitle, $supervision using 1:(3.5):4 with labels left offset 0.2,0 font ',8' "
                "noenhanced notitle";
        }
        fmt::format_to(out(), "plot {}\n", plots);
        fmt::format_to(out(), "unset arrow\nunset label\n");
    }

    void notchPanel() {
        fmt::format_to(out(), "set tmargin at screen {}\nset bmargin at screen {}\n", kNotchTop, kNotchBottom);
        if (axis_ == ChartAxis::Location) {
            fmt::format_to(out(), "set format x '%g'\nset xlabel 'location (m)'\n");
        } else {
            const double interval = timeTicInterval(high_ - low_);
            // A clock's hours: past midnight the axis reads 00:00 again, as the log does.
            fmt::format_to(out(), "set xtics {}\nset format x '{}' time\nset xlabel 'time of day'\n", interval,
                           interval < 60.0 ? "%H:%M:%S" : "%H:%M");
        }
        const int32_t top = std::max(data_.topPowerNotch, 1);
        fmt::format_to(out(),
                       "set ylabel 'notch' offset 1,0\nset yrange [{}:{}]\nset ytics 2 scale 1\nset grid xtics ytics\n"
                       "set key at screen {},screen {} right horizontal samplen 2 font ',9'\n",
                       -data_.emergencyNotch - 0.5, top + 0.5, kRight, kLegendBottom);
        stationLines();
        fmt::format_to(out(), "set arrow from graph 0,first 0 to graph 1,first 0 nohead lc rgb '#000000'\n");

        // Each application a box over its duration: brakes down to their
        // strongest notch, power cuts up to the driver's notch they cut.
        std::array<std::string, 2> blocks;  // brakes, cuts
        std::array<bool, kMaxPlugins> braked{};
        for (const Application& app : data_.applications) {
            const bool brake = app.kind == Application::Kind::Brake;
            const double from = x(app.start);
            const double to = std::max(x(app.end), from + unitsPerPx_);
            std::string label;
            if (app.flickers > 0) label = fmt::format("on/off {}", app.flickers + 1);
            if (narrow(from, to, label.size())) label.clear();
            fmt::format_to(std::back_inserter(blocks[brake ? 0 : 1]), "{:.3f} {:.3f} {} {} {}\n", from, to,
                           brake ? -app.highestNotch : app.highestNotch, pluginColour(data_.names[app.plugin]),
                           dataText(label));
            if (brake) braked[app.plugin] = true;
        }
        std::string plots;
        for (std::size_t i = 0; i < data_.names.size(); ++i) {
            if (!braked[i]) continue;
            plots += fmt::format("keyentry with boxes fs solid 0.4 lc rgb {} title texts[{}] noenhanced, ",
                                 rgb(pluginColour(data_.names[i])), i + 2);
        }
        if (!blocks[1].empty()) plots += "keyentry with boxes fs pattern 4 lc rgb '#555555' title 'power cut', ";
        for (std::size_t kind = 0; kind < blocks.size(); ++kind) {
            if (blocks[kind].empty()) continue;
            fmt::format_to(out(), "$applications{} << EOD\n{}EOD\n", kind, blocks[kind]);
            plots += fmt::format(
                "$applications{0} using (($1+$2)/2):($3/2):(($2-$1)/2):(abs($3)/2):4 with boxxyerror fs transparent "
                "{1} lc rgb variable notitle, $applications{0} using (($1+$2)/2):($3 {2} 0.6):5 with labels font ',8' "
                "notitle, ",
                kind, kind == 0 ? "solid 0.4" : "pattern 4", kind == 0 ? "-" : "+");
        }
        plots += fmt::format("$samples using 1:3 with steps lc rgb {} linewidth 1.5 title 'power notch (Velorin)', ",
                             rgb(kPowerColour));
        plots += fmt::format("$samples using 1:(-$4) with steps lc rgb {} dashtype 2 title \"driver's brake handle\"",
                             rgb(kHandleColour));
        fmt::format_to(out(), "plot {}\n", plots);
        fmt::format_to(out(), "unset arrow\n");
    }

    const ChartData& data_;
    ChartAxis axis_;
    double low_ = 0.0, high_ = 1.0;
    double unitsPerPx_ = 1.0;
    std::string text_;
    ChartJob job_;
};

}  // namespace

ChartJob chartScript(const ChartData& data, const std::string& terminal, ChartAxis axis) {
    return Script(data, axis).write(terminal);
}

}  // namespace cabkit::sim
