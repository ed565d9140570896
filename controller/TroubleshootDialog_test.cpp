#include "controller/TroubleshootDialog.h"
#include "testsupport/ColourRule.h"
#include "testsupport/MessageBoxWatcher.h"
#include "testsupport/Wait.h"
#include "resources/controller/resource.h"
#include "settings/SharedValues.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <sddl.h>

#include <algorithm>
#include <vector>

using controller::TroubleshootDialog;
using testing_support::MessageBoxWatcher;
using testing_support::waitUntil;

namespace {

const char* const velquinKey = "Software\\Velquin";
const char* const rangeTimeOut = "Please enter an integer between 1 and 9999.";
const char* const rangeRetry = "Please enter an integer between 1 and 99.";
const char* const notANumber = "Please enter an integer.";

// The stored value's type and number; type REG_NONE when it is absent.
std::pair<DWORD, DWORD> stored(const char* name) {
    DWORD type = REG_NONE, data = 0, size = sizeof data;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, velquinKey, name, RRF_RT_ANY, &type, &data, &size) !=
        ERROR_SUCCESS)
        return {REG_NONE, 0};
    return {type, data};
}

// Stores `value` as four bytes of REG_BINARY: the dialog reads it as the
// number, and a write would turn it into REG_DWORD, so the type shows
// whether anything was written.
void storeUntyped(const char* name, DWORD value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, velquinKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void clearValues() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, velquinKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, settings::shared::names::timeOut);
    RegDeleteValueA(key, settings::shared::names::retry);
    RegCloseKey(key);
}

// While it lives, the settings key takes no writes from anyone, as
// HKEY_LOCAL_MACHINE does for a standard user (Wine enforces a key's access
// list even for its administrator); the key's own list comes back after.
class WritesRefused {
public:
    WritesRefused() {
        HKEY key;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, velquinKey, 0, nullptr, 0, READ_CONTROL | WRITE_DAC,
                        nullptr, &key, nullptr);
        key_.reset(key);
        DWORD size = sizeof original_;
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, original_, &size);
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        // Everyone may read, delete and rewrite the list; nobody may write.
        ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRSDWD;;;WD)", SDDL_REVISION_1,
                                                             &readOnly, nullptr);
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly);
        LocalFree(readOnly);
    }
    ~WritesRefused() { RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, original_); }

private:
    framework::RegKey key_;
    alignas(SECURITY_DESCRIPTOR) char original_[4096] = {};
};

class Troubleshoot : public testing::Test {
protected:
    void SetUp() override { clearValues(); }
    void TearDown() override { clearValues(); }

    // Opens the dialog from its template, shown, as the user would see it.
    void open(TroubleshootDialog& dialog) {
        ASSERT_TRUE(dialog.create());
        ShowWindow(dialog.handle(), SW_SHOW);
        // Shown and active: the focus has reached one of its controls.
        waitUntil([&] { return IsChild(dialog.handle(), GetFocus()) != FALSE; });
    }
    // Types the two fields and presses "Save Settings"; the message boxes
    // that it shows are answered and returned.
    static std::vector<std::string> save(TroubleshootDialog& dialog, const char* timeOut,
                                         const char* retry) {
        SetDlgItemTextA(dialog.handle(), IDC_TIMEOUT, timeOut);
        SetDlgItemTextA(dialog.handle(), IDC_RETRY, retry);
        MessageBoxWatcher watcher;
        SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dialog.item(IDOK)));
        return watcher.texts();
    }
    static std::string itemText(TroubleshootDialog& dialog, int id) {
        return framework::Window::textOf(dialog.item(id));
    }
};

using Texts = std::vector<std::string>;

} // namespace

