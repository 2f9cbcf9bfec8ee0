#include "ats_beacons.h"

namespace cabkit::sentrel {
namespace {

// Any speed but 0 is moving, backwards included.
bool moving(const BeaconContext& context) { return context.trainSpeed != 0.0F; }

}  // namespace

// Hands the beacon to its handler when the train's state lets it be taken.
void CAtsZQ::beaconPassed(const BeaconData& data, const BeaconContext& context) {
    switch (data.type) {
        case beacon::kWarning:
            // Holding key 0 while passing means the driver has seen it.
            if (moving(context) && !ackHeld) {
                OnWarningBeacon(data.signal, data.optional);
            }
            return;
        case beacon::kStop:
            if (moving(context)) {
                OnStopBeacon(data.signal, data.optional);
            }
            return;
        case beacon::kPairA:
        case beacon::kPairB:
            // At a standstill the pair is not counted, or the next beacon
            // would be taken for the wrong half.
            if (moving(context)) {
                OnPairBeacon();
            }
            return;
        case beacon::kWindow: OnWindowBeacon(data.optional); return;
        case beacon::kSignalWarning:
            if (moving(context) && !ackHeld) {
                OnSignalWarningBeacon(data.signal);
            }
            return;
        case beacon::kDirectStop:
            if (moving(context) && context.reverserHandle != -1) {
                OnDirectStopBeacon(data.signal);
            }
            return;
        default: return;
    }
}

// A second warning while one is pending only restarts the time.
void CAtsZQ::raiseWarning() {
    warningPending = true;
    ackMs = kAcknowledgeMs;
}

void CAtsZQ::trip() { emergencyLatch = true; }

// The rules of what each beacon does are the contract's (sentrel_rules.h).
void CAtsZQ::OnWarningBeacon(int32_t signal, int32_t optional) {
    if (contract::sentrel::warningBeaconWarns(signal, optional, windowMs > 0)) {
        raiseWarning();
    }
}

void CAtsZQ::OnStopBeacon(int32_t signal, int32_t optional) {
    if (contract::sentrel::stopBeaconTrips(signal, optional, windowMs > 0)) {
        trip();
    }
}

// Any two pair beacons in a row form a pair.
void CAtsZQ::OnPairBeacon() {
    if (contract::sentrel::pairTrips(pairArmed, pairMs)) {
        trip();
    }
    pairArmed = !pairArmed;
    pairMs = kPairMs;
}

void CAtsZQ::OnWindowBeacon(int32_t optional) { windowMs = optional; }

void CAtsZQ::OnSignalWarningBeacon(int32_t signal) {
    if (contract::sentrel::signalAtStop(signal)) {
        raiseWarning();
    }
}

void CAtsZQ::OnDirectStopBeacon(int32_t signal) {
    if (contract::sentrel::signalAtStop(signal)) {
        trip();
    }
}

}  // namespace cabkit::sentrel
