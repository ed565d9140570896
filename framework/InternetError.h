#pragma once

#include <stdexcept>
#include <string>

namespace framework {

// The one exception of the programs: a failure of the Internet library that
// ends the action in progress. The message dispatch catches it, shows its
// text in a message box and leaves the window open.
class InternetError : public std::runtime_error {
public:
    explicit InternetError(const std::string& text) : std::runtime_error(text) {}
};

} // namespace framework
