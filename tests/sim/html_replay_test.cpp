// The cab replay's data: changes kept compactly and exactly as the trace
// prints them, and a page that no scenario text can break out of.
#include <gtest/gtest.h>

#include <limits>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "change_series.h"
#include "html_replay.h"
#include "sim_test_support.h"

namespace cabkit::sim {
namespace {

struct SeriesCase {
    const char* what;
    std::vector<std::pair<int64_t, int64_t>> recorded;  // (frame, value) in order
    std::vector<int64_t> frames, values;                // as encoded
};

class ChangeSeriesEncoding : public ::testing::TestWithParam<SeriesCase> {};

TEST_P(ChangeSeriesEncoding, KeepsOnlyChangesAndFoldsWhatRepeats) {
    ChangeSeries series;
    for (const auto& [frame, value] : GetParam().recorded) series.record(frame, value);
    const ChangeSeries::Encoded e = series.encoded();
    EXPECT_EQ(e.frames, GetParam().frames) << GetParam().what;
    EXPECT_EQ(e.values, GetParam().values) << GetParam().what;
}

// Markers: -(8r + 0) r changes spaced like the last, -(8r + k) r copies of
// the change k before.
INSTANTIATE_TEST_SUITE_P(
    Cases, ChangeSeriesEncoding,
    ::testing::Values(
        SeriesCase{"never changes from 0", {{0, 0}, {1, 0}, {2, 0}}, {}, {}},
        SeriesCase{"starts non-zero, then holds", {{0, 5}, {1, 5}}, {0}, {5}},
        SeriesCase{
            "a clock: one change and its copies", {{0, 16}, {1, 32}, {2, 48}, {3, 64}}, {0, 1, -(8 * 2 + 1)}, {16, 16}},
        SeriesCase{
            "a lamp that blinks", {{0, 1}, {31, 0}, {62, 1}, {93, 0}, {124, 1}}, {0, 31, 31, -(8 * 2 + 2)}, {1, -1, 1}},
        SeriesCase{"a brake flickering every frame",
                   {{9, 8}, {10, 0}, {11, 8}, {12, 0}, {13, 8}, {14, 0}},
                   {9, 1, 1, -(8 * 3 + 2)},
                   {8, -8, 8}},
        SeriesCase{"accelerating: every frame, changes differ",
                   {{0, 10}, {1, 21}, {2, 33}, {3, 46}, {4, 60}},
                   {0, 1, -(8 * 3 + 0)},
                   {10, 11, 12, 13, 14}},
        SeriesCase{"accelerating, then steady",
                   {{0, 10}, {1, 21}, {2, 33}, {3, 45}, {4, 57}, {5, 69}},
                   {0, 1, 1, -(8 * 3 + 1)},
                   {10, 11, 12}},
        SeriesCase{"on for two frames, off for one",
                   {{1, 8}, {3, 0}, {4, 8}, {6, 0}, {7, 8}, {9, 0}, {10, 8}},
                   {1, 2, -(8 * 5 + 2)},
                   {8, -8}},
        SeriesCase{
            "a sound stopped and started", {{0, -10000}, {5, 0}, {6, -10000}}, {0, 5, 1}, {-10000, 10000, -10000}}));

TEST(ChangeSeriesThousandths, RoundLikeTheTraceAndStayInRange) {
    // Values whose third decimal a naive x * 1000 rounds differently.
    for (const double value : {0.0, 1.0005, 2.0015, 1799.9995, -3.2225, 0.0004999, 123456.789, -0.0015}) {
        std::string printed = fmt::format("{:.3f}", value);  // as the trace has it
        printed.erase(printed.find('.'), 1);
        EXPECT_EQ(thousandths(value), std::stoll(printed)) << value;
    }
    EXPECT_EQ(thousandths(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(thousandths(std::numeric_limits<double>::infinity()), 1'000'000'000'000'000);
    EXPECT_EQ(thousandths(-1e300), -1'000'000'000'000'000);
}

TEST(CabReplayPage, ScenarioTextCannotEndTheDataOrTheTitleEarly) {
    const std::string hostile = "</script><script>alert(1)</script><!--";
    const std::string page = htmlReplayPage(hostile, "{\"title\":\"" + hostile + "\"}");
    // The template's own two script elements, no more.
    std::size_t closes = 0;
    for (std::size_t at = 0; (at = page.find("</script>", at)) != std::string::npos; ++at) ++closes;
    EXPECT_EQ(closes, 2U);
    EXPECT_FALSE(test::contains(page, "<script>alert"));
    EXPECT_TRUE(test::contains(page, "<title>&lt;/script&gt;"));
    EXPECT_TRUE(test::contains(page, R"(\u003c/script\u003e)"));
}

TEST(CabReplayPage, PlacesTheLogAndTheExpectationsOnFramesAndRefusesAnUnwritableFile) {
    test::ScratchFolder folder;
    const auto scenario = folder.write("short.toml", R"(
name = "short"
[start]
brake = 0
[run]
duration = 1
[[driver]]
after = 0.5
power = 2
[[expect]]
value = "location"
at_least = 0
after = 0.6
)");
    const std::string stubs = std::string(" --plugins '") + SIM_STUB_DIR + "'";
    const auto page = folder.file("short.html");
    const auto result =
        test::runSimhost(folder, "run '" + scenario.string() + "' --html '" + page.string() + "'" + stubs);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string html = test::readFile(page);
    const std::string open = R"(<script type="application/json" id="replay-data">)";
    const std::size_t from = html.find(open) + open.size();
    const auto data = nlohmann::json::parse(html.substr(from, html.find("</script>", from) - from));
    EXPECT_EQ(data["frames"], 64);  // 16 ms steps up to the first at or past 1000 ms
    // The driver's action at 500 ms reaches the plug-ins before frame 32 (512 ms).
    bool found = false;
    for (const auto& entry : data["log"]) found = found || (entry[0] == 32 && entry[3] == "driver");
    EXPECT_TRUE(found) << data["log"].dump();
    EXPECT_EQ(data["expectations"][0]["state"], "passed");
    EXPECT_EQ(data["expectations"][0]["judgedFrame"], 38);  // the first frame at or after 600 ms

    const auto refused =
        test::runSimhost(folder, "run '" + scenario.string() + "' --html /nonexistent/folder/x.html" + stubs);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(test::contains(refused.err, "--html /nonexistent/folder/x.html: cannot write there")) << refused.err;
    EXPECT_TRUE(refused.out.empty()) << "the run should not start: " << refused.out;
}

}  // namespace
}  // namespace cabkit::sim
