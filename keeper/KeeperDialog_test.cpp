#include "keeper/KeeperDialog.h"

#include "testsupport/Wait.h"
#include "testsupport/TestChild.h"
#include "resources/keeper/resource.h"
#include "settings/RegDwordValue.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

#include <gtest/gtest.h>

using keeper::KeeperDialog;
using testing_support::waitUntil;

namespace {

DWORD ready() {
    return settings::RegDwordValue(settings::shared::ready).get();
}

DWORD progress() {
    return settings::RegDwordValue(settings::shared::progress).get();
}

// Each test runs the window against a test child stored in cmd; the child
// holds until the test lets it end, so states during a run can be seen.
class KeeperWindow : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
        hold = CreateEventA(nullptr, TRUE, FALSE, "VelquinKeeperTestHold");
    }
    void TearDown() override {
        SetEvent(hold);
        if (dialog.handle() != nullptr)
            waitUntil([this] { return !dialog.isRunning(); });
        CloseHandle(hold);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
    }

    void open(const std::vector<std::string>& chunks) {
        settings::RegStringValue(settings::shared::cmd)
            .set(keeper_test::printerCommand(chunks, "VelquinKeeperTestHold"));
        ASSERT_TRUE(dialog.create());
    }
    int lines() const {
        return static_cast<int>(SendMessageA(item(IDC_OUTPUT), LB_GETCOUNT, 0, 0));
    }
    std::string line(int index) const {
        char text[512] = {};
        SendMessageA(item(IDC_OUTPUT), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }
    HWND item(int id) const { return dialog.item(id); }
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    void finishRun() {
        SetEvent(hold);
        ASSERT_TRUE(waitUntil([this] { return !dialog.isRunning(); }));
        ResetEvent(hold);
    }

    KeeperDialog dialog;
    HANDLE hold = nullptr;
};

} // namespace

TEST_F(KeeperWindow, ListsLinesInOrderAndRaisesReadyOnlyOnALaterCircuitPhrase) {
    open({"successfully opened a circuit at the start\n", "Successfully opened a circuit.\n",
          "first line\n"});
    ASSERT_TRUE(waitUntil([this] { return lines() == 3; }));
    EXPECT_EQ(line(0), "successfully opened a circuit at the start");
    EXPECT_EQ(line(2), "first line");
    EXPECT_EQ(ready(), 0u);
    finishRun();

    settings::RegStringValue(settings::shared::cmd)
        .set(keeper_test::printerCommand(
            {"Dec 08 [notice] Tunnel has successfully opened a circuit.\n"},
            "VelquinKeeperTestHold"));
    SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), 0);
    ASSERT_TRUE(waitUntil([] { return ready() == 1; }));
    EXPECT_EQ(lines(), 4);
}

TEST_F(KeeperWindow, PublishesTheLastProgressAndClearsItWithReadyWhenTheClientEnds) {
    open({"x Bootstrapped 10%: a\n", "x Bootstrapped 45%: b\nx chatter\n",
          "x successfully opened a circuit\n"});
    ASSERT_TRUE(waitUntil([] { return ready() == 1; }));
    EXPECT_EQ(progress(), 45u);
    finishRun();
    EXPECT_EQ(ready(), 0u);
    EXPECT_EQ(progress(), 0u);
}

TEST_F(KeeperWindow, EnableStatesChangeOnlyAtOpeningRunClearEditAndEnd) {
    open({"one\n", "two\n", "three\n"});
    EXPECT_FALSE(enabled(IDC_RUN));
    EXPECT_FALSE(enabled(IDC_COMMAND));
    EXPECT_FALSE(enabled(IDC_COMMAND_LABEL));
    ASSERT_TRUE(waitUntil([this] { return lines() == 3; }));
    EXPECT_FALSE(enabled(IDC_CLEAR)) << "the list was empty when the run started";
    finishRun();
    EXPECT_TRUE(enabled(IDC_CLEAR));
    EXPECT_TRUE(enabled(IDC_COMMAND));
    EXPECT_FALSE(enabled(IDC_RUN)) << "the edit is empty";

    SetDlgItemTextA(dialog.handle(), IDC_COMMAND, "   ");
    EXPECT_FALSE(enabled(IDC_RUN)) << "blanks only";
    SetDlgItemTextA(dialog.handle(), IDC_COMMAND, "go");
    EXPECT_TRUE(enabled(IDC_RUN));

    // A later run, started with lines in the list: Clear stays usable, and
    // once pressed stays disabled until the run ends.
    SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), 0);
    EXPECT_FALSE(enabled(IDC_RUN));
    EXPECT_TRUE(enabled(IDC_CLEAR));
    SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDC_CLEAR, BN_CLICKED), 0);
    EXPECT_EQ(lines(), 0);
    ASSERT_TRUE(waitUntil([this] { return lines() == 3; }));
    EXPECT_FALSE(enabled(IDC_CLEAR));
    finishRun();
    EXPECT_TRUE(enabled(IDC_CLEAR));
}

TEST_F(KeeperWindow, MissingClientIsReportedTwice) {
    settings::RegStringValue(settings::shared::cmd).set("C:\\windows\\no-such-client.exe -f x");
    ASSERT_TRUE(dialog.create());
    ASSERT_TRUE(waitUntil([this] { return lines() == 2; }));
    EXPECT_EQ(line(0), line(1));
    EXPECT_FALSE(line(0).empty());
    EXPECT_FALSE(dialog.isRunning());
}

TEST_F(KeeperWindow, EnterAndEscKeepTheWindowOpenAndCloseEndsIt) {
    open({});
    SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(dialog.isEnded());
    SendMessageA(dialog.handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(dialog.isEnded());
    EXPECT_EQ(dialog.result(), IDOK);
}

TEST_F(KeeperWindow, BurstOfLinesIsListedWhole) {
    settings::RegStringValue(settings::shared::cmd).set(keeper_test::counterCommand(3000));
    ASSERT_TRUE(dialog.create());
    ASSERT_TRUE(waitUntil([this] { return !dialog.isRunning(); }, 60000));
    ASSERT_EQ(lines(), 3000);
    EXPECT_EQ(line(0), "line 0");
    EXPECT_EQ(line(2999), "line 2999");
    // Repainting is back on once the burst is drained (turning it off
    // clears the visible bit of the list's style).
    EXPECT_TRUE(
        waitUntil([this] { return GetWindowLongA(item(IDC_OUTPUT), GWL_STYLE) & WS_VISIBLE; }));
}
