#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// A window's text read without sending it a message, so that it works while
// the window's thread is busy (or waiting for the reader).
std::string windowTextNoWait(HWND hwnd);

// The lines of a list box, which may be another process's.
std::vector<std::string> listBoxLines(HWND list);

} // namespace testing_support
