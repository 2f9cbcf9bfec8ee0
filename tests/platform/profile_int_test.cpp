#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "profile_int.h"

namespace cabkit::platform {
namespace {

uint32_t read(const std::string& text, const char* section = "MaxSpd", const char* key = "Speed",
              int32_t fallback = 120) {
    return readProfileIntText(text, section, key, fallback);
}

TEST(ProfileIntText, FindsTheKeyInItsSection) {
    EXPECT_EQ(read("[MaxSpd]\nSpeed=80\n"), 80U);
    EXPECT_EQ(read("[Other]\nSpeed=5\n[MaxSpd]\nSpeed=80\n"), 80U);
    EXPECT_EQ(read("[SetSpec]\nDeceleration=3\n[MaxSpd]\nSpeed=95", "SetSpec", "Deceleration", 2), 3U);
}

TEST(ProfileIntText, MissingSectionKeyOrValueGivesTheDefault) {
    EXPECT_EQ(read(""), 120U);
    EXPECT_EQ(read("[Other]\nSpeed=80\n"), 120U);
    EXPECT_EQ(read("[MaxSpd]\nSpeedy=80\n"), 120U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=\n"), 120U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=   \n"), 120U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed\n"), 120U);
    EXPECT_EQ(read("Speed=80\n"), 120U);  // outside any section
    EXPECT_EQ(read("[MaxSpd]\n", "MaxSpd", "Speed", -1), 0xFFFFFFFFU);
}

TEST(ProfileIntText, NamesIgnoreCaseAndSurroundingSpace) {
    EXPECT_EQ(read("[maxspd]\nSPEED=80\n"), 80U);
    EXPECT_EQ(read("  [MaxSpd]  \r\n   Speed   =   80   \r\n"), 80U);
    EXPECT_EQ(read("[MaxSpd]\r\rSpeed=81"), 81U);
}

TEST(ProfileIntText, ValueReadingRules) {
    EXPECT_EQ(read("[MaxSpd]\nSpeed=+7\n"), 7U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=-5\n"), 4294967291U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=80km/h\n"), 80U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=fast\n"), 0U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=0x1F\n"), 31U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=0o17\n"), 15U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=0b101\n"), 5U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=0X1F\n"), 0U);  // only lower-case prefixes
    EXPECT_EQ(read("[MaxSpd]\nSpeed=\"90\"\n"), 90U);
    EXPECT_EQ(read("[MaxSpd]\nSpeed=4294967297\n"), 1U);  // wraps modulo 2^32
}

TEST(ProfileIntText, FirstEntryAndFirstSectionWin) {
    EXPECT_EQ(read("[MaxSpd]\nSpeed=80\nSpeed=90\n"), 80U);
    EXPECT_EQ(read("[MaxSpd]\nOther=1\n[MaxSpd]\nSpeed=90\n"), 120U);
}

TEST(ProfileIntText, CommentLinesAreNotKeys) {
    EXPECT_EQ(read("; settings\n[MaxSpd]\n;Speed=70\nSpeed=80\n"), 80U);
}

TEST(ProfileIntFile, ReadsARealFileAndDefaultsWithoutOne) {
    const auto folder = std::filesystem::temp_directory_path() / "cabkit-profile-int-test";
    std::filesystem::create_directories(folder);
    const auto path = folder / "settings.ini";
    {
        std::ofstream file(path);
        file << "[MaxSpd]\nSpeed=80\n";
    }
    EXPECT_EQ(readProfileInt(path.string().c_str(), "MaxSpd", "Speed", 120), 80U);
    EXPECT_EQ(readProfileInt((folder / "missing.ini").string().c_str(), "MaxSpd", "Speed", 120), 120U);
    EXPECT_EQ(readProfileInt(nullptr, "MaxSpd", "Speed", 120), 120U);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace cabkit::platform
