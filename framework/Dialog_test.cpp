#include "framework/Control.h"
#include "framework/DataExchange.h"
#include "framework/Dialog.h"
#include "framework/InternetError.h"
#include "testsupport/MessageBoxWatcher.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

using testing_support::MessageBoxWatcher;
using testing_support::waitUntil;

namespace {

const int firstEdit = 1001, secondEdit = 1002, pressButton = 1003;

// A button that takes its own clicks and counts what the message loop lets
// it see before dispatch.
class CountingButton : public framework::Control {
public:
    CountingButton() { onReflectedCommand(BN_CLICKED, &CountingButton::onClicked); }
    bool preTranslateMessage(MSG& msg) override {
        if (msg.message == WM_APP)
            ++preTranslated;
        return false;
    }
    int clicks = 0;
    int preTranslated = 0;

private:
    void onClicked() { ++clicks; }
};

class TestDialog : public framework::Dialog {
public:
    TestDialog() : Dialog(1000) {
        onCommand(pressButton, &TestDialog::onPress);
        onMessage(WM_APP + 1, &TestDialog::onFail);
        onMessage(WM_APP + 2, &TestDialog::onThrowAnything);
    }
    int first = 0, second = 0;
    int parentSawPress = 0;
    CountingButton button;
    // What the creation step saw: how often it ran, its window, and whether
    // initialisation had already happened.
    int creations = 0;
    HWND createdWindow = nullptr;
    bool initialisedBeforeCreation = false;

protected:
    void onCreate() override {
        ++creations;
        createdWindow = handle();
        initialisedBeforeCreation = initialised_;
    }
    BOOL onInitDialog() override {
        initialised_ = true;
        return Dialog::onInitDialog();
    }
    void doDataExchange(framework::DataExchange& exchange) override {
        exchange.control(pressButton, button);
        exchange.number(firstEdit, first);
        exchange.range(firstEdit, first, 1, 9999);
        exchange.number(secondEdit, second);
        exchange.range(secondEdit, second, 1, 99);
    }

private:
    bool initialised_ = false;
    void onPress() { ++parentSawPress; }
    framework::MessageResult onFail(WPARAM, LPARAM) {
        throw framework::InternetError("The server name could not be resolved");
    }
    framework::MessageResult onThrowAnything(WPARAM, LPARAM) { throw 42; }
};

void setText(HWND dialog, int id, const char* text) {
    SetDlgItemTextA(dialog, id, text);
}

// A dialog whose WM_DESTROY handler notes whether its object was still
// whole when the handler ran.
class DestroyWatchingDialog : public framework::Dialog {
public:
    DestroyWatchingDialog() : Dialog(1000) {
        whole = true;
        onMessage(WM_DESTROY, &DestroyWatchingDialog::onDestroy);
    }
    ~DestroyWatchingDialog() override { whole = false; }
    static inline bool whole = false;
    static inline int destroyedWhole = 0, destroyedInParts = 0;

private:
    framework::MessageResult onDestroy(WPARAM, LPARAM) {
        ++(whole ? destroyedWhole : destroyedInParts);
        return std::nullopt;
    }
};

} // namespace

TEST(Dialog, ItsWindowsLastMessagesReachOnlyAWholeObject) {
    {
        DestroyWatchingDialog closed;
        ASSERT_TRUE(closed.create());
        DestroyWindow(closed.handle());
    }
    HWND window = nullptr;
    {
        // The object goes while its window is open: the window goes with it.
        DestroyWatchingDialog open;
        ASSERT_TRUE(open.create());
        window = open.handle();
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(DestroyWatchingDialog::destroyedWhole, 1);
    EXPECT_EQ(DestroyWatchingDialog::destroyedInParts, 0);
}

TEST(Dialog, PushesMembersAtInitialisation) {
    TestDialog dialog;
    dialog.first = 45;
    ASSERT_TRUE(dialog.create());
    EXPECT_EQ(framework::Window::textOf(dialog.item(firstEdit)), "45");
    EXPECT_EQ(framework::Window::textOf(dialog.item(secondEdit)), "0");
}

TEST(Dialog, CreationStepRunsOnceWithTheWindowBeforeInitialisation) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.create());
    EXPECT_EQ(dialog.creations, 1);
    EXPECT_EQ(dialog.createdWindow, dialog.handle());
    EXPECT_FALSE(dialog.initialisedBeforeCreation);
}

