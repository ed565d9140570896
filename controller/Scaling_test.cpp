#include "cleaner/CleanerDialog.h"
#include "controller/AboutDialog.h"
#include "controller/MainDialog.h"
#include "controller/ScriptedEnvironment_test.h"
#include "controller/TroubleshootDialog.h"
#include "framework/Dpi.h"
#include "resources/controller/resource.h"
#include "testsupport/ChildMode.h"
#include "testsupport/Process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using controller::MainDialog;
using framework::scaled;

namespace {

// What of `control`'s text does not fit its rectangle at `dpi`, or nothing:
// the text is measured in the control's font as the control lays it out
// (word-wrapped, or on one line for check boxes and group captions), in the
// room its box, icon or frame leaves.
std::string clipped(HWND control, UINT dpi) {
    std::string text = framework::Window::textOf(control);
    if (text.empty() || !IsWindowVisible(control))
        return {};
    char type[32] = {};
    GetClassNameA(control, type, sizeof type);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    int width = client.right;
    UINT format = DT_CALCRECT | DT_WORDBREAK;
    if (lstrcmpiA(type, "Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON)
            return {};
    } else if (lstrcmpiA(type, "Button") == 0) {
        const LONG kind = style & BS_TYPEMASK;
        if (kind == BS_GROUPBOX) {
            width -= scaled(16, dpi);
            format = DT_CALCRECT | DT_SINGLELINE;
        } else if (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX) {
            width -= framework::systemMetric(SM_CXMENUCHECK, dpi) + scaled(4, dpi);
            format = DT_CALCRECT | DT_SINGLELINE;
        } else if (kind == BS_OWNERDRAW) {
            auto* button =
                dynamic_cast<controls::ImageButton*>(framework::Window::fromHandle(control));
            if (button != nullptr)
                width -= button->iconWidth() + 2 * scaled(controls::ImageButton::iconMargin, dpi);
        }
    } else {
        return {};
    }
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &needed, format);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (needed.right <= width && needed.bottom <= client.bottom)
        return {};
    return "\"" + text + "\" needs " + std::to_string(needed.right) + "x" +
           std::to_string(needed.bottom) + ", has " + std::to_string(width) + "x" +
           std::to_string(client.bottom);
}

std::vector<std::string> clippedTexts(const framework::Dialog& dialog) {
    std::vector<std::string> found;
    for (HWND child = GetWindow(dialog.handle(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        std::string problem = clipped(child, dialog.dpi());
        if (!problem.empty())
            found.push_back(problem);
    }
    return found;
}

// Opens every window of the controller at this process's scale and prints
// each text that does not fit; the exit code is their number, or 100 when
// the scale is not the one expected (argument 1).
int checkEveryWindow(const std::vector<std::string>& args) {
    const UINT expected = static_cast<UINT>(std::stoul(args.at(0)));
    controller_test::ScriptedEnvironment environment;
    MainDialog main(environment);
    cleaner::CleanerDialog cleaner("C:\\Velquin");
    controller::TroubleshootDialog troubleshoot;
    controller::AboutDialog about;
    int problems = 0;
    for (framework::Dialog* dialog :
         std::initializer_list<framework::Dialog*>{&main, &cleaner, &troubleshoot, &about}) {
        if (!dialog->create())
            return 101;
        ShowWindow(dialog->handle(), SW_SHOW);
        if (dialog->dpi() != expected) {
            std::printf("laid out for %u DPI, not %u\n", dialog->dpi(), expected);
            return 100;
        }
        for (const std::string& problem : clippedTexts(*dialog)) {
            std::printf("%s: %s\n", framework::Window::textOf(dialog->handle()).c_str(),
                        problem.c_str());
            ++problems;
        }
    }
    // The image buttons show the icon image of their scale.
    if (main.button(0).iconWidth() != scaled(32, expected)) {
        std::printf("button icon %d pixels wide\n", main.button(0).iconWidth());
        ++problems;
    }
    std::fflush(stdout);
    return problems;
}
testing_support::ChildMode fitter("fit-at-scale", checkEveryWindow);

// Sets the desktop's scale that programs started from now on see, and puts
// the old one back afterwards.
class DesktopScale {
public:
    explicit DesktopScale(DWORD dpi) {
        RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", key_.put());
        DWORD size = sizeof old_;
        had_ = RegQueryValueExA(key_.get(), "LogPixels", nullptr, nullptr,
                                reinterpret_cast<BYTE*>(&old_), &size) == ERROR_SUCCESS;
        RegSetValueExA(key_.get(), "LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi),
                       sizeof dpi);
    }
    ~DesktopScale() {
        if (had_)
            RegSetValueExA(key_.get(), "LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&old_),
                           sizeof old_);
        else
            RegDeleteValueA(key_.get(), "LogPixels");
    }

private:
    framework::RegKey key_;
    DWORD old_ = 0;
    bool had_ = false;
};

} // namespace

TEST(Scaling, EveryTextFitsAt100And150And200Percent) {
    for (DWORD dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        DesktopScale scale(dpi);
        framework::KernelHandle child = testing_support::startProcess(
            testing_support::childCommandLine("fit-at-scale", {std::to_string(dpi)}));
        ASSERT_TRUE(child);
        ASSERT_EQ(WaitForSingleObject(child.get(), 60000), WAIT_OBJECT_0);
        DWORD problems = 0;
        GetExitCodeProcess(child.get(), &problems);
        EXPECT_EQ(problems, 0u) << "see the child's lines above";
    }
}

TEST(Scaling, AMoveToAMonitorOfAnotherScaleLaysTheWindowOutAgain) {
    controller_test::ScriptedEnvironment environment;
    MainDialog dialog(environment);
    ASSERT_TRUE(dialog.create());
    ShowWindow(dialog.handle(), SW_SHOW);
    const UINT from = dialog.dpi(), to = from * 2;
    HWND exit = dialog.item(IDC_EXIT);
    RECT before, window;
    GetClientRect(exit, &before);
    GetWindowRect(dialog.handle(), &window);
    const int fontBefore = [&] {
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(exit, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        return font.lfHeight;
    }();
    // As the system suggests it: the same place, twice the size.
    RECT suggested{window.left, window.top, window.left + 2 * (window.right - window.left),
                   window.top + 2 * (window.bottom - window.top)};
    SendMessageA(dialog.handle(), framework::dpiChangedMessage, MAKEWPARAM(to, to),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(dialog.dpi(), to);
    // Mapped in the dialog's units of the new font, which grow a little
    // more than the scale where the font's metrics round up.
    RECT after;
    GetClientRect(exit, &after);
    EXPECT_GE(after.right, 2 * before.right - 1);
    EXPECT_GE(after.bottom, 2 * before.bottom - 1);
    EXPECT_LE(after.right, 2 * before.right * 11 / 10);
    EXPECT_LE(after.bottom, 2 * before.bottom * 11 / 10);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(exit, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, 2 * fontBefore);
    EXPECT_EQ(dialog.button(6).iconWidth(), scaled(32, to));
    // The link took the new font and fits its text again.
    LOGFONTA link{};
    GetObjectA(dialog.link().normalFont(), sizeof link, &link);
    EXPECT_EQ(link.lfHeight, 2 * fontBefore);
    EXPECT_EQ(clippedTexts(dialog), std::vector<std::string>{});

    // And back, to where it was.
    SendMessageA(dialog.handle(), framework::dpiChangedMessage, MAKEWPARAM(from, from),
                 reinterpret_cast<LPARAM>(&window));
    GetClientRect(exit, &after);
    EXPECT_TRUE(EqualRect(&after, &before));
    DestroyWindow(dialog.handle());
}
