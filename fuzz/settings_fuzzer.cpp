// libFuzzer entry for the settings reader: arbitrary file contents, and the
// section and key names taken from the input too, must read without fault.
// The local-time parser reads another outside text (an environment variable)
// and rides along.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "local_time.h"
#include "profile_int.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The reader with the names the plug-in asks for, and with names cut
    // from the input itself (up to the first two NUL bytes).
    static_cast<void>(cabkit::platform::readProfileIntText(input, "MaxSpd", "Speed", 120));
    static_cast<void>(cabkit::platform::readProfileIntText(input, "SetSpec", "Deceleration", 2));
    const std::size_t first = input.find('\0');
    if (first != std::string_view::npos) {
        const std::size_t second = input.find('\0', first + 1);
        if (second != std::string_view::npos) {
            const std::string_view section = input.substr(0, first);
            const std::string_view key = input.substr(first + 1, second - first - 1);
            static_cast<void>(cabkit::platform::readProfileIntText(input.substr(second + 1), section, key, -1));
        }
    }

    // The time parser takes a C string; give it the input up to its first NUL.
    const std::string text(input.substr(0, input.find('\0')));
    if (const auto parsed = cabkit::platform::parseLocalTime(text.c_str())) {
        if (parsed->month < 1 || parsed->month > 12 || parsed->day < 1 || parsed->day > 31 || parsed->dayOfWeek > 6 ||
            parsed->millisecond > 999) {
            std::fprintf(stderr, "parseLocalTime accepted an impossible time\n");
            std::abort();
        }
    }
    return 0;
}
