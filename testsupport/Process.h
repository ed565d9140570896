#pragma once

#include "framework/Handle.h"

#include <string>
#include <vector>

namespace testing_support {

// Starts `command` as a separate process; the handle is empty on failure.
// It ends with the test program at the latest, also when the program is
// ended by its step watch: a child left running would hold the runner's
// output open, and the runner would wait for it until its own limit.
framework::KernelHandle startProcess(const std::string& command);

// The ids of the running processes with this executable name (any letter
// case), and how many there are.
std::vector<DWORD> processIdsNamed(const char* name);
int countProcessesNamed(const char* name);

// The build's host paths as Wine sees them (the host's root is drive Z:).
std::string hostToWine(std::string path);

} // namespace testing_support
