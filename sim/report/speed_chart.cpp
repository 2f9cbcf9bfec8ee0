#include "speed_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include <fmt/format.h>

#include "gnuplot_runner.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

// gnuplot strings in double quotes: escape what would end or break them.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace

void SpeedChart::onStart(const ReplayContext& context) {
    title_ = context.scenario.name;
    emergencyNotch_ = context.scenario.train.emergencyNotch();
    for (const Station& station : context.scenario.route.stations) stations_.emplace_back(station.location, station.name);
    const int64_t frames = context.scenario.run.durationMs / context.scenario.run.stepMs + 1;
    every_ = std::max<int64_t>(1, frames / kMaxPoints);
    lastSpeed_ = context.scenario.start.speed;
}

void SpeedChart::onInput(const InputEvent& event) {
    std::string label;
    switch (event.kind) {
        case InputEvent::Kind::KeyDown: label = fmt::format("key {}", event.value); break;
        case InputEvent::Kind::DoorOpen: label = "doors open"; break;
        case InputEvent::Kind::DoorClose: label = "doors close"; break;
        default: return;
    }
    marks_.push_back(Mark{event.location, event.speed, std::move(label)});
}

void SpeedChart::onFrame(const Frame& frame) {
    const bool notchChanged = frame.combined.power != lastPower_ || frame.combined.brake != lastBrake_;
    // Keep every notch change as long as that stays affordable; thin the rest.
    if (frame.index % every_ == 0 || (notchChanged && every_ == 1)) {
        points_.push_back(Point{frame.location, frame.speed, frame.combined.power, frame.combined.brake});
    }
    lastPower_ = frame.combined.power;
    lastBrake_ = frame.combined.brake;
    // Only an emergency brake a plug-in imposed; the driver's own is no event.
    const int32_t emergency = frame.combined.brake >= emergencyNotch_ && frame.driver.brake < emergencyNotch_ ? 1 : 0;
    if (emergency != 0 && lastEmergency_ == 0 && frame.index > 0) {
        marks_.push_back(Mark{frame.location, frame.speed, "emergency"});
    }
    lastEmergency_ = emergency;
    if (lastSpeed_ != 0.0 && frame.speed == 0.0) marks_.push_back(Mark{frame.location, 0.0, "stop"});
    lastSpeed_ = frame.speed;
}

std::string SpeedChart::script(const std::filesystem::path& output, const std::string& terminal) const {
    std::string s;
    auto out = std::back_inserter(s);
    if (terminal == "svg") {
        fmt::format_to(out, "set terminal svg size 1280,640 dynamic font 'sans,11' background '#ffffff'\n");
    } else {
        fmt::format_to(out, "set terminal png size 1280,640\n");
    }
    fmt::format_to(out, "set output {}\n", quoted(utf8Text(output)));
    fmt::format_to(out, "set title {}\n", quoted(title_));
    fmt::format_to(out,
                   "set xlabel 'location (m)'\nset ylabel 'speed (km/h)'\nset y2label 'notch (power up, brake down)'\n"
                   "set ytics nomirror\nset y2tics\nset grid\nset key top left\nset y2range [-{}:{}]\n",
                   emergencyNotch_ + 1, 3 * (emergencyNotch_ + 1));
    for (const auto& [location, name] : stations_) {
        fmt::format_to(out, "set arrow from {0},graph 0 to {0},graph 1 nohead dashtype 2 linecolor rgb '#888888'\n",
                       location);
        fmt::format_to(out, "set label {} at {},graph 0.97 center textcolor rgb '#555555'\n", quoted(name), location);
    }
    fmt::format_to(out, "$run << EOD\n");
    for (const Point& p : points_) fmt::format_to(out, "{:.2f} {:.3f} {} {}\n", p.location, p.speed, p.power, p.brake);
    if (points_.empty()) fmt::format_to(out, "0 0 0 0\n");
    fmt::format_to(out, "EOD\n$marks << EOD\n");
    // Marks that would print on top of one another (keys pressed at a
    // standstill) share one label.
    double low = 0.0, high = 0.0;
    for (const Point& p : points_) {
        low = std::min(low, p.location);
        high = std::max(high, p.location);
    }
    const double near = std::max(1.0, (high - low) / 150.0);
    std::vector<Mark> grouped;
    for (const Mark& m : marks_) {
        if (!grouped.empty() && std::fabs(m.location - grouped.back().location) < near) {
            grouped.back().label += ", " + m.label;
        } else {
            grouped.push_back(m);
        }
    }
    for (const Mark& m : grouped) fmt::format_to(out, "{:.2f} {:.3f} {}\n", m.location, m.speed, quoted(m.label));
    if (grouped.empty()) fmt::format_to(out, "0 0 \"\"\n");
    fmt::format_to(out, "EOD\n");
    fmt::format_to(out,
                   "plot $run using 1:2 with lines linewidth 2 linecolor rgb '#1f5fbf' title 'speed', \\\n"
                   "     $run using 1:3 axes x1y2 with steps linecolor rgb '#2a9d2a' title 'power notch', \\\n"
                   "     $run using 1:(-$4) axes x1y2 with steps linecolor rgb '#c0392b' title 'brake notch', \\\n"
                   "     $marks using 1:2 with points pointtype 7 pointsize 0.6 linecolor rgb '#333333' notitle, \\\n"
                   "     $marks using 1:2:3 with labels rotate by 60 left offset 0.3,0.5 font ',8' notitle\n");
    return s;
}

void SpeedChart::render(const std::filesystem::path& output) const {
    const std::string extension = utf8Text(output.extension());
    if (extension != ".svg" && extension != ".png") {
        throw std::runtime_error(fmt::format("the chart {} must end in .svg or .png", utf8Text(output)));
    }
    try {
        runGnuplot(script(output, extension.substr(1)));
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(fmt::format("cannot draw {}: {}", utf8Text(output), error.what()));
    }
}

}  // namespace cabkit::sim
