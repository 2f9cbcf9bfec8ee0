#include "terminal.h"

#include <unistd.h>

namespace cabkit::sim {

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

}  // namespace cabkit::sim
