// Sentrel's rules as numbers and pure functions: the times of the train
// stop, when the brake handle counts as at the check or the emergency notch,
// when key 0 acknowledges a warning and when key 3 releases the emergency
// brake. The plug-in decides by these and simhost explains by them. No prose
// here: the labels and descriptions are in sentrel_contract.h.
#ifndef CABKIT_SENTREL_SENTREL_RULES_H
#define CABKIT_SENTREL_SENTREL_RULES_H

#include <cstdint>

namespace cabkit::contract::sentrel {

// The fixed times of the train stop, ms.
inline constexpr int32_t kAcknowledgeMs = 5000;  // to acknowledge a warning
inline constexpr int32_t kPairMs = 500;          // shortest passage between paired beacons

// The brake handle as the supervisor sees it at the end of a frame.
constexpr bool brakeAtCheck(int32_t brake, int32_t checkNotch) { return brake >= checkNotch; }
constexpr bool brakeAtEmergency(int32_t brake, int32_t emergencyNotch) { return brake == emergencyNotch; }

// What an acknowledgement is judged on in a supervised frame.
struct AcknowledgeMoment {
    bool keyHeld;         // key 0
    bool brakeAtCheck;    // as of the end of the previous frame
    int32_t ackMs;        // time left to acknowledge, after this frame's countdown
    int32_t selfTestMs;   // the switch-on test still running
    bool warningPending;  // a warning waits
};

// Key 0 with the brake at or beyond the check notch, while time is left and
// no switch-on test runs.
constexpr bool acknowledges(const AcknowledgeMoment& m) {
    return m.keyHeld && m.brakeAtCheck && m.ackMs > 0 && m.selfTestMs == 0 && m.warningPending;
}

// What a taken beacon does. A timing window is open while its time is left;
// a pair beacon finds the pair armed when it is the second of two in a row.
// A warning beacon with optional 0 belongs to a signal and looks only at
// it; with any other optional it warns only inside a window.
constexpr bool warningBeaconWarns(int32_t signal, int32_t optional, bool windowOpen) {
    return optional == 0 ? signal == 0 : windowOpen;
}
// A stop beacon trips at a signal at stop (optional 0), and inside a window
// whatever it carries.
constexpr bool stopBeaconTrips(int32_t signal, int32_t optional, bool windowOpen) {
    return (optional == 0 && signal == 0) || windowOpen;
}
// The signal warning and the direct stop act at a signal at stop.
constexpr bool signalAtStop(int32_t signal) { return signal == 0; }
// The second beacon of a pair trips while the pair's time is not yet up:
// less than kPairMs of frame time lay between the two.
constexpr bool pairTrips(bool armed, int32_t pairMsLeft) { return armed && pairMsLeft > 0; }
// A pending warning whose time ran out latches the emergency brake.
constexpr bool warningExpires(bool warningPending, int32_t ackMs) { return warningPending && ackMs == 0; }

// Key 3 (pressed or released) releases the emergency latch only with the
// brake handle at the emergency notch; a pending warning is not touched.
constexpr bool resetReleasesLatch(bool brakeAtEmergencyNotch) { return brakeAtEmergencyNotch; }

static_assert(acknowledges({true, true, 1, 0, true}) && !acknowledges({true, true, 0, 0, true}) &&
                  !acknowledges({true, true, 1, 1, true}) && !acknowledges({true, false, 1, 0, true}),
              "no acknowledgement once the time is up, during the test or below the check notch");
static_assert(pairTrips(true, 1) && !pairTrips(true, 0) && !pairTrips(false, kPairMs) && stopBeaconTrips(3, 7, true) &&
                  !stopBeaconTrips(0, 7, false) && !warningBeaconWarns(0, 1, false),
              "the second of a pair trips only inside the pair time; a window makes stops and warnings act");

}  // namespace cabkit::contract::sentrel

#endif  // CABKIT_SENTREL_SENTREL_RULES_H
