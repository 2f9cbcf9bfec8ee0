#include "standard_output.h"

#include <cstdio>

namespace cabkit::sim {

// The Windows C runtime buffers _IOLBF streams fully. Unbuffered, each
// formatted line still goes out in one write.
void writeStandardOutputByLine() { static_cast<void>(std::setvbuf(stdout, nullptr, _IONBF, 0)); }

}  // namespace cabkit::sim
