#include "command_line.h"

namespace cabkit::sim {

std::vector<std::string> utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace cabkit::sim
