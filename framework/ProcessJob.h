#pragma once

#include "framework/Handle.h"

#include <string>

namespace framework {

// A job that ends every process in it when its last handle closes, however
// its owner ends (a stop, a crash, TerminateProcess): what the owner starts
// in it cannot outlive it.
class ProcessJob {
public:
    ProcessJob();

    // Starts `commandLine` in `folder` (the owner's own when empty) within
    // the job. The process is held suspended until it is in the job, so that
    // the processes it starts are in the job too. Returns the process
    // handle, or an empty one with the system's error left for
    // GetLastError.
    KernelHandle start(const std::string& commandLine, const std::string& folder);

private:
    KernelHandle job_;
};

} // namespace framework
