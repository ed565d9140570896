#pragma once

#include <windows.h>

#include <string>

namespace installer {

// Gives every user whom Velquin may have left pointing at its local proxy
// their own proxy options back at their next logon. The uninstaller runs
// elevated, perhaps under an administrator's account on a standard user's
// behalf, and can change the options of that account alone. For each other
// user who ever used Velquin (their Software\Velquin key), a copy of the
// setup helper goes into their local application data, and their RunOnce
// entry runs its reset-proxy step as them, then removes the copy; the
// system removes the entry as it runs it.
class UserProxyReset {
public:
    static constexpr const char* entryName = "Velquin proxy reset";
    static constexpr const char* folderName = "Velquin Proxy Reset";
    static constexpr const char* runOnceKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

    // `helper` is the setup helper to copy; `localProxy` the proxy that goes
    // away with the installation.
    UserProxyReset(std::string helper, std::string localProxy)
        : helper_(std::move(helper)), localProxy_(std::move(localProxy)) {}

    // For the user whose registry is `hive` (HKEY_CURRENT_USER, or a hive
    // under HKEY_USERS). True when the reset is set up or the user never
    // used Velquin.
    bool scheduleFor(HKEY hive) const;
    // For every user of the machine but the one running this: the hives of
    // those logged on as they are, the others' loaded from their profiles
    // for the while. True when each was set up (or had nothing to set up).
    bool scheduleForOtherUsers() const;
    // The entry's command line for a copy in `folder`: cmd waits for the
    // helper, a console program, before it removes the folder.
    std::string command(const std::string& folder) const;

private:
    bool scheduleForProfile(const std::string& sid) const;

    std::string helper_;
    std::string localProxy_;
};

} // namespace installer
