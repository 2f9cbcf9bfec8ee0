#include "byte_reader.h"

#include <array>
#include <bit>
#include <cmath>
#include <limits>

namespace cabkit::fuzz {
namespace {

constexpr std::array<int32_t, 16> kEdgeInts = {
    std::numeric_limits<int32_t>::min(),
    std::numeric_limits<int32_t>::min() + 1,
    std::numeric_limits<int32_t>::max(),
    std::numeric_limits<int32_t>::max() - 1,
    -1,
    -2,
    1000,
    10000,
    1000000,
    65535,
    65536,
    246060,  // an empty clock time
    -246060,
    4095,  // around the smallest list cap a route may hit
    4096,
    2147483,  // milliseconds that overflow when scaled by 1000
};

const float kInf = std::numeric_limits<float>::infinity();
const std::array<float, 32> kEdgeFloats = {
    std::numeric_limits<float>::quiet_NaN(),
    -std::numeric_limits<float>::quiet_NaN(),
    kInf,
    -kInf,
    -0.0F,
    std::numeric_limits<float>::max(),
    std::numeric_limits<float>::lowest(),
    std::numeric_limits<float>::min(),
    std::numeric_limits<float>::denorm_min(),
    -std::numeric_limits<float>::denorm_min(),
    5.0F,
    std::nextafter(5.0F, 10.0F),
    1.1F,
    std::nextafter(1.1F, 0.0F),
    25.0F,
    25.1F,
    20.0F,
    std::nextafter(20.0F, 30.0F),
    -20.0F,
    std::nextafter(-20.0F, -30.0F),
    -5.0F,
    std::nextafter(-5.0F, -10.0F),
    -6.0F,
    0.5F,
    75.0F,
    67.0F,
    120.0F,
    1.0e9F,
    -1.0e9F,
    2147483648.0F,  // just past the int32 range
    -2147483904.0F,
    3.6F,
};

constexpr std::array<int32_t, 48> kBeaconTypes = {
    // The vehicle plug-in.
    520,
    521,
    522,
    523,
    524,
    147,
    30,
    117,
    121,
    125,
    139,
    143,
    225,
    226,
    112,
    223,
    129,
    130,
    131,
    146,
    148,
    300,
    304,
    305,
    306,
    // The train stop.
    0,
    1,
    50,
    55,
    65,
    95,
    101,
    // Neighbours that nothing handles.
    -1,
    2,
    49,
    60,
    96,
    100,
    116,
    149,
    299,
    307,
    519,
    525,
    224,
    227,
    113,
    122,
};

constexpr std::array<int32_t, 16> kAspects = {10, 11, 13, 15, 19, 21, 23, 25, 0, 5, 7, 9, 12, 26, -1, 14};

}  // namespace

uint8_t ByteReader::byte() {
    if (offset_ >= bytes_.size()) {
        return 0;
    }
    return bytes_[offset_++];
}

uint16_t ByteReader::u16() {
    const auto low = static_cast<uint16_t>(byte());
    return static_cast<uint16_t>(low | static_cast<uint16_t>(byte() << 8U));
}

uint32_t ByteReader::u32() {
    const uint32_t low = u16();
    return low | (static_cast<uint32_t>(u16()) << 16U);
}

uint64_t ByteReader::u64() {
    const uint64_t low = u32();
    return low | (static_cast<uint64_t>(u32()) << 32U);
}

int32_t ByteReader::int32() {
    const uint8_t tag = byte();
    if (tag < 0xE0) {
        return static_cast<int32_t>(tag) - 0x30;
    }
    if (tag < 0xF0) {
        return kEdgeInts[tag - 0xE0U];
    }
    if (tag < 0xF8) {
        return static_cast<int16_t>(u16());
    }
    return static_cast<int32_t>(u32());
}

float ByteReader::float32() {
    const uint8_t tag = byte();
    if (tag < 0xC0) {
        return static_cast<float>(static_cast<int32_t>(tag) - 0x40);
    }
    if (tag < 0xE0) {
        return kEdgeFloats[tag - 0xC0U];
    }
    return std::bit_cast<float>(u32());
}

double ByteReader::float64() {
    const uint8_t tag = byte();
    if (tag < 0xC0) {
        return static_cast<double>(static_cast<int32_t>(tag) - 0x40);
    }
    if (tag < 0xE0) {
        return static_cast<double>(kEdgeFloats[tag - 0xC0U]);
    }
    return std::bit_cast<double>(u64());
}

int32_t ByteReader::beaconType() {
    const uint8_t tag = byte();
    if (tag < 0xC0) {
        return kBeaconTypes[tag % kBeaconTypes.size()];
    }
    return int32();
}

int32_t ByteReader::aspect() {
    const uint8_t tag = byte();
    if (tag < 0xC0) {
        return kAspects[tag % kAspects.size()];
    }
    return int32();
}

}  // namespace cabkit::fuzz
