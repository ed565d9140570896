#pragma once

#include <string>

namespace controller {

// The installation folder as the installation stored it in AppPath (without
// a trailing backslash), read once when the program starts; the help pages
// are opened relative to it.
extern const std::string installDir;

} // namespace controller
