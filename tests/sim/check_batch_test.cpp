// `simhost check` for CI: JUnit test names that survive edits to the file,
// and a suite spread over machines with --shard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "sim_test_support.h"

namespace cabkit::sim {
namespace {

using test::contains;

// Every value of `attribute` on the report's test cases, in order.
std::vector<std::string> caseNames(const std::string& xml) {
    std::vector<std::string> names;
    for (std::size_t at = xml.find("<testcase name=\""); at != std::string::npos;
         at = xml.find("<testcase name=\"", at + 1)) {
        const std::size_t from = at + 16;
        names.push_back(xml.substr(from, xml.find('"', from) - from));
    }
    return names;
}

// The report's suites, each as its text without times, sorted.
std::vector<std::string> suites(const std::string& xml) {
    std::vector<std::string> found;
    for (std::size_t at = xml.find("<testsuite "); at != std::string::npos; at = xml.find("<testsuite ", at + 1)) {
        std::string suite = xml.substr(at, xml.find("</testsuite>", at) - at);
        for (std::size_t t = suite.find(" time=\""); t != std::string::npos; t = suite.find(" time=\"", t)) {
            suite.erase(t, suite.find('"', t + 7) + 1 - t);
        }
        found.push_back(suite);
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool validates(const std::filesystem::path& report) {
    const std::string command = fmt::format("xmllint --noout --schema '{}' '{}' 2>&1", JUNIT_SCHEMA, report.string());
    return std::system(command.c_str()) == 0;  // NOLINT(cert-env33-c)
}

// A test is named by its id, else by what it expects (numbered when a file
// says it twice): never by its line, so an edit above renames nothing. A
// failure's message carries the span's extreme.
TEST(CheckJUnit, NamesStayWhenALineIsAddedAbove) {
    test::ScratchFolder folder;
    const std::string expectations = R"(
[[expect]]
id = "pulls away"
value = "Velorin power"
equals = 4
after = 2
[[expect]]
value = "speed"
at_most = 1
during = [1, 3]
[[expect]]
value = "speed"
at_most = 1
during = [1, 3]
)";
    const std::string run = "[start]\nreverser = 1\nbrake = 0\n[run]\nduration = 4\n[[driver]]\nafter = 1\npower = 3\n";
    const std::string added =
        "# a comment and a driver's entry above every expectation\n[[driver]]\nafter = 0.5\nhorn = 1\n";
    std::vector<std::string> names;
    for (const std::string& above : {std::string(), added}) {
        const std::string text = fmt::format("{}{}{}", run, above, expectations);
        const auto scenario = folder.write("names.toml", text);
        const auto report = folder.file("names.xml");
        const auto result = test::runSimhost(folder, fmt::format("check --junit '{}' --plugins '{}' '{}'",
                                                                 report.string(), SIM_STUB_DIR, scenario.string()));
        EXPECT_EQ(result.exitCode, 1) << result.err;
        const std::string xml = test::readFile(report);
        EXPECT_TRUE(contains(xml, "over the span, speed was at most ")) << xml;
        EXPECT_TRUE(validates(report)) << xml;
        if (names.empty()) {
            names = caseNames(xml);
        } else {
            EXPECT_EQ(caseNames(xml), names);
        }
    }
    const std::vector<std::string> expected = {"pulls away", "speed &lt;= 1 throughout 1 s .. 3 s",
                                               "speed &lt;= 1 throughout 1 s .. 3 s #2", "replay"};
    EXPECT_EQ(names, expected);
}

// The shards of a suite hold every scenario exactly once, and their reports
// merged as the documentation shows are the whole batch's report.
TEST(CheckShards, CoverTheSuiteOnceAndMergeIntoTheWholeReport) {
    test::ScratchFolder folder;
    std::string scenarios;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(SCENARIO_DIR)) {
        if (entry.path().extension() != ".toml") continue;
        scenarios += " '" + entry.path().string() + "'";
        names.push_back(entry.path().filename().string());
    }
    ASSERT_GE(names.size(), 3U);
    const auto whole = test::runSimhost(
        folder, fmt::format("check -j 2 --junit '{}'{}", folder.file("whole.xml").string(), scenarios));
    ASSERT_EQ(whole.exitCode, 0) << whole.out << whole.err;
    constexpr int32_t kShards = 3;
    std::map<std::string, int32_t> replayed;
    for (int32_t k = 1; k <= kShards; ++k) {
        const auto shard =
            test::runSimhost(folder, fmt::format("check --shard {}/{} --junit '{}'{}", k, kShards,
                                                 folder.file(fmt::format("junit-{}.xml", k)).string(), scenarios));
        EXPECT_EQ(shard.exitCode, 0) << shard.out << shard.err;
        EXPECT_TRUE(contains(shard.out, fmt::format("shard {}/{}: ", k, kShards))) << shard.out;
        for (const std::string& name : names) replayed[name] += contains(shard.out, "/" + name + " (") ? 1 : 0;
    }
    for (const std::string& name : names) EXPECT_EQ(replayed[name], 1) << name;

    const std::string merge = fmt::format(
        "cd '{}' && {{ echo '<?xml version=\"1.0\" encoding=\"UTF-8\"?>'; echo '<testsuites name=\"simhost check\">'; "
        "for f in junit-*.xml; do sed -n '/^  <testsuite /,/^  <\\/testsuite>/p' \"$f\"; done; "
        "echo '</testsuites>'; }} > junit.xml",
        folder.file("").string());
    ASSERT_EQ(std::system(merge.c_str()), 0);  // NOLINT(cert-env33-c)
    const std::string merged = test::readFile(folder.file("junit.xml"));
    EXPECT_EQ(suites(merged), suites(test::readFile(folder.file("whole.xml"))));
    EXPECT_TRUE(validates(folder.file("junit.xml"))) << merged;
}

TEST(CheckShards, ABadShardIsBadInput) {
    test::ScratchFolder folder;
    for (const char* shard : {"0/3", "4/3", "1/0", "3", "a/b", "1/3/2", "-1/3", "1/100000"}) {
        const auto result =
            test::runSimhost(folder, fmt::format("check --shard '{}' '{}/demo.toml'", shard, SCENARIO_DIR));
        EXPECT_EQ(result.exitCode, 2) << shard;
        EXPECT_TRUE(contains(result.err, "--shard: must be K/N with 1 <= K <= N")) << shard << ": " << result.err;
    }
}

}  // namespace
}  // namespace cabkit::sim
