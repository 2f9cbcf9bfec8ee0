// Reading TOML for scenarios: the text into a table (its depth checked
// first), and a reader for one table that checks each value's kind and range
// and reports any key it was not asked for. What the keys mean is the
// schema's business (scenario_schema.h).
#ifndef CABKIT_SIM_TOML_READING_H
#define CABKIT_SIM_TOML_READING_H

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include "scenario_error.h"

namespace cabkit::sim {

// Parses `text`; throws ScenarioError for text nested too deep or not TOML.
toml::table parseToml(std::string_view text, const std::string& path);

// The line a node was written on, or `fallback` when it has none.
int32_t lineOf(const toml::node& node, int32_t fallback);

// Reads one TOML table, remembering which keys were used so that a
// misspelled key is reported instead of silently ignored.
class TableReader {
public:
    TableReader(const toml::table& table, std::string context, const std::string& file, int32_t line)
        : table_(table), context_(std::move(context)), file_(file), line_(lineOf(table, line)) {}

    const std::string& context() const { return context_; }
    const std::string& file() const { return file_; }
    int32_t line() const { return line_; }
    bool has(const char* key) const { return table_.get(key) != nullptr; }
    // The line of `key`, or of the table when the key is absent.
    int32_t lineOfKey(const char* key) const;

    [[noreturn]] void fail(const std::string& message) const { throw ScenarioError(file_, line_, message); }
    [[noreturn]] void failAt(const char* key, const std::string& message) const {
        throw ScenarioError(file_, lineOfKey(key), message);
    }

    // The raw node of `key` (null when absent); marks the key as read.
    const toml::node* node(const char* key);

    std::optional<int64_t> integer(const char* key, int64_t low, int64_t high);
    std::optional<int32_t> int32(const char* key, int64_t low = std::numeric_limits<int32_t>::min(),
                                 int64_t high = std::numeric_limits<int32_t>::max());
    // A finite number (an integer is taken as one) in [low, high].
    std::optional<double> number(const char* key, double low = -std::numeric_limits<double>::max(),
                                 double high = std::numeric_limits<double>::max());
    std::optional<std::string> string(const char* key);
    std::optional<bool> boolean(const char* key);
    // A list of finite numbers in [low, high], of a fixed or free length (expected = 0).
    std::optional<std::vector<double>> numbers(const char* key, std::size_t expected, double low, double high);
    // A pair [a, b] of any values; their meaning is the caller's.
    std::optional<std::array<const toml::node*, 2>> pair(const char* key);

    // Every key must have been read.
    void finish(const std::vector<const char*>& allowed) const;

    static std::optional<double> asNumber(const toml::node& n);

private:
    const toml::table& table_;
    std::string context_;
    const std::string& file_;
    int32_t line_;
    std::set<std::string> used_;
};

const toml::table& tableOrFail(const toml::node& node, const std::string& what, const std::string& file);

// [[name]] arrays: calls `each` with every element, each a table.
template <typename Each>
void forEachTable(const toml::node* node, const std::string& what, const std::string& file, Each each) {
    if (node == nullptr) return;
    const auto* array = node->as_array();
    if (array == nullptr) {
        throw ScenarioError(file, lineOf(*node, 0), fmt::format("{} must be written as [[{}]] tables", what, what));
    }
    for (const toml::node& element : *array) {
        each(tableOrFail(element, fmt::format("each [[{}]]", what), file));
    }
}

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TOML_READING_H
