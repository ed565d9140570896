#include "cleaner/CleanerDialog.h"
#include "testsupport/ColourRule.h"
#include "testsupport/Wait.h"
#include "resources/controller/resource.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using cleaner::CleanerDialog;
using testing_support::waitUntil;

namespace {

const std::array<int, 7> boxes = {
    IDC_CLEAN_CACHE,       IDC_CLEAN_COOKIES,     IDC_CLEAN_HISTORY,    IDC_CLEAN_TYPED_URLS,
    IDC_CLEAN_RECENT_DOCS, IDC_CLEAN_RUN_HISTORY, IDC_CLEAN_RECYCLE_BIN};

// What a job saw when it ran: its place in the run order, the status line
// on the screen and the box ticks.
struct JobRun {
    std::size_t job;
    std::string status;
    std::vector<UINT> ticks;
    bool operator==(const JobRun&) const = default;
};

class Cleaner : public testing::Test {
protected:
    // Jobs that record what the dialog showed while each ran.
    CleanerDialog::Jobs recordingJobs() {
        CleanerDialog::Jobs jobs;
        for (std::size_t job = 0; job < jobs.size(); ++job)
            jobs[job] = [this, job] { runs.push_back({job, status(), ticks()}); };
        return jobs;
    }
    void open(CleanerDialog& dialog) {
        ASSERT_TRUE(dialog.create());
        shown = &dialog;
        ShowWindow(dialog.handle(), SW_SHOW);
        ASSERT_TRUE(testing_support::waitUntilPainted(dialog.handle()));
    }
    std::string status() const { return framework::Window::textOf(shown->item(IDC_CLEAN_STATUS)); }
    std::vector<UINT> ticks() const {
        std::vector<UINT> states;
        for (int box : boxes)
            states.push_back(IsDlgButtonChecked(shown->handle(), box));
        return states;
    }
    void tick(std::initializer_list<int> ids) {
        for (int id : ids)
            SendMessageA(shown->item(id), BM_CLICK, 0, 0);
    }
    void clean() {
        SendMessageA(shown->handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(shown->item(IDOK)));
    }

    CleanerDialog* shown = nullptr;
    std::vector<JobRun> runs;
};

} // namespace

TEST_F(Cleaner, OpensWithClearBoxesTheOpeningTextAndSetUpButtons) {
    CleanerDialog dialog("C:\\Velquin", recordingJobs());
    open(dialog);
    EXPECT_EQ(framework::Window::textOf(dialog.handle()),
              "Protect Internet Explorer and Windows Desktop Privacy");
    EXPECT_EQ(ticks(), std::vector<UINT>(7, BST_UNCHECKED));
    EXPECT_EQ(status(), CleanerDialog::openingText);
    EXPECT_EQ(framework::Window::textOf(dialog.item(IDC_CLEAN_CACHE)),
              "Delete Internet Explorer Cache Cleanup ");
    EXPECT_EQ(framework::Window::textOf(dialog.item(IDC_CLEAN_TYPED_URLS)),
              "Delete Internet Explorer Address Bar History Cleanup");
    EXPECT_EQ(framework::Window::textOf(dialog.item(IDC_CLEAN_RECYCLE_BIN)),
              "Delete Windows Desktop's Recycle Bin Cleanup ");
    EXPECT_EQ(GetFocus(), dialog.item(IDOK));
    EXPECT_TRUE(dialog.cleanButton().isDefault());
    EXPECT_FALSE(dialog.doneButton().isDefault());
    EXPECT_EQ(GetWindowLongA(dialog.item(IDCANCEL), GWL_STYLE) & 0x1F, BS_OWNERDRAW);
    EXPECT_EQ(dialog.cleanButton().toolTip().toolText(dialog.item(IDOK), 1),
              "Start Cleaning Jobs ");
    EXPECT_EQ(dialog.doneButton().toolTip().toolText(dialog.item(IDCANCEL), 1),
              "Return to Velquin ");
}

TEST_F(Cleaner, TickedJobsRunInTheirOwnOrderEachAnnounced) {
    CleanerDialog dialog("C:\\Velquin", recordingJobs());
    open(dialog);
    tick({IDC_CLEAN_RECYCLE_BIN, IDC_CLEAN_RUN_HISTORY, IDC_CLEAN_RECENT_DOCS, IDC_CLEAN_CACHE,
          IDC_CLEAN_TYPED_URLS});
    const std::vector<UINT> ticked = {1, 0, 0, 1, 1, 1, 1};
    clean();
    const auto& texts = CleanerDialog::jobTexts;
    // Run history comes before recent documents and the recycle bin,
    // although its box sits between them.
    EXPECT_EQ(runs, (std::vector<JobRun>{{0, texts[0], ticked},
                                         {3, texts[3], ticked},
                                         {4, texts[4], ticked},
                                         {5, texts[5], ticked},
                                         {6, texts[6], ticked}}));
    EXPECT_EQ(texts[4], std::string("Delete Windows Desktop's Run History Cleanup - In Progres"));
    EXPECT_EQ(status(), CleanerDialog::completionText);
    EXPECT_EQ(ticks(), ticked);
    EXPECT_FALSE(dialog.isEnded());

    // Each press runs the ticked jobs again.
    runs.clear();
    tick({IDC_CLEAN_CACHE, IDC_CLEAN_TYPED_URLS, IDC_CLEAN_RUN_HISTORY, IDC_CLEAN_RECENT_DOCS,
          IDC_CLEAN_RECYCLE_BIN, IDC_CLEAN_COOKIES, IDC_CLEAN_HISTORY});
    clean();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].job, 1u);
    EXPECT_EQ(runs[0].status, "Delete Internet Explorer Cookies Cleanup - In Progres");
    EXPECT_EQ(runs[1].job, 2u);
    EXPECT_EQ(runs[1].status, "Delete Internet Explorer History Cleanup - In Progres");
}

