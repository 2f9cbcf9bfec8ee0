// The cab replay as a person opens it: simhost writes the page and the trace
// of the same run, a headless browser with no network shows the page at
// chosen moments, and every lamp, display, sound and handle the page shows
// must equal the trace's value at that frame. Screenshots of some moments are
// kept in the build tree.
//
// Without a browser the checks that need one are skipped, saying why.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "cab_contract_index.h"
#include "sim_test_support.h"

namespace cabkit::sim {
namespace {

using test::contains;
using test::readFile;
using test::ScratchFolder;

using Attributes = std::map<std::string, std::string>;

// ---- The browser -------------------------------------------------------------

bool succeeds(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::optional<std::string> findBrowser() {
    if (const char* chosen = std::getenv("CABKIT_CHROMIUM"); chosen != nullptr && *chosen != '\0') return chosen;
    for (const char* name : {"chromium", "chromium-browser"}) {
        if (succeeds(std::string("command -v ") + name)) return std::string(name);
    }
    return std::nullopt;
}

class Browser {
public:
    explicit Browser(std::string program) : program_(std::move(program)) {
        // The page must work with no network at all: a network namespace of
        // its own where the system allows one, and no proxy or name lookups
        // in any case.
        if (succeeds("unshare -n true")) prefix_ = "unshare -n ";
    }

    // The page's DOM after its script ran, at `fragment`.
    std::string dom(const std::filesystem::path& page, const std::string& fragment) const {
        return run(page, fragment, "--dump-dom");
    }
    void screenshot(const std::filesystem::path& page, const std::string& fragment,
                    const std::filesystem::path& png) const {
        run(page, fragment, "--window-size=1500,1100 --hide-scrollbars --screenshot='" + png.string() + "'");
    }

private:
    std::string run(const std::filesystem::path& page, const std::string& fragment, const std::string& what) const {
        const ScratchFolder profile;
        const auto out = profile.file("out.txt");
        const std::string command =
            "timeout 120 " + prefix_ + program_ +
            " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking"
            " --disable-component-update --disable-sync --no-proxy-server --host-resolver-rules='MAP * ~NOTFOUND'"
            " --virtual-time-budget=5000 --user-data-dir='" +
            profile.file("profile").string() + "' " + what + " 'file://" + page.string() + "#" + fragment + "' >'" +
            out.string() + "' 2>'" + profile.file("err.txt").string() + "'";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n"
                                                                   << readFile(profile.file("err.txt"));
        return readFile(out);
    }

    std::string program_;
    std::string prefix_;
};

// ---- The DOM the browser gives back -----------------------------------------

// The attributes of every element that carries `attribute`, in document
// order. Enough of HTML for a DOM the browser serialised itself: quoted
// attribute values, script contents skipped.
std::vector<Attributes> elementsWith(const std::string& dom, const std::string& attribute) {
    std::vector<Attributes> found;
    std::size_t at = 0;
    while ((at = dom.find('<', at)) != std::string::npos) {
        std::size_t i = at + 1;
        std::string tag;
        while (i < dom.size() && (std::isalnum(static_cast<unsigned char>(dom[i])) != 0 || dom[i] == '-'))
            tag += dom[i++];
        Attributes attributes;
        while (i < dom.size() && dom[i] != '>') {
            if (std::isspace(static_cast<unsigned char>(dom[i])) != 0 || dom[i] == '/') {
                ++i;
                continue;
            }
            std::string name;
            while (i < dom.size() && dom[i] != '=' && dom[i] != '>' &&
                   std::isspace(static_cast<unsigned char>(dom[i])) == 0) {
                name += dom[i++];
            }
            std::string value;
            if (i + 1 < dom.size() && dom[i] == '=' && dom[i + 1] == '"') {
                const std::size_t end = dom.find('"', i + 2);
                value = dom.substr(i + 2, end - i - 2);
                i = end + 1;
            }
            attributes[name] = value;
        }
        if (attributes.count(attribute) != 0) {
            attributes["<tag>"] = tag;
            attributes["<text>"] = dom.substr(i + 1, dom.find('<', i) - i - 1);
            found.push_back(attributes);
        }
        at = i;
        if (tag == "script") at = dom.find("</script>", at);
    }
    return found;
}

Attributes bodyOf(const std::string& dom) {
    const auto bodies = elementsWith(dom, "data-ready");
    return bodies.empty() ? Attributes{} : bodies.front();
}

// ---- The trace ----------------------------------------------------------------

class Trace {
public:
    explicit Trace(const std::filesystem::path& path) : lines_(test::readLines(path)) {
        if (lines_.empty()) return;
        const auto header = split(lines_.front());
        for (std::size_t i = 0; i < header.size(); ++i) columns_[header[i]] = i;
    }
    int64_t frames() const { return static_cast<int64_t>(lines_.size()) - 1; }
    bool has(const std::string& column) const { return columns_.count(column) != 0; }
    std::string text(int64_t frame, const std::string& column) const {
        return split(lines_.at(static_cast<std::size_t>(frame + 1))).at(columns_.at(column));
    }
    double value(int64_t frame, const std::string& column) const { return std::stod(text(frame, column)); }
    // The first frame for which `holds` is true, -1 when none.
    int64_t first(const std::function<bool(int64_t)>& holds) const {
        for (int64_t frame = 0; frame < frames(); ++frame) {
            if (holds(frame)) return frame;
        }
        return -1;
    }

private:
    static std::vector<std::string> split(const std::string& line) {
        std::vector<std::string> cells;
        std::size_t from = 0;
        for (std::size_t comma; (comma = line.find(',', from)) != std::string::npos; from = comma + 1) {
            cells.push_back(line.substr(from, comma - from));
        }
        cells.push_back(line.substr(from));
        return cells;
    }

    std::vector<std::string> lines_;
    std::map<std::string, std::size_t> columns_;
};

// ---- A replayed scenario -------------------------------------------------------

struct Replayed {
    std::filesystem::path page;
    std::unique_ptr<Trace> trace;
};

Replayed replay(const ScratchFolder& folder, const std::string& scenario) {
    const std::string name = std::filesystem::path(scenario).stem().string();
    Replayed out;
    out.page = folder.file(name + ".html");
    const auto trace = folder.file(name + ".csv");
    const auto result =
        test::runSimhost(folder, "run '" + std::string(SCENARIO_DIR) + "/" + scenario + "' --html '" +
                                     out.page.string() + "' --trace '" + trace.string() + "' --slots p0-255,s0-255");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    out.trace = std::make_unique<Trace>(trace);
    return out;
}

std::optional<double> number(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

// Every element that shows a traced quantity agrees with the trace at the
// frame the page says it shows; gives the number of elements compared.
std::size_t expectPageMatchesTrace(const std::string& dom, const Trace& trace, int64_t frame,
                                   const std::string& moment) {
    const Attributes body = bodyOf(dom);
    EXPECT_EQ(body.count("data-ready"), 1U) << moment << ": the page did not finish loading";
    EXPECT_EQ(body.count("data-frame") ? body.at("data-frame") : "", std::to_string(frame)) << moment;
    std::size_t compared = 0;
    for (const Attributes& element : elementsWith(dom, "data-column")) {
        const std::string& column = element.at("data-column");
        if (!trace.has(column)) {
            ADD_FAILURE() << moment << ": the page shows " << column << ", which the trace does not have";
            continue;
        }
        // Compared as numbers: the trace may print a speed just below zero as -0.000.
        const std::string shown = element.count("data-value") ? element.at("data-value") : "(nothing)";
        const std::string traced = trace.text(frame, column);
        EXPECT_TRUE(shown == traced || (number(shown) && number(traced) && *number(shown) == *number(traced)))
            << moment << ", frame " << frame << ": " << column << " on a <" << element.at("<tag>") << "> shows "
            << shown << ", the trace has " << traced;
        ++compared;
    }
    return compared;
}

// What Cabrix permits at every frame, from the slots in the trace and its
// code table: empty while it does not supervise, cut out included.
std::vector<std::string> permittedSpeeds(const Trace& t) {
    namespace cabrix = contract::cabrix;
    const auto column = [](int32_t slot) { return "panel_" + std::to_string(slot); };
    const std::string active = column(contract::panelSlot(cabrix::kPanelSlots, "active lamp"));
    const std::string mode = column(contract::panelSlot(cabrix::kPanelSlots, "mode"));
    const std::string fixed = column(contract::panelSlot(cabrix::kPanelSlots, "fixed-limit lamp"));
    const std::string code = column(contract::sharedSlot("cab-signal code"));
    const std::string cutOut = column(contract::sharedSlot("cut-out lamp"));
    std::vector<std::string> out;
    std::string kept;
    for (int64_t f = 0; f < t.frames(); ++f) {
        if (t.value(f, active) == 0) {
            out.emplace_back();
            continue;
        }
        const auto* row = findCabSignalCode(static_cast<int32_t>(t.value(f, code)));
        const int32_t m = static_cast<int32_t>(t.value(f, mode));
        const int32_t speed = row == nullptr ? cabrix::kKeepsPrevious
                              : m == 0       ? row->permittedModeZero
                              : m == 1       ? row->permittedModeOne
                                             : row->permittedModeTwo;
        if (speed != cabrix::kKeepsPrevious) kept = std::to_string(speed);
        if (t.value(f, cutOut) != 0) {
            out.emplace_back();
        } else {
            out.push_back(t.value(f, fixed) != 0 ? std::to_string(cabrix::kFixedLimit) : kept);
        }
    }
    return out;
}

// A display cell shows its value, or "--" for the empty-field code the
// contract gives its slot.
void expectCellsShowTheirValues(const std::string& dom, const std::string& moment) {
    for (const Attributes& cell : elementsWith(dom, "data-column")) {
        if (cell.at("<tag>") != "td" || cell.at("data-column").rfind("panel_", 0) != 0 || !cell.count("title"))
            continue;
        const std::string& value = cell.at("data-value");
        const std::string& text = cell.at("<text>");
        const auto* row = findPanelSlot(std::stoi(cell.at("data-column").substr(6)));
        ASSERT_NE(row, nullptr) << cell.at("data-column");
        const bool blank = text == "--" && contains(wordsOf(*row).values, value + " blank");
        EXPECT_TRUE(blank || (number(text) && number(text) == number(value)))
            << moment << ": " << row->label << " shows \"" << text << "\" for " << value;
    }
}

// The page at one moment against the trace: every shown quantity, the
// permitted speed, the text of the display cells, and nothing of the
// contract left out.
void expectMoment(const std::string& dom, const Trace& trace, const std::vector<std::string>& permitted, int64_t frame,
                  const std::string& moment) {
    EXPECT_GE(expectPageMatchesTrace(dom, trace, frame, moment), panelSlots().size() + soundSlots().size()) << moment;
    const auto dial = elementsWith(dom, "data-permitted");
    ASSERT_EQ(dial.size(), 1U) << moment;
    EXPECT_EQ(dial.front().at("data-permitted"), permitted.at(static_cast<std::size_t>(frame))) << moment;
    expectCellsShowTheirValues(dom, moment);
}

class CabReplayInBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new ScratchFolder;
        if (const auto program = findBrowser()) browser_ = new Browser(*program);
        demo_ = new Replayed(replay(*folder_, "demo.toml"));
    }
    static void TearDownTestSuite() {
        delete demo_;
        delete browser_;
        delete folder_;
    }
    void SetUp() override {
        if (browser_ == nullptr) {
            GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it): the cab replay is not "
                            "checked in a browser";
        }
    }

