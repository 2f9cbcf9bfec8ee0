#include "standard_output.h"

#include <cstdio>

namespace cabkit::sim {

void writeStandardOutputByLine() { static_cast<void>(std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ)); }

}  // namespace cabkit::sim
