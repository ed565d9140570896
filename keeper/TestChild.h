#pragma once

#include <string>
#include <vector>

namespace keeper_test {

// The command line of a test child that writes each chunk (given as bytes)
// to its standard output in a write of its own, then, when `holdEvent` is
// not empty, waits for that named event before it exits.
std::string printerCommand(const std::vector<std::string>& chunks,
                           const std::string& holdEvent = {});

// The command line of a test child that prints "line 0" to "line <n-1>",
// each ended by CR LF, as fast as the pipe takes them.
std::string counterCommand(int lines);

// The command line of a test child that runs until it is terminated.
std::string sleeperCommand();

} // namespace keeper_test
