#pragma once

#include <string>
#include <vector>

namespace cleaner {

// The browsers' stores that the cleaner empties.
enum class BrowserStore { cache, cookies, history };

// How a browser keeps its profiles.
enum class BrowserFamily { chromium, firefox };

// One browser installed for the current user, with every profile of it.
struct Browser {
    // The name the user knows it by: "Edge", "Chrome", "Firefox".
    std::string name;
    // The executable's name: while a process of that name runs, the browser
    // holds its files.
    std::string program;
    BrowserFamily family;
    // The profile folders (for Firefox the roaming ones, which hold the
    // cookies and the history).
    std::vector<std::string> profiles;
    // Firefox keeps its cache in the local profile folders, of the same
    // names; empty for the Chromium family.
    std::vector<std::string> localProfiles;
};

// Where the current user's programs keep their data: %LOCALAPPDATA% and
// %APPDATA%.
struct UserFolders {
    std::string localAppData;
    std::string appData;
    static UserFolders current();
};

// The browsers that have at least one profile under `folders`, in a fixed
// order: Edge, Chrome, Firefox. A Chromium profile
// is a folder of "User Data" with a "Preferences" file; a Firefox profile
// any folder of "Profiles".
std::vector<Browser> findBrowsers(const UserFolders& folders);

// The names of the folders directly inside `folder` (not "." and "..").
std::vector<std::string> subfolders(const std::string& folder);

} // namespace cleaner
