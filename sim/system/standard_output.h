// Standard output that reaches its file or pipe one whole line at a time, so
// that a process that is ended abruptly has lost no line it finished.
#ifndef CABKIT_SIM_STANDARD_OUTPUT_H
#define CABKIT_SIM_STANDARD_OUTPUT_H

namespace cabkit::sim {

// Call before anything is written to stdout.
void writeStandardOutputByLine();

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_STANDARD_OUTPUT_H