    static ScratchFolder* folder_;
    static Browser* browser_;
    static Replayed* demo_;
};

ScratchFolder* CabReplayInBrowser::folder_ = nullptr;
Browser* CabReplayInBrowser::browser_ = nullptr;
Replayed* CabReplayInBrowser::demo_ = nullptr;

std::filesystem::path artefact(const std::string& name) {
    const std::filesystem::path folder = CAB_REPLAY_ARTEFACTS;
    std::filesystem::create_directories(folder);
    return folder / name;
}

TEST_F(CabReplayInBrowser, DemoMomentsShowWhatTheTraceHolds) {
    const Trace& t = *demo_->trace;
    const auto v = [&t](int64_t f, const char* column) { return t.value(f, column); };
    const double emergency = v(0, "driver_brake");  // the demo starts with the brake at emergency
    const double startMs = v(0, "time_ms");
    struct Moment {
        const char* name;
        int64_t frame;
    };
    const std::vector<Moment> moments = {
        {"train-stop-tripped",
         t.first([&](int64_t f) { return v(f, "Sentrel_brake") == emergency && v(f, "driver_brake") < emergency; })},
        {"controller-stopping-at-brookvale", t.first([&](int64_t f) {
             return v(f, "location_m") >= 1799.8 && v(f, "Velorin_brake") >= 2 && v(f, "speed_kmh") > 0;
         })},
        {"cab-signal-braking-at-its-limit", t.first([&](int64_t f) {
             return v(f, "Cabrix_brake") > 0 && v(f, "Cabrix_brake") < emergency && v(f, "driver_brake") == 0;
         })},
        {"doors-open-timetable-advanced", t.first([&](int64_t f) { return v(f, "time_ms") - startMs >= 341'000; })},
        {"end", t.frames() - 1},
    };
    const std::vector<std::string> permitted = permittedSpeeds(t);
    for (const Moment& moment : moments) {
        ASSERT_GE(moment.frame, 0) << moment.name << " never happens in the demo";
        expectMoment(browser_->dom(demo_->page, "frame=" + std::to_string(moment.frame)), t, permitted, moment.frame,
                     moment.name);
        browser_->screenshot(demo_->page, "frame=" + std::to_string(moment.frame),
                             artefact(std::string("demo-") + moment.name + ".png"));
    }
}

TEST_F(CabReplayInBrowser, KeysClicksAndPlaybackMoveThePanel) {
    const Trace& t = *demo_->trace;
    struct Case {
        const char* fragment;
        std::function<bool(int64_t)> expectedFrame;
    };
    int64_t logFrame = -1;
    for (const Attributes& entry : elementsWith(browser_->dom(demo_->page, "frame=100"), "data-frame")) {
        if (entry.count("id") != 0 && entry.at("id") == "log-9") logFrame = std::stoll(entry.at("data-frame"));
    }
    ASSERT_GE(logFrame, 0) << "log entry 9 not found";
    const std::vector<Case> cases = {
        {"frame=100&keys=ArrowRight,ArrowRight,ArrowRight,ArrowLeft", [](int64_t f) { return f == 102; }},
        {"frame=0&keys=End,ArrowLeft", [&t](int64_t f) { return f == t.frames() - 2; }},
        {"t=20", [](int64_t f) { return f == 1250; }},
        {"frame=100&click=log:9", [logFrame](int64_t f) { return f == logFrame; }},
        // Playing in the browser's virtual time: wherever it got to, the panel shows that frame.
        {"frame=2000&play=60", [](int64_t f) { return f > 2000; }},
    };
    for (const Case& c : cases) {
        const std::string dom = browser_->dom(demo_->page, c.fragment);
        const Attributes body = bodyOf(dom);
        ASSERT_EQ(body.count("data-frame"), 1U) << c.fragment;
        const int64_t frame = std::stoll(body.at("data-frame"));
        EXPECT_TRUE(c.expectedFrame(frame)) << c.fragment << " showed frame " << frame;
        expectPageMatchesTrace(dom, t, frame, c.fragment);
    }
}

TEST_F(CabReplayInBrowser, EveryBundledScenarioShowsItsRun) {
    for (const char* scenario : {"cab_signal.toml", "timetable.toml", "train_stop.toml", "vehicle_panel.toml"}) {
        const Replayed run = replay(*folder_, scenario);
        const std::vector<std::string> permitted = permittedSpeeds(*run.trace);
        // The moment with the most lamps lit, a third of the way, and the end.
        int64_t busiest = 0;
        std::size_t mostLit = 0;
        for (int64_t f = 0; f < run.trace->frames(); f += 8) {
            std::size_t lit = 0;
            for (const contract::PanelSlot& row : panelSlots()) {
                lit += isLamp(row.slot) && run.trace->value(f, "panel_" + std::to_string(row.slot)) != 0 ? 1 : 0;
            }
            if (lit > mostLit) std::tie(busiest, mostLit) = std::make_pair(f, lit);
        }
        std::vector<int64_t> moments{busiest, run.trace->frames() / 3, run.trace->frames() - 1};
        // And a moment with Cabrix cut out, where the page shows no permitted speed.
        const std::string cutOut = "panel_" + std::to_string(contract::sharedSlot("cut-out lamp"));
        for (int64_t f = 0; f < run.trace->frames(); ++f) {
            if (run.trace->value(f, cutOut) != 0) {
                moments.push_back(f);
                break;
            }
        }
        for (const int64_t frame : moments) {
            expectMoment(browser_->dom(run.page, "frame=" + std::to_string(frame)), *run.trace, permitted, frame,
                         scenario);
        }
    }
}

// The page asks for nothing outside itself: no script, style, image or font
// from a file or a server.
// Past midnight the page reads the clock as the log does: 00, not 24.
TEST_F(CabReplayInBrowser, TheClockReadsMidnightAsZeroHours) {
    const auto scenario = folder_->write("midnight.toml",
                                         "name = \"midnight\"\n[start]\ntime = \"23:59:50\"\n"
                                         "[run]\nduration = 20\n");
    const auto page = folder_->file("midnight.html");
    const auto result = test::runSimhost(*folder_, "run '" + scenario.string() + "' --html '" + page.string() + "'");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string dom = browser_->dom(page, "t=15");
    EXPECT_NE(dom.find("\u00b7 00:00:05.0"), std::string::npos) << dom.substr(0, 400);
    EXPECT_EQ(dom.find("24:00:05"), std::string::npos);
}

TEST(CabReplayPage, IsOneSelfContainedFile) {
    ScratchFolder folder;
    const Replayed run = replay(folder, "vehicle_panel.toml");
    const std::string page = readFile(run.page);
    for (const char* outside : {" src=", " href=", "url(", "@import", "https:", "<link", "<iframe", "fetch("}) {
        EXPECT_FALSE(contains(page, outside)) << outside;
    }
    // The one address in it is the SVG namespace, which is a name, not a request.
    std::size_t at = 0, addresses = 0;
    while ((at = page.find("http://", at)) != std::string::npos) {
        EXPECT_EQ(page.compare(at, 26, "http://www.w3.org/2000/svg"), 0) << page.substr(at, 60);
        ++addresses;
        ++at;
    }
    EXPECT_LE(addresses, 1U);
}

}  // namespace
}  // namespace cabkit::sim
