// Random sessions: the fuzz harness's call generator, fed random bytes, on
// the one plug-in for the request's budget, each session from a fresh load.
// Every call is logged as a host-call line before it is made (the host's
// own writes to a slot too), and the log is begun afresh with each session,
// so that when a session breaks the plug-in, the log holds the calls that
// broke it, from a fresh load, ready to shrink and replay.
#ifndef CABKIT_SIM_VALIDATE_RANDOM_SESSION_H
#define CABKIT_SIM_VALIDATE_RANDOM_SESSION_H

#include "check_battery.h"
#include "check_result.h"

namespace cabkit::sim::validate {

// A fault the generator finds ends this process (it aborts, saying why on
// stderr); a session that ends normally is not logged past its start.
CheckResult randomSessions(const CheckRequest& request);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_RANDOM_SESSION_H
