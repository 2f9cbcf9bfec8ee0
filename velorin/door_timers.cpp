// The random timers: drawn when the doors open, run down a few at a time in
// each frame while power is cut. A timer inside its window lights the side
// activity indicators.
#include <algorithm>
#include <iterator>

#include "int32_arith.h"
#include "velorin_plugin.h"

namespace cabkit::velorin {

namespace {

// While a running timer lies strictly inside this window, the side
// activity shows 1.
constexpr int32_t kWindowLowMs = 800;
constexpr int32_t kWindowHighMs = 1200;

static_assert(VelorinPlugin::kTimerFloorMs > kWindowHighMs, "a fresh timer starts above the window");
static_assert(VelorinPlugin::kTimersRunPerFrame <= VelorinPlugin::kRandomTimerCap);

}  // namespace

void VelorinPlugin::doorOpen() {
    display.doorsOpened();
    // Seeded from the run's start time: every opening in one run draws the
    // same timers.
    crtRandom.seed(startLocalTime.millisecond);
    randomTimers.clear();  // keeps the storage
    drawRandomTimers();
}

void VelorinPlugin::doorClose() {}

void VelorinPlugin::drawRandomTimers() {
    // A route may ask for any count; beyond the cap the timers could never
    // be reached before the next opening, and drawing them would only burn
    // time and memory.
    const std::size_t count =
        randomTimerCount < 1 ? 0 : std::min(static_cast<std::size_t>(randomTimerCount), kRandomTimerCap);
    for (std::size_t drawn = 0; drawn < count; ++drawn) {
        int32_t product = crtRandom.next();
        product = platform::wrappingMul(product, crtRandom.next());
        product = platform::wrappingMul(product, crtRandom.next());
        product = platform::wrappingMul(product, crtRandom.next());
        // The remainder keeps the product's sign; negative ones end on the floor.
        const int32_t timer = product % kTimerSpreadMs + kTimerFloorMs;
        randomTimers.push_back(timer > kTimerFloorMs ? timer : kTimerFloorMs);
    }
}

bool VelorinPlugin::runDownRandomTimers() {
    // Only the first kTimersRunPerFrame timers run. An expired timer is
    // removed and the one behind it, moving up, is handled in the same walk.
    // Each pass either advances or removes, so the walk ends within
    // kTimersRunPerFrame + the list's length passes.
    bool timerWindowHit = false;
    std::size_t index = 0;
    const std::size_t passLimit = kTimersRunPerFrame + randomTimers.size();
    for (std::size_t pass = 0; pass < passLimit; ++pass) {
        if (index >= std::min(randomTimers.size(), kTimersRunPerFrame)) {
            break;
        }
        int32_t& timer = randomTimers[index];
        timer = platform::saturatingSub(timer, frameStepMs);
        if (timer > kWindowLowMs && timer < kWindowHighMs) {
            timerWindowHit = true;
        }
        if (timer < 0) {
            randomTimers.erase(std::next(randomTimers.begin(), static_cast<std::ptrdiff_t>(index)));
        } else {
            ++index;
        }
    }
    return timerWindowHit;
}

}  // namespace cabkit::velorin
