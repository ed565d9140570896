#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace testing_support {

// Bounds the steps of a test or benchmark program in time. A thread of its
// own watches the step under way; when one outlasts its bound, the program
// writes which step it was to standard error and ends with exit code
// `timedOut`, so that a runner is never left waiting on a program that
// says nothing. Its children started with startProcess end with it, in
// their job.
class StepWatch {
public:
    static constexpr UINT timedOut = 3;

    // The program's one watch.
    static StepWatch& instance();

    // `step` has begun and must end within `timeoutMs`; the step before it
    // has ended.
    void begin(const std::string& step, DWORD timeoutMs);
    // The step under way may take `timeoutMs` from now.
    void extend(DWORD timeoutMs);
    // No step is under way.
    void end();

    StepWatch(const StepWatch&) = delete;
    StepWatch& operator=(const StepWatch&) = delete;

private:
    using Clock = std::chrono::steady_clock;
    StepWatch();
    ~StepWatch();
    void watch();
    [[noreturn]] void timeOut(const std::string& step, DWORD timeoutMs);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::string step_;
    DWORD timeoutMs_ = 0;
    std::optional<Clock::time_point> deadline_;
    bool stopping_ = false;
    std::thread thread_;
};

// Bounds one step of a benchmark: begins it on construction, ends it when
// the scope is left.
class Step {
public:
    Step(const std::string& step, DWORD timeoutMs) { StepWatch::instance().begin(step, timeoutMs); }
    ~Step() { StepWatch::instance().end(); }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
};

} // namespace testing_support
