#include "toml_reading.h"

#include <cmath>

#include "toml_depth.h"

namespace cabkit::sim {

toml::table parseToml(std::string_view text, const std::string& path) {
    if (const auto line = findTooDeepNesting(text)) {
        throw ScenarioError(
            path, *line,
            fmt::format("nested more than {} levels deep (tables, dotted keys, arrays and inline tables "
                        "together); a scenario needs only a few",
                        kMaxTomlNesting));
    }
    try {
        return toml::parse(text, path);
    } catch (const toml::parse_error& error) {
        throw ScenarioError(path, static_cast<int32_t>(error.source().begin.line),
                            fmt::format("not valid TOML: {}", error.description()));
    }
}

int32_t lineOf(const toml::node& node, int32_t fallback) {
    const auto line = node.source().begin.line;
    return line > 0 ? static_cast<int32_t>(line) : fallback;
}

int32_t TableReader::lineOfKey(const char* key) const {
    const toml::node* n = table_.get(key);
    return n ? lineOf(*n, line_) : line_;
}

const toml::node* TableReader::node(const char* key) {
    used_.insert(key);
    return table_.get(key);
}

std::optional<int64_t> TableReader::integer(const char* key, int64_t low, int64_t high) {
    const toml::node* n = node(key);
    if (n == nullptr) return std::nullopt;
    const auto* value = n->as_integer();
    if (value == nullptr) failAt(key, fmt::format("'{}' in {} must be an integer", key, context_));
    const int64_t v = value->get();
    if (v < low || v > high) {
        failAt(key, fmt::format("'{}' in {} must lie in {} .. {}, not {}", key, context_, low, high, v));
    }
    return v;
}

std::optional<int32_t> TableReader::int32(const char* key, int64_t low, int64_t high) {
    const auto v = integer(key, low, high);
    return v ? std::optional<int32_t>(static_cast<int32_t>(*v)) : std::nullopt;
}

std::optional<double> TableReader::asNumber(const toml::node& n) {
    if (const auto* f = n.as_floating_point()) return f->get();
    if (const auto* i = n.as_integer()) return static_cast<double>(i->get());
    return std::nullopt;
}

std::optional<double> TableReader::number(const char* key, double low, double high) {
    const toml::node* n = node(key);
    if (n == nullptr) return std::nullopt;
    const auto v = asNumber(*n);
    if (!v || !std::isfinite(*v)) failAt(key, fmt::format("'{}' in {} must be a finite number", key, context_));
    if (*v < low || *v > high) {
        failAt(key, fmt::format("'{}' in {} must lie in {} .. {}, not {}", key, context_, low, high, *v));
    }
    return v;
}

std::optional<std::string> TableReader::string(const char* key) {
    const toml::node* n = node(key);
    if (n == nullptr) return std::nullopt;
    const auto* value = n->as_string();
    if (value == nullptr) failAt(key, fmt::format("'{}' in {} must be a string", key, context_));
    return value->get();
}

std::optional<bool> TableReader::boolean(const char* key) {
    const toml::node* n = node(key);
    if (n == nullptr) return std::nullopt;
    const auto* value = n->as_boolean();
    if (value == nullptr) failAt(key, fmt::format("'{}' in {} must be true or false", key, context_));
    return value->get();
}

std::optional<std::vector<double>> TableReader::numbers(const char* key, std::size_t expected, double low,
                                                        double high) {
    const toml::node* n = node(key);
    if (n == nullptr) return std::nullopt;
    const auto* array = n->as_array();
    const std::string what =
        expected > 0 ? fmt::format("a list of {} numbers", expected) : std::string("a non-empty list of numbers");
    if (array == nullptr || array->empty() || (expected > 0 && array->size() != expected)) {
        failAt(key, fmt::format("'{}' in {} must be {}", key, context_, what));
    }
    std::vector<double> values;
    for (const toml::node& element : *array) {
        const auto v = asNumber(element);
        if (!v || !std::isfinite(*v) || *v < low || *v > high) {
            failAt(key, fmt::format("'{}' in {} must be {} in {} .. {}", key, context_, what, low, high));
        }
        values.push_back(*v);
    }
    return values;
}

std::optional<std::array<const toml::node*, 2>> TableReader::pair(const char* key) {
    const toml::node* n = node(key);
    if (n == nullptr) return std::nullopt;
    const auto* array = n->as_array();
    if (array == nullptr || array->size() != 2) {
        failAt(key, fmt::format("'{}' in {} must be a list of two values [from, to]", key, context_));
    }
    return std::array<const toml::node*, 2>{array->get(0), array->get(1)};
}

void TableReader::finish(const std::vector<const char*>& allowed) const {
    for (auto&& [key, value] : table_) {
        if (used_.count(std::string(key.str())) == 0) {
            std::string list;
            for (const char* name : allowed) list += fmt::format("{}{}", list.empty() ? "" : ", ", name);
            throw ScenarioError(file_, lineOf(value, line_),
                                fmt::format("unknown key '{}' in {}; expected one of: {}", key.str(), context_, list));
        }
    }
}

const toml::table& tableOrFail(const toml::node& node, const std::string& what, const std::string& file) {
    const auto* table = node.as_table();
    if (table == nullptr) throw ScenarioError(file, lineOf(node, 0), fmt::format("{} must be a table", what));
    return *table;
}

}  // namespace cabkit::sim
