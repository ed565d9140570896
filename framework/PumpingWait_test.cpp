#include "framework/Handle.h"
#include "framework/PumpingWait.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

using framework::PumpingWait;

TEST(PumpingWait, AnswersSentMessagesUntilTheObjectIsSignalledAndKeepsAQuit) {
    HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    framework::KernelHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    bool answered = false;
    std::thread sender([&] {
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
        SetEvent(done.get());
    });
    EXPECT_TRUE(PumpingWait::waitFor(done.get(), 10000));
    sender.join();
    EXPECT_TRUE(answered);
    DestroyWindow(window);

    // The outer loop still sees a quit that came during a wait.
    PostQuitMessage(3);
    EXPECT_FALSE(PumpingWait::waitFor(nullptr, 20));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(PumpingWait, RunDoesTheWorkOnAnotherThreadAndThrowsItsError) {
    DWORD worker = GetCurrentThreadId();
    PumpingWait::run([&] { worker = GetCurrentThreadId(); });
    EXPECT_NE(worker, GetCurrentThreadId());
    EXPECT_THROW(PumpingWait::run([] { throw std::runtime_error("refused"); }), std::runtime_error);
}
