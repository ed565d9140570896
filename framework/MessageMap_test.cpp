#include "framework/MessageMap.h"

#include <gtest/gtest.h>

using framework::MessageMap;

TEST(MessageMap, CommandMatchesIdAndNotificationOnly) {
    MessageMap map;
    int clicks = 0;
    map.addCommand(WM_COMMAND, 7, BN_CLICKED, [&] { ++clicks; });
    EXPECT_TRUE(map.dispatch(WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 0));
    EXPECT_FALSE(map.dispatch(WM_COMMAND, MAKEWPARAM(8, BN_CLICKED), 0));
    EXPECT_FALSE(map.dispatch(WM_COMMAND, MAKEWPARAM(7, EN_CHANGE), 0));
    EXPECT_EQ(clicks, 1);
}

TEST(MessageMap, LastMatchingEntryWinsAndUnmatchedGetsNothing) {
    MessageMap map;
    map.add(WM_TIMER, [](WPARAM, LPARAM) { return framework::MessageResult(1); });
    map.add(WM_TIMER, [](WPARAM, LPARAM) { return framework::MessageResult(2); });
    EXPECT_EQ(map.dispatch(WM_TIMER, 0, 0), 2);
    EXPECT_FALSE(map.dispatch(WM_PAINT, 0, 0).has_value());
}

TEST(MessageMap, ReflectedCommandMatchesAnySender) {
    MessageMap map;
    int clicks = 0;
    map.addCommand(framework::reflected(WM_COMMAND), MessageMap::anyId, BN_CLICKED,
                   [&] { ++clicks; });
    map.dispatch(framework::reflected(WM_COMMAND), MAKEWPARAM(1, BN_CLICKED), 0);
    map.dispatch(framework::reflected(WM_COMMAND), MAKEWPARAM(99, BN_CLICKED), 0);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(map.dispatch(WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0));
}