TEST_F(Cleaner, NoBoxTickedShowsTheCompletionTextAtOnce) {
    CleanerDialog dialog("C:\\Velquin", recordingJobs());
    open(dialog);
    clean();
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(status(), "Action Completed Successfully. Press Done to return to Velquin");
}

TEST_F(Cleaner, EveryOpeningStartsWithClearBoxes) {
    {
        CleanerDialog first("C:\\Velquin", recordingJobs());
        open(first);
        tick({IDC_CLEAN_CACHE, IDC_CLEAN_RECYCLE_BIN});
        clean();
        ASSERT_EQ(runs.size(), 2u);
    }
    CleanerDialog second("C:\\Velquin", recordingJobs());
    open(second);
    EXPECT_EQ(ticks(), std::vector<UINT>(7, BST_UNCHECKED));
    EXPECT_EQ(status(), CleanerDialog::openingText);
}

TEST_F(Cleaner, EnterRunsCleanAndEscActsAsDone) {
    CleanerDialog dialog("C:\\Velquin", recordingJobs());
    open(dialog);
    tick({IDC_CLEAN_COOKIES});
    SetFocus(dialog.item(IDC_CLEAN_COOKIES));
    PostMessageA(dialog.item(IDC_CLEAN_COOKIES), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(waitUntil([&] { return status() == CleanerDialog::completionText; }, 5000));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].job, 1u);
    EXPECT_FALSE(dialog.isEnded());

    PostMessageA(dialog.item(IDC_CLEAN_COOKIES), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitUntil([&] { return dialog.isEnded(); }, 5000));
    EXPECT_EQ(dialog.result(), IDCANCEL);
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(Cleaner, HelpOpensThePrivacyPageOfTheInstallationFolder) {
    std::vector<std::string> opened;
    CleanerDialog dialog("C:\\Program Files\\Velquin", recordingJobs(),
                         [&](const std::string& page) { opened.push_back(page); });
    open(dialog);
    // F1 becomes a help request only as real keyboard input, not as a
    // posted key message: press it for real, on a check box.
    SetForegroundWindow(dialog.handle());
    SetFocus(dialog.item(IDC_CLEAN_HISTORY));
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof keys[0]), 2u);
    EXPECT_TRUE(waitUntil([&] { return !opened.empty(); }, 5000));
    EXPECT_EQ(opened, std::vector<std::string>{"C:\\Program Files\\Velquin\\help.html#privacy"});
}

TEST_F(Cleaner, ColoursFollowTheWindowRule) {
    CleanerDialog dialog("C:\\Velquin", recordingJobs());
    open(dialog);
    HDC dc = CreateCompatibleDC(nullptr);
    // Check boxes ask with the static request: black text on the surface.
    controls_testing::expectColourRule(dialog.handle(), dialog.item(IDC_CLEAN_CACHE), dc);

    // The image buttons keep their own answer.
    LRESULT button = SendMessageA(dialog.handle(), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                  reinterpret_cast<LPARAM>(dialog.item(IDOK)));
    EXPECT_EQ(button, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    DeleteDC(dc);
}

TEST_F(Cleaner, RealJobsEmptyTheTypedAndRunListsFromTheDialog) {
    const char* typed = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
    const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
    HKEY key;
    for (const char* path : {typed, run}) {
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS);
        for (const char* name : {"url1", "MRUList", "a"})
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        RegCloseKey(key);
    }
    CleanerDialog dialog("C:\\Velquin");
    open(dialog);
    tick({IDC_CLEAN_TYPED_URLS, IDC_CLEAN_RUN_HISTORY});
    clean();
    EXPECT_EQ(status(), CleanerDialog::completionText);
    auto has = [](const char* path, const char* name) {
        return RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    };
    EXPECT_FALSE(has(typed, "url1"));
    EXPECT_TRUE(has(typed, "MRUList"));
    EXPECT_FALSE(has(run, "MRUList"));
    EXPECT_FALSE(has(run, "a"));
    EXPECT_TRUE(has(run, "url1"));
    RegDeleteKeyA(HKEY_CURRENT_USER, typed);
    RegDeleteKeyA(HKEY_CURRENT_USER, run);
}
