// The keeper window under hostile client output: huge lines, NUL bytes,
// random binary, floods, output that stops mid-line and a client that closes
// its output but keeps running. Throughout, the window must answer messages
// within a second, and it must list exactly the lines the cutting rules
// produce, in order.
#include "keeper/KeeperDialog.h"

#include "testsupport/ChildMode.h"
#include "testsupport/Process.h"
#include "testsupport/ResponsivenessProbe.h"
#include "testsupport/Wait.h"
#include "testsupport/TestChild.h"
#include "resources/keeper/resource.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

#include <gtest/gtest.h>

#include <memory>

using keeper::KeeperDialog;
using testing_support::ResponsivenessProbe;
using testing_support::waitUntil;

namespace {

using Lines = std::vector<std::string>;

// The lines that the cutting rules make of `output` when it holds no NUL:
// a line ends at LF, one CR right before the LF is not part of it, and an
// unterminated rest is the last line.
Lines expectedLines(const std::string& output) {
    Lines lines;
    size_t start = 0;
    for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
        size_t length = end - start;
        if (length > 0 && output[end - 1] == '\r')
            --length;
        lines.push_back(output.substr(start, length));
    }
    if (start < output.size())
        lines.push_back(output.substr(start));
    return lines;
}

std::string selfName() {
    std::string path = testing_support::selfPath();
    return path.substr(path.find_last_of("\\/") + 1);
}

class KeeperRobustness : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
        hold = CreateEventA(nullptr, TRUE, FALSE, holdName);
    }
    void TearDown() override {
        SetEvent(hold);
        if (dialog.handle() != nullptr)
            waitUntil([this] { return !dialog.isRunning(); });
        CloseHandle(hold);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
    }

    // Opens the window on `command` with the probe watching it.
    void open(const std::string& command) {
        settings::RegStringValue(settings::shared::cmd).set(command);
        ASSERT_TRUE(dialog.create());
        probe = std::make_unique<ResponsivenessProbe>(dialog.handle());
    }
    bool waitForEnd(unsigned timeoutMs = 50000) {
        return waitUntil([this] { return !dialog.isRunning(); }, timeoutMs);
    }
    // Stops the probe and checks that every answer came within a second.
    void expectResponsive() {
        probe->stop();
        EXPECT_EQ(probe->misses(), 0);
        EXPECT_LT(probe->longestMs(), 1000u) << "at " << probe->longestAt() << " ms";
        EXPECT_GT(probe->answers(), 0);
    }

    HWND list() const { return dialog.item(IDC_OUTPUT); }
    int lineCount() const { return static_cast<int>(SendMessageA(list(), LB_GETCOUNT, 0, 0)); }
    // The listed lines, asked of the list box's own class procedure in its
    // wide form. Through the window's (subclassed, ANSI) procedure, Wine
    // copies a text into a fixed stack buffer of 512 characters and
    // overruns it with any longer line.
    Lines listed() const {
        auto classProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(list(), GCLP_WNDPROC));
        auto ask = [&](UINT message, WPARAM index, LPARAM buffer) {
            return CallWindowProcW(classProc, list(), message, index, buffer);
        };
        Lines lines;
        for (int i = 0, count = lineCount(); i < count; ++i) {
            std::wstring wide(ask(LB_GETTEXTLEN, i, 0) + 1, L'\0');
            wide.resize(std::max<LRESULT>(0, ask(LB_GETTEXT, i, LPARAM(wide.data()))));
            std::string text(wide.size() * 2, '\0');
            text.resize(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                            text.data(), static_cast<int>(text.size()), nullptr,
                                            nullptr));
            lines.push_back(text);
        }
        return lines;
    }

    static constexpr const char* holdName = "VelquinKeeperRobustnessHold";
    KeeperDialog dialog;
    HANDLE hold = nullptr;
    std::unique_ptr<ResponsivenessProbe> probe;
};

} // namespace

TEST_F(KeeperRobustness, OneMegabyteLineArrivesWholeAsOneLine) {
    open(keeper_test::longLineCommand(1 << 20));
    ASSERT_TRUE(waitForEnd());
    expectResponsive();
    Lines got = listed();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], "before");
    EXPECT_EQ(got[1].size(), size_t(1 << 20));
    EXPECT_TRUE(got[1] == keeper_test::longLine(1 << 20)) << "the long line differs";
    EXPECT_EQ(got[2], "after");
}

TEST_F(KeeperRobustness, NulBytesDropTheRestOfTheirReadOnly) {
    open(keeper_test::printerCommand(
        {"first\n", std::string("ab\0\0cd\nlost\n", 12), std::string("\0", 1), "ef\n", "last\n"}));
    ASSERT_TRUE(waitForEnd());
    expectResponsive();
    EXPECT_EQ(listed(), (Lines{"first", "abef", "last"}));
}

TEST_F(KeeperRobustness, RandomBinaryIsListedAsTheRulesCutIt) {
    const unsigned seed = 20261208;
    const size_t size = 2 << 20;
    open(keeper_test::randomCommand(seed, size));
    ASSERT_TRUE(waitForEnd());
    expectResponsive();
    Lines expected = expectedLines(keeper_test::generatedOutput(seed, size));
    Lines got = listed();
    ASSERT_EQ(got.size(), expected.size()) << "seed " << seed;
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], expected[i]) << "line " << i << ", seed " << seed;
}

// keeper_bench drives 100,000 lines and measures the pace; the test keeps to
// 20,000 lines, enough for many batches and repaints.
TEST_F(KeeperRobustness, FloodOfLinesAsFastAsThePipeTakesThem) {
    const int count = 20000;
    open(keeper_test::counterCommand(count));
    ASSERT_TRUE(waitForEnd(30000));
    expectResponsive();
    Lines got = listed();
    ASSERT_EQ(got.size(), size_t(count));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(got[i], "line " + std::to_string(i));
}

TEST_F(KeeperRobustness, OutputThatStopsMidLineShowsThePartOnlyAtTheEnd) {
    open(keeper_test::printerCommand({"complete\n", "half a li"}, holdName));
    ASSERT_TRUE(waitUntil([this] { return lineCount() == 1; }));
    // The client is silent mid-line: the partial line is not listed while
    // the client may still finish it.
    EXPECT_FALSE(waitUntil([this] { return lineCount() != 1; }, 1500));
    EXPECT_TRUE(dialog.isRunning());
    SetEvent(hold);
    ASSERT_TRUE(waitForEnd());
    expectResponsive();
    EXPECT_EQ(listed(), (Lines{"complete", "half a li"}));
}

TEST_F(KeeperRobustness, ClientThatClosesItsOutputButRunsEndsTheRun) {
    int runningBefore = testing_support::countProcessesNamed(selfName().c_str());
    open(keeper_test::closerCommand("said\nunfinished", holdName));
    // The pipe breaks when the client closes its last write end, although
    // the client itself keeps running until it is let go.
    ASSERT_TRUE(waitForEnd());
    expectResponsive();
    EXPECT_EQ(testing_support::countProcessesNamed(selfName().c_str()), runningBefore + 1)
        << "the client still runs";
    EXPECT_EQ(listed(), (Lines{"said", "unfinished"}));
    EXPECT_TRUE(IsWindowEnabled(dialog.item(IDC_COMMAND)));
}
