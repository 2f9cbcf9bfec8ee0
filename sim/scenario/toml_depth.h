// How deep a TOML text nests, measured before the TOML reader sees it: the
// reader builds a table for every part of a dotted key and recurses through
// them, so a key of tens of thousands of parts would exhaust the stack.
#ifndef CABKIT_SIM_TOML_DEPTH_H
#define CABKIT_SIM_TOML_DEPTH_H

#include <cstdint>
#include <optional>
#include <string_view>

namespace cabkit::sim {

// Tables, dotted-key parts, arrays and inline tables nested within one
// another, counted together. A scenario needs six at most.
inline constexpr int32_t kMaxTomlNesting = 32;

// The line where `text` first nests deeper than `limit`, or nothing. Reads
// strings and comments as TOML does, so that no character inside them
// counts; for text that is not valid TOML the answer may be any line, or
// none, and the TOML reader reports the real mistake.
std::optional<int32_t> findTooDeepNesting(std::string_view text, int32_t limit = kMaxTomlNesting);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TOML_DEPTH_H
