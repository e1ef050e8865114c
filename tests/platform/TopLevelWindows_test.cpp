#include "platform/TopLevelWindows.h"

#include <gtest/gtest.h>

#include "support/ClientWindow.h"
#include "support/TestSupport.h"

namespace {

using testing_support::CClientWindow;
using testing_support::CScopedEnv;

const char kMainTitle[] = "瓦内尔银行哈沃拉专业版";
const char kLoginTitle[] = "专业版用户登录";

TEST(TopLevelWindows, FindsAWindowByItsTitleInEitherProperty) {
    for (bool netName : {true, false}) {
        CClientWindow client(kLoginTitle, netName, 0);
        ASSERT_NE(client.Id(), 0u);
        EXPECT_EQ(platform::FindTopLevelWindow(testing_support::Gbk(kLoginTitle)), client.Id())
            << netName;
        EXPECT_EQ(platform::FindTopLevelWindow(testing_support::Gbk(kMainTitle)), 0u) << netName;
    }
}

TEST(TopLevelWindows, PostingAsksTheWindowToCloseAndReturnsAtOnce) {
    CClientWindow client(kMainTitle, true, 900);
    ASSERT_NE(client.Id(), 0u);
    const platform::WindowId window =
        platform::FindTopLevelWindow(testing_support::Gbk(kMainTitle));
    ASSERT_EQ(window, client.Id());
    EXPECT_TRUE(platform::PostCloseRequest(window));
    EXPECT_EQ(client.ReadLine(), "closed");
    EXPECT_NE(platform::FindTopLevelWindow(testing_support::Gbk(kMainTitle)), 0u)
        << "still there while it closes";
}

TEST(TopLevelWindows, SendingWaitsUntilTheWindowIsGone) {
    CClientWindow client(kLoginTitle, true, 500);
    ASSERT_NE(client.Id(), 0u);
    const platform::WindowId window =
        platform::FindTopLevelWindow(testing_support::Gbk(kLoginTitle));
    ASSERT_EQ(window, client.Id());
    EXPECT_TRUE(platform::SendCloseRequest(window));
    EXPECT_EQ(platform::FindTopLevelWindow(testing_support::Gbk(kLoginTitle)), 0u);
}

TEST(TopLevelWindows, WithoutADisplayNothingIsFound) {
    CScopedEnv display("DISPLAY", nullptr);
    EXPECT_EQ(platform::FindTopLevelWindow(testing_support::Gbk(kMainTitle)), 0u);
    EXPECT_FALSE(platform::PostCloseRequest(12345));
}

}  // namespace
