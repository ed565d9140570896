#include "cleaner/BrowserProfiles.h"

#include "framework/Handle.h"

#include <windows.h>

namespace cleaner {

namespace {

std::string environmentFolder(const char* name) {
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return {};
    return std::string(value, length);
}

bool isFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The profiles of a Chromium-based browser whose "User Data" is `userData`.
// Its other folders (crash reports, shader caches, components) are not
// profiles and are left alone.
std::vector<std::string> chromiumProfiles(const std::string& userData) {
    std::vector<std::string> profiles;
    for (const std::string& name : subfolders(userData)) {
        std::string profile = userData + "\\" + name;
        if (isFile(profile + "\\Preferences"))
            profiles.push_back(profile);
    }
    return profiles;
}

std::vector<std::string> allIn(const std::string& folder) {
    std::vector<std::string> paths;
    for (const std::string& name : subfolders(folder))
        paths.push_back(folder + "\\" + name);
    return paths;
}

} // namespace

UserFolders UserFolders::current() {
    return {environmentFolder("LOCALAPPDATA"), environmentFolder("APPDATA")};
}

std::vector<std::string> subfolders(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    framework::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!find)
        return names;
    do {
        std::string name = found.cFileName;
        // A link or junction may lead anywhere: its target is not a profile.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || name == "." ||
            name == "..")
            continue;
        names.push_back(name);
    } while (FindNextFileA(find.get(), &found));
    return names;
}

std::vector<Browser> findBrowsers(const UserFolders& folders) {
    std::vector<Browser> browsers;
    auto addChromium = [&](const char* name, const char* program, const char* userData) {
        if (folders.localAppData.empty())
            return;
        Browser browser{name,
                        program,
                        BrowserFamily::chromium,
                        chromiumProfiles(folders.localAppData + userData),
                        {}};
        if (!browser.profiles.empty())
            browsers.push_back(std::move(browser));
    };
    addChromium("Edge", "msedge.exe", "\\Microsoft\\Edge\\User Data");
    addChromium("Chrome", "chrome.exe", "\\Google\\Chrome\\User Data");

    const char* const firefoxProfiles = "\\Mozilla\\Firefox\\Profiles";
    Browser firefox{"Firefox", "firefox.exe", BrowserFamily::firefox, {}, {}};
    if (!folders.appData.empty())
        firefox.profiles = allIn(folders.appData + firefoxProfiles);
    if (!folders.localAppData.empty())
        firefox.localProfiles = allIn(folders.localAppData + firefoxProfiles);
    if (!firefox.profiles.empty() || !firefox.localProfiles.empty())
        browsers.push_back(std::move(firefox));
    return browsers;
}

} // namespace cleaner