TEST_F(Troubleshoot, AbsentValuesShowZeroAndSavingThemRefusesTheTimeOut) {
    TroubleshootDialog dialog;
    open(dialog);
    EXPECT_EQ(itemText(dialog, IDC_TIMEOUT), "0");
    EXPECT_EQ(itemText(dialog, IDC_RETRY), "0");
    EXPECT_EQ(save(dialog, "0", "0"), Texts{rangeTimeOut});
    EXPECT_FALSE(dialog.isEnded());
    EXPECT_EQ(GetFocus(), dialog.item(IDC_TIMEOUT));
    EXPECT_EQ(stored(settings::shared::names::timeOut).first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(stored(settings::shared::names::retry).first, static_cast<DWORD>(REG_NONE));
}

TEST_F(Troubleshoot, RefusesEmptyAndOutOfRangeFieldsInOrder) {
    TroubleshootDialog dialog;
    open(dialog);
    EXPECT_EQ(save(dialog, "", "5"), Texts{notANumber});
    EXPECT_EQ(GetFocus(), dialog.item(IDC_TIMEOUT));
    EXPECT_EQ(save(dialog, "45", ""), Texts{notANumber});
    EXPECT_EQ(GetFocus(), dialog.item(IDC_RETRY));
    EXPECT_EQ(save(dialog, "10000", "100"), Texts{rangeTimeOut});
    EXPECT_EQ(save(dialog, "9999", "100"), Texts{rangeRetry});
    EXPECT_EQ(GetFocus(), dialog.item(IDC_RETRY));
    DWORD start = 0, end = 0;
    SendMessageA(dialog.item(IDC_RETRY), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    EXPECT_FALSE(dialog.isEnded());
    EXPECT_EQ(stored(settings::shared::names::timeOut).first, static_cast<DWORD>(REG_NONE));
}

TEST_F(Troubleshoot, AcceptsTheLargestValuesAndWritesThem) {
    TroubleshootDialog dialog;
    open(dialog);
    EXPECT_EQ(save(dialog, "9999", "99"), Texts{});
    EXPECT_TRUE(dialog.isEnded());
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(stored(settings::shared::names::timeOut),
              std::make_pair(static_cast<DWORD>(REG_DWORD), 9999ul));
    EXPECT_EQ(stored(settings::shared::names::retry),
              std::make_pair(static_cast<DWORD>(REG_DWORD), 99ul));
}

TEST_F(Troubleshoot, LeadingZerosAreAccepted) {
    TroubleshootDialog dialog;
    open(dialog);
    EXPECT_EQ(save(dialog, "045", "6"), Texts{});
    EXPECT_EQ(stored(settings::shared::names::timeOut),
              std::make_pair(static_cast<DWORD>(REG_DWORD), 45ul));
    EXPECT_EQ(stored(settings::shared::names::retry),
              std::make_pair(static_cast<DWORD>(REG_DWORD), 6ul));
}

TEST_F(Troubleshoot, SavingTheValuesReadWritesNothingAndCloses) {
    storeUntyped(settings::shared::names::timeOut, 45);
    storeUntyped(settings::shared::names::retry, 2);
    TroubleshootDialog dialog;
    open(dialog);
    EXPECT_EQ(itemText(dialog, IDC_TIMEOUT), "45");
    EXPECT_EQ(itemText(dialog, IDC_RETRY), "2");
    EXPECT_EQ(save(dialog, "45", "2"), Texts{});
    EXPECT_TRUE(dialog.isEnded());
    EXPECT_EQ(stored(settings::shared::names::timeOut).first, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(stored(settings::shared::names::retry).first, static_cast<DWORD>(REG_BINARY));
}

TEST_F(Troubleshoot, OnlyTheChangedValueIsWritten) {
    storeUntyped(settings::shared::names::timeOut, 45);
    storeUntyped(settings::shared::names::retry, 2);
    TroubleshootDialog dialog;
    open(dialog);
    EXPECT_EQ(save(dialog, "120", "2"), Texts{});
    EXPECT_EQ(stored(settings::shared::names::timeOut),
              std::make_pair(static_cast<DWORD>(REG_DWORD), 120ul));
    EXPECT_EQ(stored(settings::shared::names::retry).first, static_cast<DWORD>(REG_BINARY));
}

TEST_F(Troubleshoot, SettingsThatCannotBeWrittenAreReportedNotLostSilently) {
    storeUntyped(settings::shared::names::timeOut, 45);
    TroubleshootDialog dialog;
    open(dialog);
    Texts shown;
    {
        WritesRefused refused;
        shown = save(dialog, "120", "6");
    }
    EXPECT_EQ(shown, Texts{"The settings could not be saved: changing them needs Velquin run as "
                           "administrator (right-click Velquin, then \"Run as administrator\")."});
    EXPECT_TRUE(dialog.isEnded());
    EXPECT_EQ(stored(settings::shared::names::timeOut).first, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(stored(settings::shared::names::retry).first, static_cast<DWORD>(REG_NONE));
}

TEST_F(Troubleshoot, EscAndTheCloseBoxCancelWithoutWriting) {
    static TroubleshootDialog* running = nullptr;
    struct Typist {
        static void CALLBACK escape(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            SetDlgItemTextA(running->handle(), IDC_TIMEOUT, "120");
            PostMessageA(running->item(IDC_TIMEOUT), WM_KEYDOWN, VK_ESCAPE, 0);
        }
        static void CALLBACK close(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            SetDlgItemTextA(running->handle(), IDC_RETRY, "7");
            PostMessageA(running->handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        }
    };
    {
        MessageBoxWatcher watcher;
        TroubleshootDialog dialog;
        running = &dialog;
        SetTimer(nullptr, 0, 100, &Typist::escape);
        EXPECT_EQ(dialog.runModal(), IDCANCEL);
        TroubleshootDialog closed;
        running = &closed;
        SetTimer(nullptr, 0, 100, &Typist::close);
        EXPECT_EQ(closed.runModal(), IDCANCEL);
        EXPECT_EQ(watcher.texts(), Texts{});
    }
    EXPECT_EQ(stored(settings::shared::names::timeOut).first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(stored(settings::shared::names::retry).first, static_cast<DWORD>(REG_NONE));
}

TEST_F(Troubleshoot, OpensWithTheSaveButtonFocusedAndSetUp) {
    TroubleshootDialog dialog;
    open(dialog);
    HWND save = dialog.item(IDOK);
    EXPECT_EQ(GetFocus(), save);
    EXPECT_EQ(GetNextDlgTabItem(dialog.handle(), save, FALSE), dialog.item(IDC_TIMEOUT));
    EXPECT_EQ(GetNextDlgTabItem(dialog.handle(), dialog.item(IDC_TIMEOUT), FALSE),
              dialog.item(IDC_RETRY));
    EXPECT_EQ(GetNextDlgTabItem(dialog.handle(), dialog.item(IDC_RETRY), FALSE), save);
    EXPECT_EQ(framework::Window::textOf(dialog.handle()), "Troubleshooting Velquin");
    EXPECT_EQ(itemText(dialog, IDOK), "Save Settings");
    EXPECT_EQ(GetWindowLongA(save, GWL_STYLE) & 0x1F, BS_OWNERDRAW);
    EXPECT_TRUE(dialog.saveButton().isDefault());
    EXPECT_EQ(dialog.saveButton().toolTip().toolText(save, 1),
              "Press Save Settings to close Velquin. Start it again and try to change the IP "
              "address!");
    EXPECT_TRUE(GetWindowLongA(dialog.item(IDC_TIMEOUT), GWL_STYLE) & ES_NUMBER);
    EXPECT_TRUE(GetWindowLongA(dialog.item(IDC_RETRY), GWL_STYLE) & ES_NUMBER);
}

TEST_F(Troubleshoot, TextsKeepTheirTrailingBlanks) {
    TroubleshootDialog dialog;
    open(dialog);
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog.handle(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(framework::Window::textOf(child));
    auto has = [&](const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    };
    EXPECT_TRUE(has("Server Time Out Seconds "));
    EXPECT_TRUE(has("Retry Connection Times"));
    EXPECT_TRUE(has("Using the default values Velquin tries to connect to the server 3 times "
                    "using a maximum timeout of 45 seconds. "));
    EXPECT_TRUE(has("When you press Save Settings Velquin will be close. Start it again and try "
                    "to change the IP address. "));
    EXPECT_TRUE(has("We recommend you to set the time out to 120 or 180 and the retry to 6."));
}

TEST_F(Troubleshoot, ColoursFollowTheWindowRule) {
    TroubleshootDialog dialog;
    open(dialog);
    HDC dc = CreateCompatibleDC(nullptr);
    HWND label = nullptr;
    for (HWND child = GetWindow(dialog.handle(), GW_CHILD); child != nullptr && !label;
         child = GetWindow(child, GW_HWNDNEXT))
        if (framework::Window::textOf(child) == "Retry Connection Times")
            label = child;
    ASSERT_NE(label, nullptr);

    controls_testing::ColourAnswers answers =
        controls_testing::expectColourRule(dialog.handle(), label, dc);

    SetTextColor(dc, RGB(9, 9, 9));
    LRESULT edit = SendMessageA(dialog.handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(dialog.item(IDC_TIMEOUT)));
    EXPECT_NE(edit, answers.surface);
    EXPECT_NE(edit, answers.staticControl);
    DeleteDC(dc);
}
