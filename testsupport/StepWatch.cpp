#include "testsupport/StepWatch.h"

#include <cstdio>

namespace testing_support {

namespace {
std::string programName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name = path;
    return name.substr(name.find_last_of("\\/") + 1);
}
} // namespace

StepWatch& StepWatch::instance() {
    static StepWatch watch;
    return watch;
}

StepWatch::StepWatch() : thread_([this] { watch(); }) {}

StepWatch::~StepWatch() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void StepWatch::begin(const std::string& step, DWORD timeoutMs) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        step_ = step;
        timeoutMs_ = timeoutMs;
        deadline_ = Clock::now() + std::chrono::milliseconds(timeoutMs);
    }
    changed_.notify_all();
}

void StepWatch::extend(DWORD timeoutMs) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!deadline_)
            return;
        timeoutMs_ = timeoutMs;
        deadline_ = Clock::now() + std::chrono::milliseconds(timeoutMs);
    }
    changed_.notify_all();
}

void StepWatch::end() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        deadline_.reset();
    }
    changed_.notify_all();
}

void StepWatch::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (!deadline_) {
            changed_.wait(lock);
            continue;
        }
        const Clock::time_point deadline = *deadline_;
        if (changed_.wait_until(lock, deadline) == std::cv_status::timeout && deadline_ == deadline)
            timeOut(step_, timeoutMs_);
    }
}

void StepWatch::timeOut(const std::string& step, DWORD timeoutMs) {
    std::fprintf(stderr, "%s: %s did not end within %.1f s\n", programName().c_str(), step.c_str(),
                 timeoutMs / 1000.0);
    std::fflush(stdout);
    std::fflush(stderr);
    // Not ExitProcess: the step that hangs may hold a lock that the
    // process's own ending would wait for.
    TerminateProcess(GetCurrentProcess(), timedOut);
    ExitProcess(timedOut);
}

} // namespace testing_support
