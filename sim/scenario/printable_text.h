// Text from a scenario file or the command line, made safe to print: a name
// may hold any character TOML allows, and a terminal must not take part of
// it for a command or a line break.
#ifndef CABKIT_SIM_PRINTABLE_TEXT_H
#define CABKIT_SIM_PRINTABLE_TEXT_H

#include <string>
#include <string_view>

namespace cabkit::sim {

// `text` with control characters written as escapes: \n, \r, \t, other
// C0 controls and DEL as \xHH, C1 controls (U+0080..U+009F) as \u00HH.
// Everything else, backslashes included, is kept as it is.
std::string printable(std::string_view text);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PRINTABLE_TEXT_H
