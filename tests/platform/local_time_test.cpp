#include <gtest/gtest.h>

#include "environment.h"
#include "local_time.h"

namespace cabkit::platform {
namespace {

TEST(LocalTimeParse, ReadsEveryFieldOfAWellFormedTime) {
    const auto parsed = parseLocalTime("2026-12-08T07:05:09.042");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->year, 2026);
    EXPECT_EQ(parsed->month, 12);
    EXPECT_EQ(parsed->day, 8);
    EXPECT_EQ(parsed->dayOfWeek, 2);  // a Tuesday
    EXPECT_EQ(parsed->hour, 7);
    EXPECT_EQ(parsed->minute, 5);
    EXPECT_EQ(parsed->second, 9);
    EXPECT_EQ(parsed->millisecond, 42);
}

TEST(LocalTimeParse, RejectsMalformedOrImpossibleTimes) {
    for (const char* text :
         {"", "2026-12-08", "2026-12-08T07:05:09", "2026-12-08T07:05:09.0420", "2026-12-08 07:05:09.042",
          "2026-13-01T00:00:00.000", "2026-00-01T00:00:00.000", "2026-02-29T00:00:00.000", "2026-04-31T00:00:00.000",
          "2026-01-01T24:00:00.000", "2026-01-01T00:60:00.000", "2026-01-01T00:00:61.000", "2026-01-01T00:00:00.-01",
          "+026-01-01T00:00:00.000", "abcd-ef-ghTij:kl:mn.opq"}) {
        EXPECT_FALSE(parseLocalTime(text).has_value()) << text;
    }
    EXPECT_FALSE(parseLocalTime(nullptr).has_value());
}

TEST(LocalTimeParse, AcceptsCalendarEdges) {
    EXPECT_TRUE(parseLocalTime("2024-02-29T23:59:60.999").has_value());  // leap day, leap second
    EXPECT_TRUE(parseLocalTime("2000-02-29T00:00:00.000").has_value());
    EXPECT_FALSE(parseLocalTime("1900-02-29T00:00:00.000").has_value());
}

TEST(LocalTimeParse, DayOfWeekCountsFromSunday) {
    EXPECT_EQ(dayOfWeek(2026, 12, 6), 0);  // Sunday
    EXPECT_EQ(dayOfWeek(2000, 1, 1), 6);   // Saturday
    EXPECT_EQ(dayOfWeek(2024, 2, 29), 4);  // Thursday
}

class LocalTimeOverride : public ::testing::Test {
protected:
    void TearDown() override { test::unsetEnvironment(kLocalTimeVariable); }
};

TEST_F(LocalTimeOverride, EnvironmentFixesTheClock) {
    test::setEnvironment(kLocalTimeVariable, "2031-03-04T05:06:07.089");
    const LocalDateTime now = localTime();
    EXPECT_EQ(now.year, 2031);
    EXPECT_EQ(now.month, 3);
    EXPECT_EQ(now.day, 4);
    EXPECT_EQ(now.hour, 5);
    EXPECT_EQ(now.minute, 6);
    EXPECT_EQ(now.second, 7);
    EXPECT_EQ(now.millisecond, 89);
}

TEST_F(LocalTimeOverride, MalformedValueFallsBackToTheSystemClock) {
    test::setEnvironment(kLocalTimeVariable, "yesterday");
    const LocalDateTime now = localTime();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_LE(now.millisecond, 999);
}

}  // namespace
}  // namespace cabkit::platform
