#pragma once

#include <windows.h>

#include <string>

namespace framework {

// A string from the program's string table; empty when there is none.
std::string loadString(UINT id);

// printf-style formatting into a std::string.
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// A message box owned by the active window and captioned with the
// application's name; returns the button that closed it.
int messageBox(const std::string& text, UINT flags);

} // namespace framework
