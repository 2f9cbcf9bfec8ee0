// A per-stop list of the timetable display: entries appended by beacons in
// stop order, read by stop number, padded with the list's fill value when a
// stop beyond the end is read.
//
// The list never holds more than kStopListCap entries and reserves all of
// them when it is built, so neither a beacon nor the per-frame reads ever
// allocate. A route that appends without end, or a row number far beyond any
// real route (a negative beacon value stored unsigned), therefore costs
// nothing but the fixed reserve: appends past the cap are dropped and reads
// at or past it answer the fill value without growing the list.
#ifndef CABKIT_VELORIN_TIMETABLE_STOP_LIST_H
#define CABKIT_VELORIN_TIMETABLE_STOP_LIST_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cabkit::velorin {

// Most entries a per-stop list holds; far more stops than any route has.
inline constexpr std::size_t kStopListCap = 4096;

// An entry of two codes, or a duration as (minutes, seconds).
using IntPair = std::array<int32_t, 2>;

template <typename Entry>
class StopList {
public:
    // A list of `entries` fill values (at most the cap).
    StopList(Entry fill, std::size_t entries) : fill_(fill) {
        entries_.reserve(kStopListCap);
        refill(entries);
    }

    // Drops every entry and starts again with `entries` fill values.
    void refill(std::size_t entries) { entries_.assign(entries < kStopListCap ? entries : kStopListCap, fill_); }

    // Adds an entry for the next stop; a list already at the cap drops it.
    void append(Entry entry) {
        if (entries_.size() < kStopListCap) {
            entries_.push_back(entry);
        }
    }

    // Entry `index`, padding the list with fill values up to it first. The
    // index is 64-bit so that a row number near the top of the unsigned
    // 32-bit range plus the row offset cannot wrap round to a real stop.
    Entry read(uint64_t index) {
        if (index >= kStopListCap) {
            return fill_;
        }
        const auto position = static_cast<std::size_t>(index);
        if (entries_.size() <= position) {
            entries_.resize(position + 1, fill_);  // within the reserve: no allocation
        }
        return entries_[position];
    }

    std::size_t size() const { return entries_.size(); }
    Entry fill() const { return fill_; }

private:
    std::vector<Entry> entries_;
    Entry fill_;
};

}  // namespace cabkit::velorin

#endif  // CABKIT_VELORIN_TIMETABLE_STOP_LIST_H
