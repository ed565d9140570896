#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace installer {

// A self-relative security descriptor made from its text form, freed with
// the descriptor; empty when the text does not parse.
class SecurityDescriptor {
public:
    explicit SecurityDescriptor(const char* sddl);

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
// control, users reading and running. The service runs its programs as
// SYSTEM, so a folder that a standard user could write to would give that
// user SYSTEM's rights. 0x1200a9 is reading and running files
// (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE); OICI hands each entry down to
// the files and folders inside.
inline constexpr const char* folderAccess =
    "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// Gives the folder, and what it holds, the folder's access rules.
bool ProtectFolder(const std::string& path);

} // namespace installer
