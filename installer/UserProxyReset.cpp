#include "installer/UserProxyReset.h"

#include "framework/Handle.h"
#include "settings/RegistryPath.h"
#include "settings/SharedValues.h"

#include <sddl.h>

namespace installer {

namespace {

const char* const shellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const profileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::string readText(HKEY key, const char* subKey, const char* name) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof text;
    // A REG_EXPAND_SZ value comes expanded.
    if (RegGetValueA(key, subKey, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "";
    return text;
}

framework::RegKey openKey(HKEY root, const std::string& subKey, REGSAM access) {
    framework::RegKey key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, access, key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

// The SID of the account that runs this process, as text.
std::string ownSid() {
    framework::KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return "";
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    char* text = nullptr;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size) ||
        !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
        return "";
    std::string sid = text;
    LocalFree(text);
    return sid;
}

// Loading another user's hive needs the backup and restore privileges,
// which an administrator holds but has not switched on.
bool enableHiveLoading() {
    framework::KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put()))
        return false;
    bool enabled = true;
    for (const char* name : {SE_RESTORE_NAME, SE_BACKUP_NAME}) {
        TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        enabled = LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid) &&
                  AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) &&
                  GetLastError() == ERROR_SUCCESS && enabled;
    }
    return enabled;
}

} // namespace

std::string UserProxyReset::command(const std::string& folder) const {
    // /s: cmd takes the text between the first and the last quote as is.
    return "cmd.exe /d /s /c \"\"" + folder + "\\SetupHelper.exe\" reset-proxy " + localProxy_ +
           " & rd /s /q \"" + folder + "\"\"";
}

bool UserProxyReset::scheduleFor(HKEY hive) const {
    if (!settings::openForRead(hive, settings::shared::key))
        return true;
    const std::string localAppData = readText(hive, shellFolders, "Local AppData");
    if (localAppData.empty())
        return false;
    const std::string folder = localAppData + "\\" + folderName;
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    if (!CopyFileA(helper_.c_str(), (folder + "\\SetupHelper.exe").c_str(), FALSE))
        return false;
    framework::RegKey runOnce;
    const std::string line = command(folder);
    if (RegCreateKeyExA(hive, runOnceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, runOnce.put(), nullptr) != ERROR_SUCCESS) {
        runOnce.release();
        return false;
    }
    return RegSetValueExA(runOnce.get(), entryName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(line.c_str()),
                          static_cast<DWORD>(line.size() + 1)) == ERROR_SUCCESS;
}

bool UserProxyReset::scheduleForProfile(const std::string& sid) const {
    if (framework::RegKey loaded = openKey(HKEY_USERS, sid, KEY_READ | KEY_WRITE))
        return scheduleFor(loaded.get());
    char hiveFile[MAX_PATH] = {};
    std::string profile = readText(
        HKEY_LOCAL_MACHINE, (std::string(profileList) + "\\" + sid).c_str(), "ProfileImagePath");
    if (profile.empty() || !ExpandEnvironmentStringsA(profile.c_str(), hiveFile, sizeof hiveFile))
        return false;
    const std::string mountName = "Velquin-" + sid;
    if (!enableHiveLoading() ||
        RegLoadKeyA(HKEY_USERS, mountName.c_str(),
                    (std::string(hiveFile) + "\\NTUSER.DAT").c_str()) != ERROR_SUCCESS)
        return false;
    bool scheduled = false;
    if (framework::RegKey mounted = openKey(HKEY_USERS, mountName, KEY_READ | KEY_WRITE))
        scheduled = scheduleFor(mounted.get());
    RegUnLoadKeyA(HKEY_USERS, mountName.c_str());
    return scheduled;
}

bool UserProxyReset::scheduleForOtherUsers() const {
    const std::string self = ownSid();
    bool scheduled = true;
    for (const std::string& sid : settings::subKeyNames(HKEY_LOCAL_MACHINE, profileList))
        // The people's accounts; the system's own (S-1-5-18 to 20) browse nothing.
        if (sid.rfind("S-1-5-21-", 0) == 0 && sid != self)
            scheduled = scheduleForProfile(sid) && scheduled;
    return scheduled;
}

} // namespace installer
