// Interventions as a person sees them. A plug-in brakes when it returns more
// brake than the driver's handle and cuts power when it returns less power;
// at the limit of a permitted speed a supervisor switches its brake on and
// off every frame, which a driver feels as one application. So a brake or a
// power cut that lets go for less than kHoldMs before it comes back has not
// let go: the folder turns the frames into applications, each with its
// start, its release, its strongest notch and the number of times it
// flickered (let go and came back within the hold time).
#ifndef CABKIT_SIM_INTERVENTION_FOLDER_H
#define CABKIT_SIM_INTERVENTION_FOLDER_H

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "replay.h"

namespace cabkit::sim {

// Where and when something happened in the run.
struct RunPoint {
    int64_t elapsedMs = 0;
    int64_t timeOfDayMs = 0;
    double location = 0.0;
    double speed = 0.0;
};

RunPoint pointOf(const Frame& frame);

struct Application {
    enum class Kind : uint8_t { Brake, PowerCut };
    Kind kind = Kind::Brake;
    std::size_t plugin = 0;  // calling-order position
    RunPoint start;
    RunPoint end;              // the frame it let go for good (the last frame when still on)
    int32_t highestNotch = 0;  // brake: the strongest notch; power cut: the highest driver's notch it cut
    bool emergency = false;    // the brake reached the emergency notch
    int32_t flickers = 0;      // times it let go and came back within the hold time
    int64_t onMs = 0;          // frame time it was on, the gaps left out
    bool open = false;         // still on in the last frame of the run
    std::string cause;         // why the plug-in began it (and went on to the emergency notch), if known

    int64_t durationMs() const { return end.elapsedMs - start.elapsedMs; }
};

class InterventionFolder {
public:
    // Gaps shorter than this do not end an application.
    static constexpr int64_t kHoldMs = 1000;

    struct News {
        enum class What : uint8_t { Began, Flickered, Emergency, Ended };
        What what;
        std::size_t application;  // index into applications()
    };

    InterventionFolder(int32_t emergencyNotch, int32_t stepMs) : emergencyNotch_(emergencyNotch), stepMs_(stepMs) {}

    // Folds in one frame; news() then tells what began, came back within the
    // hold time, reached the emergency notch or ended (hold time over) in it.
    void fold(const Frame& frame);
    // Ends what is still open at the end of the run: news() then tells it.
    void finish(const Frame& last);

    std::span<const News> news() const { return news_; }
    // Says why an application of this frame's news began or reached the
    // emergency notch; a second cause is added to the first.
    void addCause(std::size_t application, const std::string& cause);
    const std::vector<Application>& applications() const { return applications_; }

private:
    struct Track {
        std::optional<std::size_t> open;  // the application under way
        bool on = false;                  // imposed in the last frame
    };
    void step(Track& track, Application::Kind kind, std::size_t plugin, int32_t notch, const Frame& frame);

    int32_t emergencyNotch_;
    int32_t stepMs_;
    std::array<std::array<Track, 2>, kMaxPlugins> tracks_{};  // [plugin][kind]
    std::vector<Application> applications_;
    std::vector<News> news_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_INTERVENTION_FOLDER_H
