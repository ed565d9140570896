#pragma once

#include <windows.h>

namespace framework {

// Starts an ordinary thread at normal priority with the default stack size,
// running at once; the thread's handle is closed here since nobody waits on
// it. False on failure, with the system's error code as the last error.
bool startWorkerThread(LPTHREAD_START_ROUTINE routine, void* parameter);

} // namespace framework
