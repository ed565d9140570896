#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// A window's text read without sending it a message, so that it works while
// the window's thread is busy (or waiting for the reader).
std::string windowTextNoWait(HWND hwnd);

} // namespace testing_support
