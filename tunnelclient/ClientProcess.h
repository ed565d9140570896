#pragma once

namespace tunnelclient {

// The tunnel client's executable name.
extern const char* const clientExecutable;

// Terminates the first process of a snapshot whose executable name equals
// `executable` without regard to case; at most one process, even when
// several match. Failures are ignored.
void terminateFirstProcessNamed(const char* executable);

// The keeper's exit step: ends the tunnel client by name.
inline void killClient() {
    terminateFirstProcessNamed(clientExecutable);
}

} // namespace tunnelclient
