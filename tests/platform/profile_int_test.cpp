// Settings files as the Windows profile reader answers them. Every row is
// read twice: from memory by readProfileIntText, and from a file by
// readProfileInt, which on Windows is the system's own GetPrivateProfileIntA.
// The expected values are the system's answers, so the Windows run of this
// table proves that the portable reader agrees with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "profile_int.h"
#include "temp_folder.h"

namespace cabkit::platform {
namespace {

struct ProfileCase {
    const char* name;
    std::optional<std::string> text;  // no text: the file does not exist
    const char* section;
    const char* key;
    int32_t fallback;
    uint32_t expected;
};

// ctest lists a case by its name rather than by its bytes.
void PrintTo(const ProfileCase& row, std::ostream* out) { *out << row.name; }

// Most rows ask for Speed in MaxSpd with the default 120.
ProfileCase speed(const char* name, std::optional<std::string> text, uint32_t expected) {
    return ProfileCase{name, std::move(text), "MaxSpd", "Speed", 120, expected};
}

ProfileCase speedValue(const char* name, const std::string& value, uint32_t expected) {
    return speed(name, "[MaxSpd]\nSpeed=" + value + "\n", expected);
}

constexpr uint32_t kMinus5 = 4294967291U;  // -5 modulo 2^32

// UTF-16 text behind its byte-order mark, as a Windows editor saves it.
std::string utf16(const std::string& ascii, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) {
        if (bigEndian) {
            bytes.push_back('\0');
        }
        bytes.push_back(c);
        if (!bigEndian) {
            bytes.push_back('\0');
        }
    }
    return bytes;
}

const ProfileCase kCases[] = {
    // Where the key is found.
    speed("KeyInItsSection", "[Other]\nSpeed=5\n[MaxSpd]\nSpeed=80\n", 80),
    {"KeyOfAnotherSection", "[SetSpec]\nDeceleration=3\n[MaxSpd]\nSpeed=95", "SetSpec", "Deceleration", 2, 3},
    speed("KeyAboveEverySection", "Speed=80\n[MaxSpd]\n", 120),
    {"EmptySectionName", "[]\nSpeed=80\n", "", "Speed", 120, 120},

    // White space around names, values and requested names.
    speed("SpacesAroundEverything", "  [MaxSpd]  \n   Speed   =   80   \n", 80),
    speed("TabsAroundEverything", "\t[MaxSpd]\t\n\tSpeed\t=\t80\t\n", 80),
    speed("BlankLinesInSection", "[MaxSpd]\n\n  \t \nSpeed=80\n", 80),
    {"RequestedNamesWithSpaces", "[MaxSpd]\nSpeed=80\n", " MaxSpd ", " Speed ", 120, 80},
    speedValue("ValueBehindLongRunOfSpaces", "                              88", 88),

    // Signs.
    speedValue("Plus", "+7", 7),
    speedValue("Minus", "-5", kMinus5),
    speedValue("SpaceThenMinus", " -5", kMinus5),
    speedValue("MinusThenSpace", "- 5", 0),
    speedValue("TwoSigns", "+-5", 0),
    speedValue("MinusBeforeHex", "-0x10", 4294967280U),

    // Bases: lower-case prefixes only; a leading zero means nothing.
    speedValue("Hex", "0x1F", 31),
    speedValue("HexUpperDigits", "0xABCDEF", 11259375),
    speedValue("HexUpperPrefix", "0X1F", 0),
    speedValue("HexWithoutDigits", "0x", 0),
    speedValue("HexThenMinus", "0x-5", 0),
    speedValue("Octal", "0o17", 15),
    speedValue("Binary", "0b101", 5),
    speedValue("BinaryUpperPrefix", "0B101", 0),
    speedValue("LeadingZero", "010", 10),

    // Values beyond 32 bits wrap.
    speedValue("AboveInt32", "2147483648", 2147483648U),
    speedValue("HexAllOnes", "0xFFFFFFFF", 4294967295U),
    speedValue("HexWraps", "0x100000001", 1),
    speedValue("DecimalWraps", "4294967297", 1),
    speedValue("LongDecimalWraps", "99999999999", 1215752191),

    // Digits end at the first other character.
    speedValue("UnitAfterNumber", "80km/h", 80),
    speedValue("SpaceAndUnit", "80 km/h", 80),
    speedValue("SpaceInsideNumber", "8 0", 8),
    speedValue("DecimalPoint", "80.9", 80),
    speedValue("SemicolonAfterNumber", "80;x", 80),
    speedValue("EqualsSignFirst", "=80", 0),
    speedValue("Word", "fast", 0),
    speed("NulInsideValue",
          std::string("[MaxSpd]\nSpeed=8\0"
                      "9\n",
                      18),
          8),

    // Only the first 29 characters of a value are read.
    speedValue("TwentyNineCharacters", "00000000000000000000000000085", 85),
    speedValue("ThirtyCharacters", "000000000000000000000000000086", 8),
    speedValue("ThirtyOneCharacters", "0000000000000000000000000000087", 0),

    // Empty values give the default.
    speedValue("EmptyValue", "", 120),
    speedValue("BlankValue", "   ", 120),
    speedValue("EmptyQuotes", "\"\"", 120),
    speed("KeyWithoutEquals", "[MaxSpd]\nSpeed\n", 120),
    {"EmptyValueNegativeDefault", "[MaxSpd]\nSpeed=\n", "MaxSpd", "Speed", -1, 4294967295U},

    // Duplicates: the first key of the first section of a name wins.
    speed("DuplicateKey", "[MaxSpd]\nSpeed=80\nSpeed=90\n", 80),
    speed("DuplicateKeyFirstEmpty", "[MaxSpd]\nSpeed=\nSpeed=90\n", 120),
    speed("DuplicateKeyOtherCase", "[MaxSpd]\nspeed=1\nSPEED=2\n", 1),
    speed("DuplicateSectionKeyInSecond", "[MaxSpd]\nOther=1\n[MaxSpd]\nSpeed=90\n", 120),
    speed("DuplicateSectionKeyInBoth", "[MaxSpd]\nSpeed=80\n[MaxSpd]\nSpeed=90\n", 80),
    speed("DuplicateSectionOtherCase", "[maxspd]\nOther=1\n[MAXSPD]\nSpeed=90\n", 120),

    // Names compare without regard to case.
    speed("NamesInOtherCase", "[maxspd]\nSPEED=80\n", 80),

    // Quotes.
    speedValue("DoubleQuotes", "\"90\"", 90),
    speedValue("SingleQuotes", "'90'", 90),
    speedValue("OpeningQuoteOnly", "\"90", 0),
    speedValue("ClosingQuoteOnly", "90\"", 90),
    speedValue("MixedQuotes", "\"90'", 0),
    speedValue("SpacesInsideQuotes", "\" 90 \"", 90),
    speedValue("QuotedMinus", "\"-5\"", kMinus5),
    speedValue("QuotesAroundQuote", "\"9\"0\"", 9),
    speedValue("LongQuotedValue", "\"0000000000000000000000000000091\"", 0),

    // Section headers.
    speed("SpacesInsideBrackets", "[ MaxSpd ]\nSpeed=80\n", 80),
    speed("TabsInsideBrackets", "[\tMaxSpd\t]\nSpeed=80\n", 80),
    {"SpaceInsideName", "[Max Spd]\nSpeed=80\n", "Max Spd", "Speed", 120, 80},
    speed("SpaceInsideNameNotIgnored", "[Max Spd]\nSpeed=80\n", 120),
    speed("TextAfterHeader", "[MaxSpd] trailing\nSpeed=80\n", 80),
    speed("HeaderWithoutClosingBracket", "[MaxSpd\nSpeed=80\n", 120),
    speed("HeaderWithTwoClosingBrackets", "[MaxSpd]]\nSpeed=80\n", 120),

    // Comment lines.
    speed("CommentedKeyBeforeKey", "; settings\n[MaxSpd]\n;Speed=70\nSpeed=80\n", 80),
    speed("CommentedKeyOnly", "[MaxSpd]\n;Speed=70\n", 120),
    speed("IndentedComment", "[MaxSpd]\n  ;Speed=70\n", 120),
    speed("CommentedHeader", ";[MaxSpd]\nSpeed=70\n[MaxSpd]\nSpeed=80\n", 80),
    speed("HashLine", "[MaxSpd]\n#Speed=70\nSpeed=80\n", 80),

    // Line ends and encodings.
    speed("CarriageReturnsOnly", "[MaxSpd]\rSpeed=81\r", 81),
    speed("CarriageReturnLineFeed", "[MaxSpd]\r\nSpeed=82\r\n", 82),
    speed("NoFinalLineEnd", "[MaxSpd]\nSpeed=83", 83),
    speed("Utf8ByteOrderMark", "\xEF\xBB\xBF[MaxSpd]\nSpeed=84\n", 84),
    speed("Utf16LittleEndian", utf16("[MaxSpd]\r\nSpeed=90\r\n", false), 90),
    speed("Utf16BigEndian", utf16("[MaxSpd]\r\nSpeed=91\r\n", true), 91),

    // No file.
    speed("EmptyFile", "", 120),
    speed("MissingFile", std::nullopt, 120),
    {"MissingFileNegativeDefault", std::nullopt, "MaxSpd", "Speed", -1, 4294967295U},
};

class ProfileTable : public ::testing::TestWithParam<ProfileCase> {
protected:
    // One file per row: the system may keep a file it has read, and a name
    // used once cannot be answered from an older content.
    std::filesystem::path writeFile(const ProfileCase& row) const {
        const auto path = folder_.path() / (std::string(row.name) + ".ini");
        if (row.text) {
            std::ofstream file(path, std::ios::binary);
            file.write(row.text->data(), static_cast<std::streamsize>(row.text->size()));
        }
        return path;
    }

private:
    test::TempFolder folder_{"cabkit-profile-table"};
};

TEST_P(ProfileTable, FileAndTextReadersGiveTheSystemsAnswer) {
    const ProfileCase& row = GetParam();
    const std::filesystem::path path = writeFile(row);
    EXPECT_EQ(readProfileInt(path.string().c_str(), row.section, row.key, row.fallback), row.expected);
    if (row.text) {
        EXPECT_EQ(readProfileIntText(*row.text, row.section, row.key, row.fallback), row.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, ProfileTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ProfileCase>& row) { return row.param.name; });

TEST(ProfileIntFile, PathsThatNameNoFileGiveTheDefault) {
    EXPECT_EQ(readProfileInt(nullptr, "MaxSpd", "Speed", 120), 120U);
    EXPECT_EQ(readProfileInt("", "MaxSpd", "Speed", 120), 120U);
    EXPECT_EQ(readProfileInt("settings.ini", nullptr, "Speed", 120), 120U);
    EXPECT_EQ(readProfileInt("settings.ini", "MaxSpd", nullptr, 120), 120U);
}

// The sample shipped beside the DLLs must hold the built-in defaults, found
// in the file itself (a fallback that differs proves the keys were read).
TEST(ProfileIntFile, ShippedSampleHoldsTheDefaults) {
    EXPECT_EQ(readProfileInt(CABKIT_SAMPLE_SETTINGS, "MaxSpd", "Speed", -7), 120U);
    EXPECT_EQ(readProfileInt(CABKIT_SAMPLE_SETTINGS, "SetSpec", "Deceleration", -7), 2U);
}

// A bare file name means the current folder, as it would for any other file.
TEST(ProfileIntFile, RelativePathIsTakenFromTheCurrentFolder) {
    const test::TempFolder folder("cabkit-profile-relative");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    {
        std::ofstream file("relative-settings.ini", std::ios::binary);
        file << "[MaxSpd]\nSpeed=77\n";
    }
    const uint32_t value = readProfileInt("relative-settings.ini", "MaxSpd", "Speed", 120);
    std::filesystem::current_path(previous);
    EXPECT_EQ(value, 77U);
}

}  // namespace
}  // namespace cabkit::platform
