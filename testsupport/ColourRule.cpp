#include "testsupport/ColourRule.h"

#include <gtest/gtest.h>

namespace controls_testing {

namespace {
// The dialogs' light surface, written out so that a changed colour fails.
constexpr COLORREF surfaceColour = RGB(244, 237, 231);

COLORREF brushColour(LRESULT brush) {
    LOGBRUSH info{};
    GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof info, &info);
    return info.lbColor;
}
} // namespace

ColourAnswers expectColourRule(HWND dialog, HWND staticControl, HDC dc) {
    ColourAnswers answers;
    answers.surface = SendMessageA(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                                   reinterpret_cast<LPARAM>(dialog));
    EXPECT_EQ(brushColour(answers.surface), surfaceColour);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 255, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);

    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(1, 2, 3));
    answers.staticControl = SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(staticControl));
    EXPECT_EQ(brushColour(answers.staticControl), surfaceColour);
    EXPECT_NE(answers.staticControl, answers.surface);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    return answers;
}

} // namespace controls_testing
