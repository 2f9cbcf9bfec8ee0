// Where the settings file is looked for, and what the plug-in reads from
// real files beside a library path.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "ats_settings.h"
#include "sentrel_plugin.h"
#include "temp_folder.h"

namespace cabkit::sentrel {
namespace {

namespace fs = std::filesystem;

std::string pathOf(std::string_view library, PathStyle style) {
    const SettingsPath path = buildSettingsPath(library, style);
    return path.found ? std::string(path.text.data()) : std::string("<none>");
}

TEST(SettingsPath, DriveAndDirectoryOfTheLibraryThenTheFileName) {
    EXPECT_EQ(pathOf("/opt/sim/plugins/Sentrel.so", PathStyle::kPosix), "/opt/sim/plugins/ZQConfig.ini");
    EXPECT_EQ(pathOf("/opt/a\\b/Sentrel.so", PathStyle::kPosix), "/opt/a\\b/ZQConfig.ini");
    EXPECT_EQ(pathOf("C:\\Sim\\Plugins\\Sentrel.dll", PathStyle::kWindows), "C:\\Sim\\Plugins\\ZQConfig.ini");
    EXPECT_EQ(pathOf("D:/Sim/ats\\Sentrel.dll", PathStyle::kWindows), "D:/Sim/ats\\ZQConfig.ini");
    EXPECT_EQ(pathOf("\\\\host\\share\\Sentrel.dll", PathStyle::kWindows), "\\\\host\\share\\ZQConfig.ini");
    EXPECT_EQ(pathOf("C:Sentrel.dll", PathStyle::kWindows), "C:ZQConfig.ini");
    EXPECT_EQ(pathOf("Sentrel.so", PathStyle::kPosix), "ZQConfig.ini");
    EXPECT_EQ(pathOf("", PathStyle::kPosix), "<none>");
}

// prefix, then `count` times `fill`, then suffix. Built by appending: the
// optimiser warns falsely about overlapping copies in a chain of + here.
std::string wrapped(const char* prefix, std::size_t count, char fill, const char* suffix) {
    std::string text(prefix);
    text.append(count, fill);
    text.append(suffix);
    return text;
}

// 259 characters is the longest path the host's calls hold, for the library
// as for the settings file built from it.
TEST(SettingsPath, PathsBeyondTheLimitsFindNoFile) {
    const std::string dir247 = wrapped("/", 245, 'd', "/");  // + 12 for the name = 259
    EXPECT_NE(pathOf(dir247 + "S.so", PathStyle::kPosix), "<none>");
    EXPECT_EQ(pathOf(wrapped("/", 246, 'd', "/S.so"), PathStyle::kPosix), "<none>");
    EXPECT_NE(pathOf(wrapped("C:\\", 243, 'd', "\\S.dll"), PathStyle::kWindows), "<none>");
    EXPECT_EQ(pathOf(wrapped("C:\\", 244, 'd', "\\S.dll"), PathStyle::kWindows), "<none>");

    const std::string name259 = wrapped("/x/", 256, 'n', "");
    EXPECT_EQ(pathOf(name259, PathStyle::kPosix), "/x/ZQConfig.ini");
    EXPECT_EQ(pathOf(name259 + "n", PathStyle::kPosix), "<none>");  // the library path itself too long
}

class SettingsBesideTheLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("cabkit-sentrel-settings-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root);
    }
    void TearDown() override { cabkit::test::removeTree(root); }

    static void write(const fs::path& dir, const std::string& text) {
        fs::create_directories(dir);
        std::ofstream(dir / "ZQConfig.ini", std::ios::binary) << text;
    }

    // Speed and deceleration after an initialize of a plug-in whose library
    // lies in `dir`.
    static std::pair<double, double> read(const fs::path& dir) {
        SentrelPlugin plugin((dir / "Sentrel.so").string());
        plugin.initialize(0);
        return {plugin.settings().speedSetting, plugin.settings().decelerationSetting};
    }

    fs::path root;
};

TEST_F(SettingsBesideTheLibrary, ValuesAreReadAtEveryInitialize) {
    write(root, "[MaxSpd]\nSpeed=80\n[SetSpec]\nDeceleration=3\n");
    SentrelPlugin plugin((root / "Sentrel.so").string());
    plugin.initialize(0);
    EXPECT_EQ(plugin.settings().speedSetting, 80.0);
    EXPECT_EQ(plugin.settings().decelerationSetting, 3.0);
    write(root, "[MaxSpd]\nSpeed=95\n");
    plugin.initialize(0);
    EXPECT_EQ(plugin.settings().speedSetting, 95.0);
    EXPECT_EQ(plugin.settings().decelerationSetting, 2.0);
}

TEST_F(SettingsBesideTheLibrary, MissingFileGivesTheDefaults) { EXPECT_EQ(read(root), std::make_pair(120.0, 2.0)); }

// Values are unsigned: a negative entry becomes a large number, not a sign.
TEST_F(SettingsBesideTheLibrary, NegativeValuesReadAsUnsigned) {
    write(root, "[MaxSpd]\nSpeed=-1\n[SetSpec]\nDeceleration=-2\n");
    EXPECT_EQ(read(root), std::make_pair(4294967295.0, 4294967294.0));
}

// A file that exists but lies where the host could not name it is not read.
TEST_F(SettingsBesideTheLibrary, FileBeyondThePathLimitIsNotRead) {
    const std::size_t base = root.string().size() + 1;
    ASSERT_LT(base, 200U);
    const fs::path fits = root / std::string(246 - base, 'f');     // 247 with separator, 259 with name
    const fs::path tooLong = root / std::string(247 - base, 'g');  // one more
    write(fits, "[MaxSpd]\nSpeed=80\n");
    write(tooLong, "[MaxSpd]\nSpeed=80\n");
    EXPECT_EQ(read(fits).first, 80.0);
    EXPECT_EQ(read(tooLong).first, 120.0);
    const fs::path deep = root / std::string(150, 'h') / std::string(150, 'i');
    write(deep, "[MaxSpd]\nSpeed=80\n");
    EXPECT_EQ(read(deep).first, 120.0);
}

}  // namespace
}  // namespace cabkit::sentrel
