#include <gtest/gtest.h>

#include <filesystem>

#include "module_path.h"

namespace cabkit::platform {
namespace {

// Linked into this test program, the platform code names the program itself.
TEST(ModulePath, NamesTheFileThatHoldsTheCode) {
    const std::filesystem::path path = ownModulePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(path.is_absolute());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_NE(path.filename().string().find("platform_tests"), std::string::npos);
}

}  // namespace
}  // namespace cabkit::platform
