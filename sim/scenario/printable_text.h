// Text from a scenario file, a file name, the environment or a plug-in, made
// safe to print: a name may hold any character, and a terminal, a log reader
// or a chart must not take part of it for a command, a line break or a
// change of writing direction.
#ifndef CABKIT_SIM_PRINTABLE_TEXT_H
#define CABKIT_SIM_PRINTABLE_TEXT_H

#include <cstdio>
#include <string>
#include <string_view>

namespace cabkit::sim {

// `text` with what is not plain text written as escapes: \n, \r, \t, other
// C0 controls and DEL as \xHH; C1 controls (U+0080..U+009F), the
// bidirectional controls (U+061C, U+200E/F, U+202A..U+202E, U+2066..U+2069)
// and the line and paragraph separators (U+2028/9) as \uHHHH; each byte that
// is not part of valid UTF-8 as \xHH. Everything else, backslashes included,
// is kept as it is, so printing twice changes nothing more.
std::string printable(std::string_view text);

// printable(), but line breaks, carriage returns and tabs kept as they are:
// for what a child process prints, line by line.
std::string printableLines(std::string_view text);

// How much of `text` is whole characters: all of it, less a UTF-8 sequence
// cut short at its end (which the next piece of a stream completes).
std::size_t wholeCharacters(std::string_view text);

// Writes `line` as printable() makes it, then a line break: every line
// simhost prints that may carry such text goes out through here.
void printLine(std::FILE* to, std::string_view line);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PRINTABLE_TEXT_H
