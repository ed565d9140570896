#pragma once

#include <windows.h>

#include <cstddef>

namespace scenario {

// What can be measured of one running process under Wine. Wine reports no
// private memory and no exact handle count of a process, so the figures
// come from where it keeps them: the private (anonymous) resident memory of
// the host process that runs the program, and the size of the process's
// handle table, which doubles as it fills and never shrinks.
struct ProcessFigures {
    bool found = false;
    std::size_t privateKiB = 0;
    DWORD handleTable = 0;
};

// The first process of this Wine prefix with this executable name (any
// letter case).
ProcessFigures figuresOf(const char* executable);

} // namespace scenario
