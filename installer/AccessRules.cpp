#include "installer/AccessRules.h"

#include <aclapi.h>
#include <sddl.h>

namespace installer {

SecurityDescriptor::SecurityDescriptor(const char* sddl) {
    PSECURITY_DESCRIPTOR made = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &made, nullptr))
        descriptor_.reset(made);
}

PACL SecurityDescriptor::dacl() const {
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!descriptor_ || !GetSecurityDescriptorDacl(get(), &present, &acl, &defaulted) || !present)
        return nullptr;
    return acl;
}

PSID SecurityDescriptor::owner() const {
    BOOL defaulted = FALSE;
    PSID sid = nullptr;
    if (!descriptor_ || !GetSecurityDescriptorOwner(get(), &sid, &defaulted))
        return nullptr;
    return sid;
}

bool ProtectFolder(const std::string& path) {
    SecurityDescriptor rules(folderAccess);
    if (!rules)
        return false;
    // The owner goes too: an owner may always rewrite the access list, and a
    // folder outside "Program Files" may have been made by a standard user.
    // The system hands the inheritable entries down to what the folder holds.
    return SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                     PROTECTED_DACL_SECURITY_INFORMATION,
                                 rules.owner(), nullptr, rules.dacl(), nullptr) == ERROR_SUCCESS;
}

} // namespace installer
