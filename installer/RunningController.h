#pragma once

#include <windows.h>

namespace installer {

// True while a controller runs anywhere on the machine. Another user's
// marker refuses to be opened, and counts all the same.
bool ControllerRuns();

// Asks the controller of this logon to end the way its Esc key ends it (it
// then gives its user's proxy options back and stops the service, in its
// user's own account), and waits up to `timeoutMs` for every controller to
// be gone. True when none runs (any more); false when one runs for another
// user, or is busy with a workflow, which takes no such request: its user
// has to end it.
bool EndRunningController(DWORD timeoutMs);

} // namespace installer
