#pragma once

#include <windows.h>

// The three notices from the output pump to its window. The numbers are
// registered by name, so both sides of the pump agree on them.
namespace keeper {

// wParam: the child's process handle (the receiver owns it); lParam: tag.
extern const UINT UPM_PROCESS_HANDLE;
// wParam: a heap-allocated std::string with one line, without its line end
// (the receiver owns and frees it); lParam: tag.
extern const UINT UPM_LINE;
// wParam: 0 for a normal end, otherwise a system error code; lParam: tag.
extern const UINT UPM_FINISHED;

} // namespace keeper
