#pragma once

#include <windows.h>

#include <aclapi.h>

#include <memory>
#include <string>

namespace installer {

// A self-relative security descriptor made from its text form, freed with
// the descriptor; empty when the text does not parse.
class SecurityDescriptor {
public:
    explicit SecurityDescriptor(const char* sddl);
    explicit SecurityDescriptor(const std::string& sddl) : SecurityDescriptor(sddl.c_str()) {}

    PSECURITY_DESCRIPTOR get() const { return descriptor_.get(); }
    explicit operator bool() const { return descriptor_ != nullptr; }
    // The access list; null when the descriptor has none.
    PACL dacl() const;
    PSID owner() const;

private:
    struct Free {
        void operator()(void* memory) const { LocalFree(memory); }
    };
    std::unique_ptr<void, Free> descriptor_;
};

// Who may do what to the service "Velquin": SYSTEM and the administrators
// everything, interactive users start, stop and query it (besides reading
// its configuration), so that Velquin works for a user who is not elevated
// and nobody else can change what the service runs. CCLCSW..LOCRRC are the
// rights a service grants interactive users by default (query configuration
// and status, dependents, interrogate, user controls, read the descriptor);
// RP and WP add start and stop.
inline constexpr const char* serviceAccess = "D:(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;SY)"
                                             "(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)"
                                             "(A;;CCLCSWRPWPLOCRRC;;;IU)";
// The installation folder, whatever its place: owned by the administrators,
// not inheriting from its parent, SYSTEM and the administrators in full
// control, users reading and running. The service's programs run from it,
// so a folder that a standard user could write to would let that user run
// code as the service. 0x1200a9 is reading and running files
// (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE); OICI hands each entry down to
// the files and folders inside.
inline constexpr const char* folderAccess =
    "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// The service's own SID, "NT SERVICE\<name>": S-1-5-80 followed by the
// SHA-1 of the name in capitals (UTF-16) as five numbers. The system adds
// it to the service's processes when the service's SID type is
// SERVICE_SID_TYPE_UNRESTRICTED, and access lists grant the service by it.
// Empty when it cannot be computed.
std::string serviceSid(const std::string& serviceName);
// The shared settings key: SYSTEM and the administrators in full control,
// users reading, and the service (by its SID) setting values, which is all
// it does there (the keeper's Ready, Progress and cmd, and the service's
// clearing of the first two). A key's access list cannot tell its values
// apart. Not inherited from "Software": no grant made there reaches it.
// 0x2 is KEY_SET_VALUE, for the key itself (no CI): no subkeys, no
// deleting, no changing the rules.
std::string settingsAccess(const std::string& serviceSid);
// The tunnel client's data folder: what the installation folder hands
// down, and the service's SID changing what is inside (0x1301bf: reading,
// writing, running and deleting, FILE_GENERIC_READ | FILE_GENERIC_WRITE |
// FILE_GENERIC_EXECUTE | DELETE).
std::string dataFolderAccess(const std::string& serviceSid);

// Gives HKEY_LOCAL_MACHINE\<key> the settings key's rules for the service.
bool GrantSettingsKey(const char* key, const std::string& serviceSid);
// Makes the folder if it is missing and gives it the data folder's rules.
bool GrantDataFolder(const std::string& path, const std::string& serviceSid);

// What ProtectFolder did.
enum class FolderProtection { done, refusedNotEmpty, failed };
// The call that resets a tree's rules; tests put a recording one in its
// place (Wine keeps no rules of files). The wide one: Wine has no other.
using TreeReset = decltype(&TreeResetNamedSecurityInfoW);
// Gives the existing folder `path` the folder's rules, for the whole tree:
// every file and folder inside is owned by the administrators and keeps
// none of its own entries, only what the folder hands down. A folder with
// something in it is refused unless it is the earlier installation's own
// (`earlierInstallation`): a standard user who made the folder first could
// have put a program there, or a DLL beside the service's, for the
// service to run.
FolderProtection ProtectFolder(const std::string& path, bool earlierInstallation,
                               TreeReset reset = &TreeResetNamedSecurityInfoW);

} // namespace installer
