#pragma once

#include "framework/Handle.h"

#include <string>

namespace testing_support {

// Starts `command` as a separate process; the handle is empty on failure.
framework::KernelHandle startProcess(const std::string& command);

// How many running processes have this executable name (any letter case).
int countProcessesNamed(const char* name);

// The build's host paths as Wine sees them (the host's root is drive Z:).
std::string hostToWine(std::string path);

} // namespace testing_support
