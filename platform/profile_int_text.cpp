#include <cstddef>

#include "profile_int.h"

namespace cabkit::platform {
namespace {

bool isProfileSpace(char c) {
    // The system's reader also treats the old end-of-file mark 0x1A as space.
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isProfileSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isProfileSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view stripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return -1;
}

// Sign, base prefix, digits: the conversion the system applies to the text.
uint32_t parseProfileInteger(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
        text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    uint32_t base = 10;
    if (text.size() >= 2 && text[0] == '0') {
        if (text[1] == 'x') {
            base = 16;
        } else if (text[1] == 'o') {
            base = 8;
        } else if (text[1] == 'b') {
            base = 2;
        }
        if (base != 10) {
            text.remove_prefix(2);
        }
    }
    uint32_t total = 0;
    for (const char c : text) {
        const int digit = digitValue(c);
        if (digit < 0 || static_cast<uint32_t>(digit) >= base) {
            break;
        }
        total = total * base + static_cast<uint32_t>(digit);
    }
    return negative ? 0U - total : total;
}

}  // namespace

uint32_t readProfileIntText(std::string_view text, std::string_view section, std::string_view key,
                            int32_t defaultValue) {
    const auto fallback = static_cast<uint32_t>(defaultValue);
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);  // a UTF-8 byte-order mark
    }
    const std::string_view wantedSection = trim(section);
    const std::string_view wantedKey = trim(key);
    bool inWantedSection = false;
    bool wantedSectionSeen = false;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view rawLine = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        const std::string_view line = trim(rawLine);
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                if (wantedSectionSeen) {
                    return fallback;  // only the first section of the name counts
                }
                inWantedSection = equalsIgnoringCase(trim(line.substr(1, close - 1)), wantedSection);
                wantedSectionSeen = inWantedSection;
                continue;
            }
        }
        if (!inWantedSection) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            if (equalsIgnoringCase(line, wantedKey)) {
                return fallback;  // a key without a value reads as empty
            }
            continue;
        }
        if (!equalsIgnoringCase(trim(line.substr(0, equals)), wantedKey)) {
            continue;
        }
        std::string_view value = stripQuotes(trim(line.substr(equals + 1)));
        if (value.size() > kProfileValueLimit) {
            value = value.substr(0, kProfileValueLimit);
        }
        if (value.empty()) {
            return fallback;
        }
        return parseProfileInteger(value);
    }
    return fallback;
}

}  // namespace cabkit::platform
