#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// Answers the message boxes that the code under test shows on this thread:
// a watcher thread finds each box by its caption (the application's name),
// records its text and presses `button`. The test reads texts() afterwards.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(int button = IDOK);
    ~MessageBoxWatcher();

    std::vector<std::string> texts() const;

private:
    void watch();

    DWORD thread_;
    int button_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::vector<HWND> answered_;
    std::thread watcher_;
};

} // namespace testing_support
