#include "installer/AccessRules.h"

#include "framework/Handle.h"

#include <sddl.h>
#include <wincrypt.h>

namespace installer {

namespace {

bool isEmptyFolder(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    bool empty = true;
    do {
        const std::string name = entry.cFileName;
        empty = name == "." || name == "..";
    } while (empty && FindNextFileA(search, &entry));
    FindClose(search);
    return empty;
}

// The SHA-1 of `data`; false when the system's provider cannot make it.
bool sha1(const BYTE* data, DWORD size, BYTE (&digest)[20]) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return false;
    HCRYPTHASH hash = 0;
    DWORD length = sizeof digest;
    bool made = CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
                CryptHashData(hash, data, size, 0) &&
                CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0) && length == sizeof digest;
    if (hash != 0)
        CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    return made;
}

} // namespace

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

std::string serviceSid(const std::string& serviceName) {
    std::wstring upper(serviceName.begin(), serviceName.end());
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    BYTE digest[20];
    if (!sha1(reinterpret_cast<const BYTE*>(upper.data()),
              static_cast<DWORD>(upper.size() * sizeof(wchar_t)), digest))
        return "";
    std::string sid = "S-1-5-80";
    for (int i = 0; i < 5; ++i) {
        DWORD part = digest[4 * i] | digest[4 * i + 1] << 8 | digest[4 * i + 2] << 16 |
                     static_cast<DWORD>(digest[4 * i + 3]) << 24;
        sid += "-" + std::to_string(part);
    }
    return sid;
}

std::string settingsAccess(const std::string& serviceSid) {
    return "D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)(A;;0x2;;;" + serviceSid + ")";
}

std::string dataFolderAccess(const std::string& serviceSid) {
    return "D:(A;OICI;0x1301bf;;;" + serviceSid + ")";
}

bool GrantSettingsKey(const char* key, const std::string& serviceSid) {
    SecurityDescriptor rules(settingsAccess(serviceSid));
    framework::RegKey settings;
    if (!rules ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, WRITE_DAC, settings.put()) != ERROR_SUCCESS) {
        settings.release();
        return false;
    }
    return RegSetKeySecurity(settings.get(), DACL_SECURITY_INFORMATION, rules.get()) ==
           ERROR_SUCCESS;
}

bool GrantDataFolder(const std::string& path, const std::string& serviceSid) {
    SecurityDescriptor rules(dataFolderAccess(serviceSid));
    if (!rules ||
        (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS))
        return false;
    // Unprotected: the entry comes on top of what the folder inherits.
    return SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, rules.dacl(), nullptr) == ERROR_SUCCESS;
}

FolderProtection ProtectFolder(const std::string& path, bool earlierInstallation, TreeReset reset) {
    if (!earlierInstallation && !isEmptyFolder(path))
        return FolderProtection::refusedNotEmpty;
    SecurityDescriptor rules(folderAccess);
    if (!rules)
        return FolderProtection::failed;
    std::wstring widePath(path.size() + 1, L'\0');
    widePath.resize(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath.data(),
                                        static_cast<int>(widePath.size())));
    if (widePath.empty())
        return FolderProtection::failed;
    // The owner goes too: an owner may always rewrite the access list.
    // Nothing inside keeps an entry of its own (KeepExplicit false).
    return reset(widePath.data(), SE_FILE_OBJECT,
                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                     PROTECTED_DACL_SECURITY_INFORMATION,
                 rules.owner(), nullptr, rules.dacl(), nullptr, FALSE, nullptr, ProgressInvokeNever,
                 nullptr) == ERROR_SUCCESS
               ? FolderProtection::done
               : FolderProtection::failed;
}

} // namespace installer
