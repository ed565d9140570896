#pragma once

#include <windows.h>

#include <string>

namespace keeper {

// One line telling what a system error code means: the system's own text
// up to its line break, or "Unknown error code <decimal> (0x<8 hex digits>)"
// for a code the system has no text for.
std::string errorText(DWORD code);

} // namespace keeper
