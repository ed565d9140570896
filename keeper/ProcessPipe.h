#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace keeper {

// One run of a child program whose standard output and error go into one
// pipe. A reader thread cuts the output into lines and posts them to
// `window` (see PipeMessages.h): the process handle first, then the lines
// (in batches), then the finished notice. The record belongs to the run: start() frees it
// on failure, the reader thread when it ends.
struct ProcessPipe {
    std::string command;   // program path first, then the arguments
    HWND window = nullptr; // receives the notices
    HANDLE readEnd = nullptr;
    LPARAM tag = 0; // sent back as the lParam of every notice

    // True when the child and its reader both run. False on failure, with
    // the failed step's system error code as the last error; a failed
    // process creation or thread start is also posted as UPM_FINISHED.
    static bool start(std::unique_ptr<ProcessPipe> record);
};

} // namespace keeper