TEST(Dialog, ValidationStopsAtTheFirstFailureAndSelectsTheField) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.create());
    ShowWindow(dialog.handle(), SW_SHOW);
    struct Case {
        const char* first;
        const char* second;
        const char* message;
        int field;
    } cases[] = {
        {"0", "0", "Please enter an integer between 1 and 9999.", firstEdit},
        {"", "5", "Please enter an integer.", firstEdit},
        {"10000", "5", "Please enter an integer between 1 and 9999.", firstEdit},
        {"9999", "", "Please enter an integer.", secondEdit},
        {"9999", "100", "Please enter an integer between 1 and 99.", secondEdit},
    };
    for (const Case& c : cases) {
        setText(dialog.handle(), firstEdit, c.first);
        setText(dialog.handle(), secondEdit, c.second);
        MessageBoxWatcher watcher;
        EXPECT_FALSE(dialog.updateData(true));
        EXPECT_EQ(watcher.texts(), std::vector<std::string>{c.message})
            << c.first << "/" << c.second;
        EXPECT_EQ(GetFocus(), dialog.item(c.field)) << c.first << "/" << c.second;
        DWORD start = 0, end = 0;
        SendMessageA(dialog.item(c.field), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(end - start, strlen(c.field == firstEdit ? c.first : c.second));
    }
    setText(dialog.handle(), firstEdit, "045");
    setText(dialog.handle(), secondEdit, "99");
    EXPECT_TRUE(dialog.updateData(true));
    EXPECT_EQ(dialog.first, 45);
    EXPECT_EQ(dialog.second, 99);
}

TEST(Dialog, ControlHandlesItsOwnReflectedClick) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.create());
    SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(pressButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.item(pressButton)));
    EXPECT_EQ(dialog.button.clicks, 1);
    EXPECT_EQ(dialog.parentSawPress, 0);
}

TEST(Dialog, AnExceptionInAHandlerIsShownAndTheWindowStays) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.create());
    MessageBoxWatcher watcher;
    SendMessageA(dialog.handle(), WM_APP + 1, 0, 0);
    SendMessageA(dialog.handle(), WM_APP + 2, 0, 0);
    EXPECT_EQ(watcher.texts(), (std::vector<std::string>{"The server name could not be resolved",
                                                         "An unexpected error occurred."}));
    EXPECT_TRUE(IsWindow(dialog.handle()));
}

TEST(Dialog, ModalLoopPreTranslatesAndEscCancels) {
    TestDialog dialog;
    // Once the loop runs: a message for the button, then Esc in an edit. A
    // loop that ignores Esc is ended by the second timer with a result of
    // its own, so the test fails instead of waiting for ever.
    static TestDialog* running;
    running = &dialog;
    const INT_PTR stuck = 4242;
    struct Poster {
        static void CALLBACK post(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            PostMessageA(running->item(pressButton), WM_APP, 0, 0);
            PostMessageA(running->item(firstEdit), WM_KEYDOWN, VK_ESCAPE, 0);
        }
        static void CALLBACK giveUp(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            running->endDialog(stuck);
        }
    };
    SetTimer(nullptr, 0, 50, &Poster::post);
    UINT_PTR guard = SetTimer(nullptr, 0, 5000, &Poster::giveUp);
    EXPECT_EQ(dialog.runModal(), IDCANCEL);
    KillTimer(nullptr, guard);
    EXPECT_EQ(dialog.button.preTranslated, 1);
    EXPECT_EQ(dialog.handle(), nullptr);
}

TEST(Dialog, OkEndsOnlyWhenTheDataIsValid) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.create());
    MessageBoxWatcher watcher;
    SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(dialog.isEnded());
    setText(dialog.handle(), firstEdit, "3");
    setText(dialog.handle(), secondEdit, "4");
    SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(dialog.isEnded());
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(watcher.texts().size(), 1u);
}
