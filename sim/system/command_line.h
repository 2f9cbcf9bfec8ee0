// The program's arguments as UTF-8, whatever the system's code page, and a
// console that shows UTF-8 output as such.
#ifndef CABKIT_SIM_COMMAND_LINE_H
#define CABKIT_SIM_COMMAND_LINE_H

#include <string>
#include <vector>

namespace cabkit::sim {

// argv as main received it. On Windows it is read again from the wide
// command line, since argv there holds only what the code page can show,
// and wildcards in file arguments are expanded, as a POSIX shell would.
std::vector<std::string> utf8Arguments(int argc, char** argv);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_COMMAND_LINE_H
