#pragma once

#include "framework/Application.h"

#include <string>

namespace keeper {

// The keeper program: clears Ready, stores the tunnel client's command line
// in cmd, runs the keeper window, and ends the client when the window has
// closed.
class KeeperApp : public framework::Application {
public:
    KeeperApp() : Application("Velquin-Keeper") {}

    // The client's command line for an installation directory: the program
    // and its configuration file, both quoted, so that a directory with
    // blanks in its name cannot make the system start another program.
    static std::string clientCommandLine(const std::string& installDir);

protected:
    bool initInstance() override;
    int exitInstance() override;
};

} // namespace keeper
