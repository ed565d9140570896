#pragma once

#include <string>

namespace controller {

// The installation folder as the installation stored it in AppPath (without
// a trailing backslash), read at the first call and kept for the life of the
// process; the help pages are opened relative to it.
const std::string& installDir();

} // namespace controller
