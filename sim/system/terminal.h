// Whether the standard error stream is a terminal someone watches, where a
// progress bar helps, rather than a file or a pipe, where it is noise.
#ifndef CABKIT_SIM_TERMINAL_H
#define CABKIT_SIM_TERMINAL_H

namespace cabkit::sim {

bool standardErrorIsTerminal();

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TERMINAL_H
