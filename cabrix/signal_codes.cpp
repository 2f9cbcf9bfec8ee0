#include "signal_codes.h"

#include <array>

#include "sound_commands.h"

namespace cabkit::cabrix {
namespace {

struct AspectEntry {
    int32_t aspect;
    CabSignal signal;
};

// Aspect 10 carries code 1, which only the full mode acts on; it counts as
// no code received.
constexpr std::array<AspectEntry, 8> kAspectTable{{
    {10, {1, false}},
    {11, {2, true}},
    {13, {3, true}},
    {15, {5, true}},
    {19, {6, true}},
    {21, {7, true}},
    {23, {8, true}},
    {25, {9, true}},
}};

constexpr CabSignal kNoCode{0, false};

constexpr bool chimesForCode(int32_t code) { return code >= 2 && code <= 9; }

}  // namespace

CabSignal cabSignalForAspect(int32_t aspect) {
    for (const AspectEntry& entry : kAspectTable) {
        if (entry.aspect == aspect) {
            return entry.signal;
        }
    }
    return kNoCode;
}

void receiveSignal(CCabrix& cab, int32_t aspect) {
    // Step 1: the code and whether one is received.
    const CabSignal signal = cabSignalForAspect(aspect);
    cab.signalCode = signal.code;
    cab.signalReceived = signal.received;

    // Step 2: a real code chimes once supervision can be selected.
    if (chimesForCode(signal.code) && cab.mode != kModeOff) {
        cab.chimeTrigger = CABKIT_SOUND_PLAY_ONCE;
    }

    // Step 3: the bell marks a change into or out of the coded aspects.
    if (aspect != cab.lastAspect && (aspect >= kBellAspectFrom || cab.lastAspect >= kBellAspectFrom)) {
        cab.bellTrigger = CABKIT_SOUND_PLAY_ONCE;
    }
    cab.lastAspect = aspect;
}

}  // namespace cabkit::cabrix
