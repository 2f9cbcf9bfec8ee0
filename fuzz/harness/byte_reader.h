// Turns fuzzer bytes into export arguments.
//
// Every reader takes bytes from the front and yields zeros once the input is
// used up, so any byte string decodes to some call sequence. The encodings
// favour the values that matter to the plug-ins (small notches and keys, the
// beacon types and aspects they handle, the edges of int32 and float) while
// still reaching every bit pattern through a raw form.
#ifndef CABKIT_FUZZ_BYTE_READER_H
#define CABKIT_FUZZ_BYTE_READER_H

#include <cstddef>
#include <cstdint>
#include <span>

namespace cabkit::fuzz {

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool empty() const { return offset_ >= bytes_.size(); }

    uint8_t byte();
    uint16_t u16();  // little-endian
    uint32_t u32();  // little-endian
    uint64_t u64();  // little-endian

    // Tag < 0xE0: tag - 0x30 (-48..175); 0xE0..0xEF: a table of edge values;
    // 0xF0..0xF7: a 16-bit signed value; 0xF8..0xFF: a raw 32-bit value.
    int32_t int32();
    // Tag < 0xC0: an integer -64..127; 0xC0..0xDF: a table of edge values
    // (NaN, infinities, -0, extremes, values next to the plug-ins' thresholds);
    // 0xE0..0xFF: a raw bit pattern.
    float float32();
    // As float32, with an 8-byte raw pattern.
    double float64();
    // Tag < 0xC0: one of the beacon types some plug-in handles, or a
    // neighbour of one; otherwise int32().
    int32_t beaconType();
    // Tag < 0xC0: one of the aspects the cab signal knows, or a neighbour;
    // otherwise int32().
    int32_t aspect();

private:
    std::span<const uint8_t> bytes_;
    std::size_t offset_ = 0;
};

}  // namespace cabkit::fuzz

#endif  // CABKIT_FUZZ_BYTE_READER_H
