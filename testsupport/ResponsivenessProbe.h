#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

namespace testing_support {

// Sends a window WM_NULL from a thread of its own every 20 ms and keeps the
// longest time an answer took; an answer that takes a second or more counts
// as a miss. Runs from construction until stop() or destruction; stop()
// answers the probe's last message itself when called on the window's thread.
class ResponsivenessProbe {
public:
    explicit ResponsivenessProbe(HWND window);
    ~ResponsivenessProbe() { stop(); }
    ResponsivenessProbe(const ResponsivenessProbe&) = delete;
    ResponsivenessProbe& operator=(const ResponsivenessProbe&) = delete;

    void stop();
    DWORD longestMs() const { return longest_; }
    // When the longest wait began, in ms after the probe started.
    int longestAt() const { return longestAt_; }
    int misses() const { return misses_; }
    int answers() const { return answers_; }

private:
    void run();

    HWND window_;
    DWORD started_;
    std::atomic<int> longestAt_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finished_{false};
    std::atomic<DWORD> longest_{0};
    std::atomic<int> misses_{0};
    std::atomic<int> answers_{0};
    std::thread thread_;
};

} // namespace testing_support
