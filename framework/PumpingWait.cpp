#include "framework/PumpingWait.h"

#include "framework/Handle.h"
#include "framework/MessageLoop.h"

#include <exception>
#include <optional>

namespace framework {

namespace {

// Hands on every queued message; false once WM_QUIT came, whose exit code
// is then kept in `quit`.
bool processQueued(std::optional<int>& quit) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = static_cast<int>(msg.wParam);
            return false;
        }
        MessageLoop::process(msg);
    }
    return true;
}

bool isSignalled(HANDLE object) {
    return object != nullptr && WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
}

struct Job {
    const std::function<void()>* work;
    std::exception_ptr error;
};

DWORD WINAPI runJob(void* parameter) {
    auto* job = static_cast<Job*>(parameter);
    // Nothing may leave a thread's start routine: the error goes back to
    // the waiting thread instead.
    try {
        (*job->work)();
    } catch (...) {
        job->error = std::current_exception();
    }
    return 0;
}

} // namespace

bool PumpingWait::waitFor(HANDLE object, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    const DWORD objects = object != nullptr ? 1 : 0;
    std::optional<int> quit;
    bool signalled = false;
    for (;;) {
        // Queued messages first: MsgWaitForMultipleObjects only wakes for
        // messages that arrive after it was called.
        if (!quit)
            processQueued(quit);
        const ULONGLONG waited = GetTickCount64() - start;
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE)
            left = waited >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - waited);
        if (left == 0) {
            signalled = isSignalled(object);
            break;
        }
        DWORD woken = WAIT_TIMEOUT;
        if (quit && objects == 0)
            Sleep(left);
        else if (quit)
            woken = WaitForSingleObject(object, left);
        else
            woken = MsgWaitForMultipleObjects(objects, &object, FALSE, left, QS_ALLINPUT);
        if (objects == 1 && woken == WAIT_OBJECT_0) {
            signalled = true;
            break;
        }
        if (woken == WAIT_FAILED)
            break;
    }
    if (quit)
        PostQuitMessage(*quit);
    return signalled;
}

void PumpingWait::run(const std::function<void()>& work) {
    Job job{&work, nullptr};
    KernelHandle thread(CreateThread(nullptr, 0, &runJob, &job, 0, nullptr));
    if (!thread) {
        work();
        return;
    }
    // The job lives on this stack: never return while the thread may still
    // use it.
    if (!waitFor(thread.get(), INFINITE))
        WaitForSingleObject(thread.get(), INFINITE);
    if (job.error)
        std::rethrow_exception(job.error);
}

} // namespace framework
