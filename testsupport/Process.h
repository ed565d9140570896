#pragma once

#include "framework/Handle.h"

#include <string>
#include <vector>

namespace testing_support {

// Starts `command` as a separate process; the handle is empty on failure.
framework::KernelHandle startProcess(const std::string& command);

// The ids of the running processes with this executable name (any letter
// case), and how many there are.
std::vector<DWORD> processIdsNamed(const char* name);
int countProcessesNamed(const char* name);

// The build's host paths as Wine sees them (the host's root is drive Z:).
std::string hostToWine(std::string path);

} // namespace testing_support
