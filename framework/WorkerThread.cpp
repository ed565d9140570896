#include "framework/WorkerThread.h"

#include "framework/Handle.h"

namespace framework {

bool startWorkerThread(LPTHREAD_START_ROUTINE routine, void* parameter) {
    KernelHandle thread(CreateThread(nullptr, 0, routine, parameter, 0, nullptr));
    return static_cast<bool>(thread);
}

} // namespace framework
