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

// Key 3 (pressed or released) releases the emergency latch only with the
// brake handle at the emergency notch; a pending warning is not touched.
constexpr bool resetReleasesLatch(bool brakeAtEmergencyNotch) { return brakeAtEmergencyNotch; }

static_assert(acknowledges({true, true, 1, 0, true}) && !acknowledges({true, true, 0, 0, true}) &&
                  !acknowledges({true, true, 1, 1, true}) && !acknowledges({true, false, 1, 0, true}),
              "no acknowledgement once the time is up, during the test or below the check notch");

}  // namespace cabkit::contract::sentrel

#endif  // CABKIT_SENTREL_SENTREL_RULES_H
