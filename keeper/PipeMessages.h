#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The three notices from the output pump to its window. The numbers are
// registered by name, so both sides of the pump agree on them.
namespace keeper {

// Lines of the output in order, each without its line end: those that one
// read completed, or a few reads of output that was already waiting.
using LineBatch = std::vector<std::string>;

// wParam: the child's process handle (the receiver owns it); lParam: tag.
extern const UINT UPM_PROCESS_HANDLE;
// wParam: a heap-allocated LineBatch of at least one line (the receiver
// owns and frees it); lParam: tag. A notice for many lines rather than one
// a line keeps a chatty child from flooding the window's queue.
extern const UINT UPM_LINES;
// wParam: 0 for a normal end, otherwise a system error code; lParam: tag.
extern const UINT UPM_FINISHED;

} // namespace keeper
