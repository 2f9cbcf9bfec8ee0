// Hostile names driven through every output simhost writes: nothing in them
// runs (no file appears), each output stays valid, and the terminal gets
// them escaped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "printable_text.h"
#include "sim_test_support.h"

namespace cabkit::sim {
namespace {

using test::contains;

struct HostileName {
    const char* label;
    std::string toml;   // the name as a TOML basic string's body
    std::string file;   // the scenario's file stem; "" when no file can be so named
    std::string shown;  // a fragment the chart must show literally (XML-escaped)
};

void PrintTo(const HostileName& name, std::ostream* out) { *out << name.label; }

// $PWNED names a file that exists only if something ran a command.
const std::vector<HostileName>& hostileNames() {
    static const std::vector<HostileName> names = {
        {"backquotes", "x `touch $PWNED` y", "x `touch $PWNED` y", "x `touch $PWNED` y"},
        {"shell", "$(touch $PWNED); touch $PWNED", "$(touch $PWNED)", "$(touch $PWNED); touch $PWNED"},
        {"gnuplot_markup", "{^_@&}~x @name \\\\n \\\\", "{^_@&}~x", "{^_@&amp;}~x @name \\n \\"},
        {"quotes", "it's \\\"q\\\" ''", "it's \"q\"", "it's \"q\" ''"},
        {"controls", "a\\nFAIL\\u001b[31m\\r\\t\\u007f", "a\nFAIL\x1b[31m", "a\\nFAIL\\x1b[31m\\r\\t\\x7f"},
        {"bidi", "abc\\u202Edcb\\u2066x\\u2028y\\u200F",
         "abc\xe2\x80\xae"
         "dcb",
         "abc\\u202edcb\\u2066x\\u2028y"},
        {"nul", "nul\\u0000end", "", "nul\\x00end"},
        {"markup", "</script><b>&amp;<!-- ]]>", "<b>&amp;", "&lt;/script>&lt;b>&amp;amp;&lt;!-- ]]\\x3e"},
    };
    return names;
}

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Each line printed is what printable() leaves as it is.
void expectPrintable(const std::string& output, const char* label) {
    std::size_t from = 0;
    while (from < output.size()) {
        const std::size_t end = std::min(output.find('\n', from), output.size());
        const std::string line = output.substr(from, end - from);
        EXPECT_EQ(printable(line), line) << label;
        from = end + 1;
    }
}

bool xmlValid(const std::filesystem::path& file) {
    const std::string command = "xmllint --noout " + shellQuoted(file.string()) + " 2>&1";
    return std::system(command.c_str()) == 0;  // NOLINT(cert-env33-c)
}

class HostileNames : public testing::TestWithParam<HostileName> {};

TEST_P(HostileNames, ReachEveryOutputAsText) {
    const HostileName& c = GetParam();
    test::ScratchFolder folder;
    const std::filesystem::path pwned = folder.file("pwned");
    const std::string stem = c.file.empty() ? std::string(c.label) : c.file;
    const auto scenario = folder.write(stem + ".toml", "name = \"" + c.toml + R"("
[start]
reverser = 1
brake = 0
[run]
duration = 3
[[route.station]]
location = 0.5
name = ")" + c.toml + R"("
[[driver]]
after = 0.5
power = 3
[[expect]]
value = "speed"
at_least = 0
after = 1
note = ")" + c.toml + "\"\n");
    // The charts' own names carry the text too, as far as a file name can.
    const std::string charts = "c`touch $PWNED`$(touch $PWNED)" + std::string(c.label);
    const std::string command =
        "cd " + shellQuoted(folder.file("").string()) + " && PWNED=" + shellQuoted(pwned.string()) + " '" +
        SIMHOST_EXE + "' check --log " + shellQuoted(scenario.string()) +
        " --trace t.csv --summary s.json --junit j.xml --html " + "h.html --plot " + shellQuoted(charts + ".svg") +
        " --plot-time " + shellQuoted(charts + "-time.svg") + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());  // NOLINT(cert-env33-c)
    const std::string out = test::readFile(folder.file("out.txt"));
    const std::string err = test::readFile(folder.file("err.txt"));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out << err;
    EXPECT_FALSE(std::filesystem::exists(pwned)) << "a command ran";

    expectPrintable(out, c.label);
    expectPrintable(err, c.label);
    EXPECT_TRUE(contains(out, "PASS")) << out;

    EXPECT_FALSE(test::readLines(folder.file("t.csv")).empty());
    const auto summary = nlohmann::json::parse(test::readFile(folder.file("s.json")));
    EXPECT_EQ(summary["scenario"], printable(nlohmann::json::parse("\"" + c.toml + "\"").get<std::string>()));
    EXPECT_TRUE(xmlValid(folder.file("j.xml")));

    for (const char* suffix : {".svg", "-time.svg"}) {
        const auto chart = folder.file(charts + suffix);
        ASSERT_TRUE(std::filesystem::exists(chart)) << suffix;
        EXPECT_TRUE(xmlValid(chart)) << suffix;
        EXPECT_TRUE(contains(test::readFile(chart), c.shown)) << suffix;
    }

    const std::string html = test::readFile(folder.file("h.html"));
    const std::string open = R"(<script type="application/json" id="replay-data">)";
    const std::size_t from = html.find(open);
    ASSERT_NE(from, std::string::npos);
    const std::size_t data = from + open.size();
    // The data ends at the first end tag: a name cannot close it early.
    EXPECT_TRUE(nlohmann::json::accept(html.substr(data, html.find("</script>", data) - data)));
}

INSTANTIATE_TEST_SUITE_P(Names, HostileNames, testing::ValuesIn(hostileNames()),
                         [](const testing::TestParamInfo<HostileName>& name) { return name.param.label; });

// A file name that is not UTF-8: the run works, its name shown escaped.
TEST(HostileFileNames, NotUtf8IsShownEscaped) {
    test::ScratchFolder folder;
    const auto scenario = folder.write("bad\xff\xfe.toml", "[run]\nduration = 1\n");
    const auto result = test::runSimhost(
        folder, "check '" + scenario.string() + "' --summary '" + folder.file("s.json").string() + "'");
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_TRUE(contains(result.out, "bad\\xff\\xfe.toml (bad\\xff\\xfe)")) << result.out;
    EXPECT_EQ(nlohmann::json::parse(test::readFile(folder.file("s.json")))["scenario"], "bad\\xff\\xfe");
}

}  // namespace
}  // namespace cabkit::sim
