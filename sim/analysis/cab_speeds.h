// The speeds the cab shows an author, read from the panel the way a driver
// reads it, with the numbers of the cab contract tables:
// - Cabrix's permitted speed: in its mode 2 the speed of the lit code
//   indicator (code 1 has none: the code slot tells), in modes 0 and 1,
//   where no indicator is lit, the speed its code table gives for the code
//   and the mode (mode 1 keeps the last speed for codes 0 and 1), 25 km/h
//   while the fixed-limit lamp is lit; none while Cabrix is inactive or cut
//   out, or when the table sets no limit;
// - the speed Velorin's train operation controller allows for the code in
//   the exchanged code slot (code 0 while Cabrix is cut out). Speed
//   restrictions announced by beacons lower it further, unseen on the panel.
// A stop (a permitted speed below 0) reads as 0.
#ifndef CABKIT_SIM_CAB_SPEEDS_H
#define CABKIT_SIM_CAB_SPEEDS_H

#include <cstdint>
#include <optional>

namespace cabkit::sim {

class CabSpeeds {
public:
    // Reads one frame's panel; keeps what mode 1 carries over.
    void read(const int32_t* panel);

    std::optional<double> permitted() const { return permitted_; }
    // The cab-signal code in the exchanged slot, as Cabrix wrote it.
    int32_t code() const { return code_; }
    static double controllerAllows(const int32_t* panel);

private:
    std::optional<double> permitted_;
    int32_t code_ = 0;
    int32_t lastPermitted_ = -1;  // Cabrix starts with a stop
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CAB_SPEEDS_H
