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
// each ended by CR LF, in writes of about 4 KB, as fast as the pipe takes
// them.
std::string counterCommand(int lines);

// The command line of a test child that prints `size` bytes drawn from a
// generator seeded with `seed` (see generatedOutput), in writes of varying
// size, as fast as the pipe takes them.
std::string randomCommand(unsigned seed, size_t size);
// The bytes that randomCommand(seed, size) prints: no NUL among them, with
// about one line feed in `lineEvery` bytes and carriage returns here and there.
std::string generatedOutput(unsigned seed, size_t size, unsigned lineEvery = 200);

// The command line of a test child that prints "before", then longLine(size),
// then "after", each ended by CR LF, in writes of 64 KB.
std::string longLineCommand(size_t size);
// `size` letters m with one CR among them (a CR not followed by LF).
std::string longLine(size_t size);

// The command line of a test child that prints `text`, closes its standard
// output and error, and then keeps running until `holdEvent` is set.
std::string closerCommand(const std::string& text, const std::string& holdEvent);

// The command line of a test child that runs until it is terminated.
std::string sleeperCommand();

} // namespace keeper_test
