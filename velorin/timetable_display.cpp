#include "timetable_display.h"

#include "int32_arith.h"
#include "sound_commands.h"

namespace cabkit::velorin {
namespace {

// The train has left the stop once it runs faster than this (km/h).
constexpr float kDepartureSpeedKmh = 5.0F;

// Row r appears once the reveal timer has passed r times this (ms).
constexpr int32_t kRevealStepMs = 400;

// Lamp period of the stop alert and the lit part of it (ms).
constexpr int32_t kLampPeriodMs = 1000;
constexpr int32_t kLampLitMs = 500;

constexpr std::size_t kNumberFieldEntries = 3;  // what a number-field beacon leaves

// Stop-list placeholders after a reset.
constexpr std::size_t kStopEntriesAtReset = 3;
constexpr std::size_t kDurationEntriesAtReset = 2;

// The blank display: what each slot of `shown` holds before its row is
// revealed. Hours slots show 24, minutes and seconds 60, codes and marks 0;
// durations show 60, 60.
constexpr std::array<int32_t, TimetableDisplay::kShownSlots> makeBlankShown() {
    std::array<int32_t, TimetableDisplay::kShownSlots> blank{};
    blank[1] = 24;
    blank[2] = 60;
    blank[3] = 60;
    for (std::size_t slot = 5; slot <= 8; ++slot) {
        blank[slot] = 60;
    }
    for (std::size_t slot = 12; slot <= 29; ++slot) {
        blank[slot] = (slot - 12) % 3 == 0 ? 24 : 60;
    }
    return blank;
}
constexpr auto kBlankShown = makeBlankShown();
static_assert(kBlankShown[0] == 0 && kBlankShown[4] == 0 && kBlankShown[11] == 0);
static_assert(kBlankShown[27] == 24 && kBlankShown[29] == 60 && kBlankShown[30] == 0);

// Slot ranges of `shown`.
constexpr std::size_t kHeaderCodeSlot = 0;
constexpr std::size_t kHeaderTimeFirstSlot = 1;  // hours, minutes, seconds, value
constexpr std::size_t kHeaderValueSlot = 4;
constexpr std::size_t kRowsFirstSlot = 5;
constexpr std::size_t kKeptAtResetFirstSlot = 36;  // row marks survive a reset
constexpr std::size_t kLastSlot = TimetableDisplay::kShownSlots - 1;
static_assert(kLastSlot == 38, "three rows of marks end the display");

struct ClockParts {
    int32_t hours;
    int32_t minutes;
    int32_t seconds;
};

// HHMMSS with truncating division: a negative time gives negative or zero
// parts, an invalid one is shown as it comes out.
constexpr ClockParts splitClock(int32_t hhmmss) { return {hhmmss / 10000, (hhmmss / 100) % 100, hhmmss % 100}; }
static_assert(splitClock(-93015).hours == -9 && splitClock(-93015).minutes == -30 && splitClock(-93015).seconds == -15);

// A duration in seconds as (minutes, seconds); a whole minute shows its
// seconds as 60 and a negative duration is blank.
constexpr IntPair durationOf(int32_t seconds) {
    if (seconds < 0) {
        return {60, 60};
    }
    const int32_t minutes = seconds / 60;
    const int32_t rest = seconds - 60 * minutes;
    return {minutes, rest == 0 ? 60 : rest};
}

}  // namespace

TimetableDisplay::TimetableDisplay() : shown_(kBlankShown) {
    static_assert(splitClock(kEmptyTime).hours == 24 && splitClock(kEmptyTime).minutes == 60 &&
                  splitClock(kEmptyTime).seconds == 60);
}

void TimetableDisplay::reset() {
    // assign keeps the storage, so a restart does not allocate.
    numberField_.assign(kNumberFieldAtReset.begin(), kNumberFieldAtReset.end());
    extraCode_ = 0;
    durations_.refill(kDurationEntriesAtReset);
    stopCodes_.refill(kStopEntriesAtReset);
    firstTimes_.refill(kStopEntriesAtReset);
    secondTimes_.refill(kStopEntriesAtReset);
    codePairs_.refill(kStopEntriesAtReset);
    stopMarks_.refill(kStopEntriesAtReset);
    // The header's clock time and value carry over into the next run.
    headerCode_ = 0;
    rowIndex_ = 0;
    distance_ = 0.0;
    countDown_ = false;
    revealTimer_ = 0;
    blankShown(0, kKeptAtResetFirstSlot - 1);
    advanceArmed_ = false;
    stopAlertActive_ = false;
    stopAlertSound_ = CABKIT_SOUND_STOP;
    stopAlertLamp_ = 0;
}

void TimetableDisplay::receive(int32_t kind, int32_t value) {
    switch (kind) {
        case 0: stopCodes_.append(value); break;
        case 1: firstTimes_.append(value); break;
        case 2: secondTimes_.append(value); break;
        case 3: stopMarks_.append(value); break;
        case 4: codePairs_.append(IntPair{value / 100, value % 100}); break;
        case 5: distance_ = static_cast<double>(value); break;
        case 6: countDown_ = value != 0; break;
        case 7: extraCode_ = value; break;
        case 8:
            // Digit groups: millions and above, the four digits from the
            // hundreds up, the last two digits.
            numberField_.resize(kNumberFieldEntries, 0);
            numberField_[0] = value / 1000000;
            numberField_[1] = (value / 100) % 10000;
            numberField_[2] = value % 100;
            break;
        case 9: headerCode_ = value; break;
        case 10: {
            const ClockParts clock = splitClock(value);
            headerHours_ = clock.hours;
            headerMinutes_ = clock.minutes;
            headerSeconds_ = clock.seconds;
            break;
        }
        case 11: headerValue_ = value; break;
        case 12: durations_.append(durationOf(value)); break;
        case 13: rowIndex_ = static_cast<uint32_t>(value); break;
        default: break;
    }
}

void TimetableDisplay::armAdvance() { advanceArmed_ = true; }

void TimetableDisplay::startStopAlert() { stopAlertActive_ = true; }

void TimetableDisplay::doorsOpened() {
    advanceArmed_ = true;
    stopAlertActive_ = false;
}

void TimetableDisplay::update(const Frame& frame) {
    const int32_t stepMs = frame.stepMs;
    const float speedKmh = frame.state.speed;

    integrateDistance(stepMs, speedKmh);
    driveStopAlert(frame.state.time, speedKmh);
    revealTimer_ = platform::saturatingAdd(revealTimer_, stepMs);

    // The rows, each from its stop, padded on read, once the timer has
    // passed its threshold; then the header.
    static constexpr RowSlots kRow1{12, 21, 30, 9, 5, 36};
    static constexpr RowSlots kRow2{15, 24, 32, 10, 7, 37};
    static constexpr RowSlots kRow3{18, 27, 34, 11, kNoSlot, 38};
    const uint64_t first = rowIndex_;
    if (revealTimer_ > kRevealStepMs) {
        fillRow(first, kRow1);
    }
    if (revealTimer_ > 2 * kRevealStepMs) {
        fillRow(first + 1, kRow2);
    }
    if (revealTimer_ > 3 * kRevealStepMs) {
        fillRow(first + 2, kRow3);
        fillHeader();
    }

    // The advance once the train departs. A NaN speed compares false, so it
    // never counts as departing.
    if (advanceArmed_ && speedKmh > kDepartureSpeedKmh) {
        advance();
    }
}

void TimetableDisplay::integrateDistance(int32_t stepMs, float speedKmh) {
    const double step = ((static_cast<double>(stepMs) / 1000.0) * static_cast<double>(speedKmh)) / 3.6;
    if (countDown_) {
        distance_ -= step;
    } else {
        distance_ += step;
    }
}

void TimetableDisplay::driveStopAlert(int32_t timeMs, float speedKmh) {
    if (!stopAlertActive_) {
        stopAlertLamp_ = 0;
        stopAlertSound_ = CABKIT_SOUND_STOP;
        return;
    }
    // Lit in the first half of each second of the host's clock. The remainder
    // keeps the sign of the time, so a negative time keeps the lamp lit.
    stopAlertLamp_ = timeMs % kLampPeriodMs < kLampLitMs ? 1 : 0;
    stopAlertSound_ = speedKmh > kDepartureSpeedKmh ? CABKIT_SOUND_LOOP : CABKIT_SOUND_STOP;
}

void TimetableDisplay::fillRow(uint64_t stop, const RowSlots& slots) {
    const ClockParts first = splitClock(firstTimes_.read(stop));
    shown_[slots.firstTime] = first.hours;
    shown_[slots.firstTime + 1] = first.minutes;
    shown_[slots.firstTime + 2] = first.seconds;

    const ClockParts second = splitClock(secondTimes_.read(stop));
    shown_[slots.secondTime] = second.hours;
    shown_[slots.secondTime + 1] = second.minutes;
    shown_[slots.secondTime + 2] = second.seconds;

    const IntPair codes = codePairs_.read(stop);
    shown_[slots.codePair] = codes[0];
    shown_[slots.codePair + 1] = codes[1];

    shown_[slots.stopCode] = stopCodes_.read(stop);

    if (slots.duration != kNoSlot) {
        const IntPair duration = durations_.read(stop);
        shown_[slots.duration] = duration[0];
        shown_[slots.duration + 1] = duration[1];
    }

    shown_[slots.stopMark] = stopMarks_.read(stop);
}

void TimetableDisplay::fillHeader() {
    shown_[kHeaderCodeSlot] = headerCode_;
    shown_[kHeaderTimeFirstSlot] = headerHours_;
    shown_[kHeaderTimeFirstSlot + 1] = headerMinutes_;
    shown_[kHeaderTimeFirstSlot + 2] = headerSeconds_;
    shown_[kHeaderValueSlot] = headerValue_;
}

void TimetableDisplay::advance() {
    revealTimer_ = 0;
    advanceArmed_ = false;
    // Slot 0 differs from the code only when the header has not been revealed
    // since the last advance; its time and value are stale then.
    if (shown_[kHeaderCodeSlot] != headerCode_) {
        blankShown(kHeaderTimeFirstSlot, kHeaderValueSlot);
    }
    ++rowIndex_;  // unsigned: past the last number it wraps to stop 0
    blankShown(kRowsFirstSlot, kLastSlot);
    shown_[kHeaderCodeSlot] = kBlankShown[kHeaderCodeSlot];
}

void TimetableDisplay::blankShown(std::size_t first, std::size_t last) {
    for (std::size_t slot = first; slot <= last && slot < kShownSlots; ++slot) {
        shown_[slot] = kBlankShown[slot];
    }
}

const std::array<int32_t, TimetableDisplay::kShownSlots>& TimetableDisplay::shown() const { return shown_; }

double TimetableDisplay::distance() const { return distance_; }

int32_t TimetableDisplay::numberField(std::size_t entry) const {
    return entry < numberField_.size() ? numberField_[entry] : 0;
}

int32_t TimetableDisplay::extraCode() const { return extraCode_; }

int32_t TimetableDisplay::stopAlertLamp() const { return stopAlertLamp_; }

int32_t TimetableDisplay::stopAlertSound() const { return stopAlertSound_; }

}  // namespace cabkit::velorin
