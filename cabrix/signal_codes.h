// From the aspect of the section ahead to the cab-signal code, and what a new
// aspect announces to the driver (chime, bell): CCabrix::aspectSignalled.
#ifndef CABKIT_CABRIX_SIGNAL_CODES_H
#define CABKIT_CABRIX_SIGNAL_CODES_H

#include <cstdint>

#include "cabrix_rules.h"
#include "ccabrix.h"

namespace cabkit::cabrix {

struct CabSignal {
    int32_t code;   // 0..9; no aspect gives 4
    bool received;  // a code 2..9 is on the rails
};

// The code an aspect carries; aspects outside the table carry none (0).
CabSignal cabSignalForAspect(int32_t aspect);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_SIGNAL_CODES_H
