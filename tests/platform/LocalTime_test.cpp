#include "platform/LocalTime.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/TestSupport.h"

namespace {

TEST(LocalTime, FollowsTheTimeZone) {
    testing_support::CScopedEnv tz("TZ", "Asia/Shanghai");
    ::tzset();
    // 2015-03-07 01:05:03 UTC is 09:05:03 in Beijing, a Saturday.
    std::optional<platform::LocalTime> t = platform::ToLocalTime(1425690303);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->year, 2015);
    EXPECT_EQ(t->month, 3);
    EXPECT_EQ(t->day, 7);
    EXPECT_EQ(t->hour, 9);
    EXPECT_EQ(t->minute, 5);
    EXPECT_EQ(t->second, 3);
    EXPECT_EQ(t->weekday, 6);
}

}  // namespace
