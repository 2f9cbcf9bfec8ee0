#include <cstddef>
#include <string>

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

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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

void appendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80U) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800U) {
        out.push_back(static_cast<char>(0xC0U | (codePoint >> 6U)));
        out.push_back(static_cast<char>(0x80U | (codePoint & 0x3FU)));
    } else {
        out.push_back(static_cast<char>(0xE0U | (codePoint >> 12U)));
        out.push_back(static_cast<char>(0x80U | ((codePoint >> 6U) & 0x3FU)));
        out.push_back(static_cast<char>(0x80U | (codePoint & 0x3FU)));
    }
}

// A settings file saved as "Unicode" by a Windows editor is UTF-16 behind a
// byte-order mark, and the system reads it as text. ASCII comes through as
// itself, which is all that names and numbers use; anything else becomes
// UTF-8 (surrogate halves one by one), so it can never pass for ASCII. A
// trailing odd byte is dropped.
std::string decodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string text;
    text.reserve(bytes.size() / 2U);
    for (std::size_t i = 0; i + 1U < bytes.size(); i += 2U) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1U]);
        const uint32_t unit =
            bigEndian ? (static_cast<uint32_t>(first) << 8U) | second : (static_cast<uint32_t>(second) << 8U) | first;
        appendUtf8(text, unit);
    }
    return text;
}

uint32_t readFromText(std::string_view text, std::string_view section, std::string_view key, uint32_t fallback) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);  // a UTF-8 byte-order mark
    }
    const std::string_view wantedSection = trim(section);
    const std::string_view wantedKey = trim(key);
    if (wantedSection.empty()) {
        return fallback;  // a nameless section ("[]", or lines above the first header) is never found
    }
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

}  // namespace

uint32_t readProfileIntText(std::string_view text, std::string_view section, std::string_view key,
                            int32_t defaultValue) {
    const auto fallback = static_cast<uint32_t>(defaultValue);
    if (text.size() >= 2 && (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF")) {
        const bool bigEndian = text[0] == '\xFE';
        return readFromText(decodeUtf16(text.substr(2), bigEndian), section, key, fallback);
    }
    return readFromText(text, section, key, fallback);
}

}  // namespace cabkit::platform
