#include "controller/AboutDialog.h"
#include "framework/Resources.h"
#include "testsupport/ChildMode.h"
#include "testsupport/Wait.h"
#include "testsupport/WindowText.h"

#include <gtest/gtest.h>

#include <vector>

using testing_support::waitUntil;
using testing_support::windowTextNoWait;

namespace {

// What a check of the open About box saw.
struct Seen {
    HWND box = nullptr;
    bool ownerDisabled = false;
    std::vector<std::string> texts;
};

Seen seen;
HWND testOwner = nullptr;
void (*closeAction)(HWND box) = nullptr;

BOOL CALLBACK collectText(HWND child, LPARAM) {
    seen.texts.push_back(windowTextNoWait(child));
    return TRUE;
}

// Runs inside the About box's modal loop: records what is shown, then
// closes the box the way the test asks.
void CALLBACK inspectAndClose(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowA("#32770", "About Velquin");
    if (box == nullptr || !IsWindowVisible(box))
        return;
    KillTimer(nullptr, id);
    seen.box = box;
    seen.ownerDisabled = !IsWindowEnabled(testOwner);
    EnumChildWindows(box, &collectText, 0);
    closeAction(box);
}

INT_PTR runAboutBox(void (*close)(HWND)) {
    seen = Seen{};
    closeAction = close;
    testOwner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                nullptr, nullptr, nullptr);
    UINT_PTR timer = SetTimer(nullptr, 0, 50, &inspectAndClose);
    controller::AboutDialog about;
    INT_PTR result = about.runModal(testOwner);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(IsWindowEnabled(testOwner));
    DestroyWindow(testOwner);
    return result;
}

std::string versionString(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
        return "<missing>";
    return std::string(value, length > 0 ? length - 1 : 0);
}

} // namespace

TEST(AboutDialog, ShowsIconVersionAndBuildAndClosesWithOk) {
    INT_PTR result =
        runAboutBox([](HWND box) { PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); });
    EXPECT_EQ(result, IDOK);
    ASSERT_NE(seen.box, nullptr);
    EXPECT_TRUE(seen.ownerDisabled);
    // The icon first, then the texts in the template's order.
    ASSERT_EQ(seen.texts.size(), 4u);
    std::vector<std::string> texts(seen.texts.begin() + 1, seen.texts.end());
    std::vector<std::string> expected{"Velquin Version 1.4", "OK", "Build 21 - July 18, 2007"};
    EXPECT_EQ(texts, expected);
    EXPECT_FALSE(IsWindow(seen.box));
}

TEST(AboutDialog, EscapeClosesIt) {
    INT_PTR result = runAboutBox([](HWND box) {
        HWND focus = GetDlgItem(box, IDOK);
        PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(focus, WM_KEYUP, VK_ESCAPE, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_NE(seen.box, nullptr);
}

TEST(AboutDialog, TheIconIsTheProgramsAndTheMenuTextIsLoaded) {
    controller::AboutDialog about;
    ASSERT_TRUE(about.create());
    HWND icon = GetWindow(about.handle(), GW_CHILD);
    EXPECT_TRUE((GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK) == SS_ICON);
    EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(framework::loadString(IDS_ABOUTBOX), "&About Velquin...");
}

TEST(VersionResource, CarriesTheProgramsVersion) {
    std::string self = testing_support::selfPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(self.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(self.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(4, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(4, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(1, 0));
    DWORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(*translation, MAKELONG(0x0409, 1200));
    EXPECT_EQ(versionString(block, "FileVersion"), "1, 4, 0, 0");
    EXPECT_EQ(versionString(block, "ProductVersion"), "1, 4, 0, 1");
    EXPECT_EQ(versionString(block, "ProductName"), "Velquin Application");
}
