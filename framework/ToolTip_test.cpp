#include "framework/ToolTip.h"

#include <gtest/gtest.h>

namespace {

class ToolTipTest : public testing::Test {
protected:
    void SetUp() override {
        owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr,
                                nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override { DestroyWindow(owner); }
    HWND owner = nullptr;
};

TEST_F(ToolTipTest, AddsOneToolAndUpdatesItsText) {
    framework::ToolTip tip;
    ASSERT_TRUE(tip.create(owner));
    EXPECT_EQ(tip.toolCount(), 0);
    RECT area{0, 0, 100, 50};
    EXPECT_TRUE(tip.addTool(owner, 1, area, "first"));
    // Longer than the 80 characters that the ANSI text request returns.
    const std::string second(120, 'x');
    tip.updateTipText(owner, 1, second);
    EXPECT_EQ(tip.toolCount(), 1);
    EXPECT_EQ(tip.toolText(owner, 1), second);
    RECT got = tip.toolRect(owner, 1);
    EXPECT_TRUE(EqualRect(&got, &area));
}

TEST_F(ToolTipTest, DestroyingTheOwnerFirstIsHarmless) {
    framework::ToolTip tip;
    ASSERT_TRUE(tip.create(owner));
    DestroyWindow(owner);
    owner = nullptr;
    EXPECT_FALSE(tip.exists());
}

} // namespace
