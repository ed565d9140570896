#pragma once

#include <string>
#include <vector>

namespace testing_support {

// A test program can start itself as a child process in a named mode, the
// way Wine's conformance tests do: `ChildMode printer("print", run);` at
// namespace scope registers the mode, and childCommandLine("print", {...})
// gives the command line that runs it.
class ChildMode {
public:
    using Main = int (*)(const std::vector<std::string>& args);
    ChildMode(const char* name, Main main);

    // When argv asks for a registered mode, runs it and returns true with its
    // exit code in `exitCode`.
    static bool runIfRequested(int argc, char** argv, int& exitCode);
};

std::string selfPath();
std::string childCommandLine(const std::string& mode, const std::vector<std::string>& args = {});

} // namespace testing_support
