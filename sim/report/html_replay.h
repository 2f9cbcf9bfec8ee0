// The cab replay: one HTML file that shows a run as the driver saw it, frame
// by frame, in any browser and without a network. The page's script and
// styles are built into simhost; the run goes in as data, every slot and
// handle kept only where it changed.
#ifndef CABKIT_SIM_HTML_REPLAY_H
#define CABKIT_SIM_HTML_REPLAY_H

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cab_layout.h"
#include "change_series.h"
#include "event_log.h"
#include "expectation_checker.h"
#include "host_arrays.h"
#include "replay.h"
#include "supervision_zones.h"

namespace cabkit::sim {

class HtmlReplay : public ReplayObserver {
public:
    // Throws std::runtime_error when the file cannot be created, so a run
    // does not go to waste on an output that cannot be written.
    explicit HtmlReplay(const std::filesystem::path& path);

    void onStart(const ReplayContext& context) override;
    void onInput(const InputEvent& event) override;
    void onFrame(const Frame& frame) override;
    void onEnd(const Frame& last) override;

    // Writes the page once the run is over and the log and the checker have
    // seen all of it. Throws std::runtime_error when the write fails.
    void write(const EventLog& log, const ExpectationChecker& checker);

    // The run as the page reads it (JSON), without the page around it.
    std::string data(const EventLog& log, const ExpectationChecker& checker) const;

private:
    OtherSlots otherSlots() const;

    struct Handles {
        ChangeSeries brake, power, reverser, constantSpeed;
    };

    std::filesystem::path path_;
    std::ofstream out_;
    const Scenario* scenario_ = nullptr;
    std::vector<std::string> callingOrder_;
    int64_t frames_ = 0;
    ChangeSeries elapsed_, timeOfDay_, location_, speed_;
    Handles driver_, combined_;
    std::array<Handles, kMaxPlugins> commands_;
    std::array<ChangeSeries, CABKIT_PANEL_SLOTS> panel_;
    std::string otherPlugins_;  // those without a contract of ours, by name
    bool ours_ = true;
    std::array<ChangeSeries, CABKIT_SOUND_SLOTS> sound_;
    SupervisionZones zones_;
    int64_t firstElapsedMs_ = 0;
};

// The page around the data: the embedded template with its styles, its
// script and `dataJson` put in. Text that could end the data's script
// element early is escaped.
std::string htmlReplayPage(const std::string& title, const std::string& dataJson);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_HTML_REPLAY_H
