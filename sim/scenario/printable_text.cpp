#include "printable_text.h"

#include <cstdint>

#include <fmt/format.h>

namespace cabkit::sim {
namespace {

// The length of the valid UTF-8 sequence at the start of `text` and its
// code point, or 0 when it is not one (overlong, a surrogate, past U+10FFFF,
// cut short).
std::size_t decode(std::string_view text, char32_t& point) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t lowest = 0;
    if (lead < 0x80) {
        point = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, lowest = 0x80, point = lead & 0x1FU;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, lowest = 0x800, point = lead & 0x0FU;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, lowest = 0x10000, point = lead & 0x07U;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0U) != 0x80) return 0;
        point = (point << 6U) | (next & 0x3FU);
    }
    if (point < lowest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
    return length;
}

// Characters that reorder or break the text around them where printed.
bool invisibleControl(char32_t point) {
    return (point >= 0x80 && point <= 0x9F) || point == 0x061C || point == 0x200E || point == 0x200F ||
           (point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069) || point == 0x2028 ||
           point == 0x2029;
}

}  // namespace

namespace {

std::string escaped(std::string_view text, bool keepLayout) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t point = 0;
        const std::size_t length = decode(text, point);
        if (length == 0) {
            out += fmt::format("\\x{:02x}", static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
            continue;
        }
        if (keepLayout && (point == '\n' || point == '\r' || point == '\t')) {
            out += static_cast<char>(point);
        } else if (point == '\n') {
            out += "\\n";
        } else if (point == '\r') {
            out += "\\r";
        } else if (point == '\t') {
            out += "\\t";
        } else if (point < 0x20 || point == 0x7F) {
            out += fmt::format("\\x{:02x}", static_cast<uint32_t>(point));
        } else if (invisibleControl(point)) {
            out += fmt::format("\\u{:04x}", static_cast<uint32_t>(point));
        } else {
            out += text.substr(0, length);
        }
        text.remove_prefix(length);
    }
    return out;
}

}  // namespace

std::string printable(std::string_view text) { return escaped(text, false); }

std::string printableLines(std::string_view text) { return escaped(text, true); }

std::size_t wholeCharacters(std::string_view text) {
    // A lead byte among the last three whose sequence runs past the end.
    const std::size_t size = text.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0U) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

void printLine(std::FILE* to, std::string_view line) {
    std::string out = printable(line);
    out += '\n';
    static_cast<void>(std::fwrite(out.data(), 1, out.size(), to));
}

}  // namespace cabkit::sim
