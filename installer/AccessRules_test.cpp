#include "installer/AccessRules.h"

#include "controller/ServiceControl.h"
#include "framework/Handle.h"
#include "settings/RegDwordValue.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using installer::SecurityDescriptor;

namespace {

struct Entry {
    DWORD mask;
    BYTE flags;
};

// The service's SID as the system would make it, for the tests.
const std::string velquinSid = installer::serviceSid("Velquin");

// The allowing entries of an access list by the well-known account they
// name ("Velquin" for the service's SID); "other" collects any entry for
// someone else, and "denying" any entry that is not an allowing one.
std::map<std::string, Entry> entriesOf(PACL acl) {
    const std::pair<WELL_KNOWN_SID_TYPE, const char*> known[] = {
        {WinLocalSystemSid, "SYSTEM"},
        {WinBuiltinAdministratorsSid, "Administrators"},
        {WinInteractiveSid, "Interactive"},
        {WinBuiltinUsersSid, "Users"}};
    std::map<std::string, Entry> entries;
    for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
        void* raw = nullptr;
        GetAce(acl, i, &raw);
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
            entries["denying"] = {ace->Mask, ace->Header.AceFlags};
            continue;
        }
        std::string who = "other";
        for (auto [type, name] : known) {
            BYTE sid[SECURITY_MAX_SID_SIZE];
            DWORD size = sizeof sid;
            CreateWellKnownSid(type, nullptr, sid, &size);
            if (EqualSid(sid, &ace->SidStart))
                who = name;
        }
        char* text = nullptr;
        if (ConvertSidToStringSidA(&ace->SidStart, &text)) {
            if (text == velquinSid)
                who = "Velquin";
            LocalFree(text);
        }
        entries[who] = {ace->Mask, ace->Header.AceFlags};
    }
    return entries;
}
std::map<std::string, Entry> entriesOf(const SecurityDescriptor& descriptor) {
    return entriesOf(descriptor.dacl());
}

bool isProtected(PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    return (control & SE_DACL_PROTECTED) != 0;
}

// What a tree reset was asked to do.
struct TreeResetCall {
    std::string path;
    SECURITY_INFORMATION what = 0;
    bool ownedByAdministrators = false;
    std::map<std::string, Entry> entries;
    BOOL keepExplicit = TRUE;
};
std::vector<TreeResetCall> treeResets;
DWORD WINAPI recordTreeReset(LPWSTR path, SE_OBJECT_TYPE, SECURITY_INFORMATION what, PSID owner,
                             PSID, PACL dacl, PACL, WINBOOL keepExplicit, FN_PROGRESS,
                             PROG_INVOKE_SETTING, PVOID) {
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size);
    char narrow[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof narrow, nullptr, nullptr);
    treeResets.push_back({narrow, what, owner != nullptr && EqualSid(owner, administrators),
                          entriesOf(dacl), keepExplicit});
    return ERROR_SUCCESS;
}

std::string tempFolder(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + name;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

bool ownedByAdministrators(const SecurityDescriptor& descriptor) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size);
    return descriptor.owner() != nullptr && EqualSid(sid, descriptor.owner());
}

} // namespace

// Wine keeps none of these rules (it grants everything to everyone, answers
// success to setting a service's or a folder's access list and reports a
// list of its own afterwards), so the rules are checked as built, entry by
// entry, and the calls that apply them only for their answer.
TEST(AccessRules, InteractiveUsersMayStartStopAndQueryTheServiceAndNoMore) {
    SecurityDescriptor rules(installer::serviceAccess);
    ASSERT_TRUE(rules);
    std::map<std::string, Entry> entries = entriesOf(rules);
    EXPECT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries["SYSTEM"].mask, static_cast<DWORD>(SERVICE_ALL_ACCESS));
    EXPECT_EQ(entries["Administrators"].mask, static_cast<DWORD>(SERVICE_ALL_ACCESS));
    DWORD user = entries["Interactive"].mask;
    // What the controller asks for, and nothing that changes the service.
    EXPECT_EQ(user & controller::ServiceControl::serviceRights,
              controller::ServiceControl::serviceRights);
    EXPECT_EQ(user & (SERVICE_CHANGE_CONFIG | DELETE | WRITE_DAC | WRITE_OWNER), 0u);
}

TEST(AccessRules, TheFolderIsOwnedByAdministratorsAndOnlyReadByUsers) {
    SecurityDescriptor rules(installer::folderAccess);
    ASSERT_TRUE(rules);
    EXPECT_TRUE(ownedByAdministrators(rules));
    EXPECT_TRUE(isProtected(rules.get())) << "a writable parent must not hand its rights down";

    std::map<std::string, Entry> entries = entriesOf(rules);
    EXPECT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries["SYSTEM"].mask, static_cast<DWORD>(FILE_ALL_ACCESS));
    EXPECT_EQ(entries["Administrators"].mask, static_cast<DWORD>(FILE_ALL_ACCESS));
    EXPECT_EQ(entries["Users"].mask, static_cast<DWORD>(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE));
    for (const auto& [who, entry] : entries)
        EXPECT_EQ(entry.flags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << who;

    std::string path = tempFolder("velquin-protected");
    EXPECT_EQ(installer::ProtectFolder(path, false), installer::FolderProtection::done);
    RemoveDirectoryA(path.c_str());
}

TEST(AccessRules, AFolderSomeoneElseFilledIsRefusedAndAnEarlierInstallationIsResetWhole) {
    // A folder that a standard user made first, with a file of their own
    // that grants everyone everything.
    std::string path = tempFolder("velquin-made-by-a-user");
    std::string planted = path + "\\version.dll";
    CloseHandle(CreateFileA(planted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    SecurityDescriptor everyone("D:(A;;FA;;;WD)");
    SetNamedSecurityInfoA(planted.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, everyone.dacl(), nullptr);
    treeResets.clear();
    EXPECT_EQ(installer::ProtectFolder(path, false, &recordTreeReset),
              installer::FolderProtection::refusedNotEmpty);
    EXPECT_TRUE(treeResets.empty()) << "nothing of a refused folder changes";

    // The same folder as the one an earlier installation made: every entry
    // inside is reset, none kept, the owner too.
    EXPECT_EQ(installer::ProtectFolder(path, true, &recordTreeReset),
              installer::FolderProtection::done);
    ASSERT_EQ(treeResets.size(), 1u);
    const TreeResetCall& reset = treeResets[0];
    EXPECT_EQ(reset.path, path);
    EXPECT_EQ(reset.what, static_cast<SECURITY_INFORMATION>(OWNER_SECURITY_INFORMATION |
                                                            DACL_SECURITY_INFORMATION |
                                                            PROTECTED_DACL_SECURITY_INFORMATION));
    EXPECT_TRUE(reset.ownedByAdministrators);
    EXPECT_FALSE(reset.keepExplicit);
    EXPECT_EQ(reset.entries.size(), 3u);
    EXPECT_EQ(reset.entries.count("Users"), 1u);
    DeleteFileA(planted.c_str());
    RemoveDirectoryA(path.c_str());
}

TEST(AccessRules, TheServiceIsGrantedByItsOwnSidWhatItWritesAndNoMore) {
    // The system's own derivation, checked on a service whose SID is known.
    EXPECT_EQ(installer::serviceSid("TrustedInstaller"),
              "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464");
    ASSERT_EQ(velquinSid.rfind("S-1-5-80-", 0), 0u);

    SecurityDescriptor settings(installer::settingsAccess(velquinSid));
    ASSERT_TRUE(settings);
    EXPECT_TRUE(isProtected(settings.get()));
    std::map<std::string, Entry> entries = entriesOf(settings);
    EXPECT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries["SYSTEM"].mask, static_cast<DWORD>(KEY_ALL_ACCESS));
    EXPECT_EQ(entries["Administrators"].mask, static_cast<DWORD>(KEY_ALL_ACCESS));
    EXPECT_EQ(entries["Users"].mask, static_cast<DWORD>(KEY_READ));
    EXPECT_EQ(entries["Velquin"].mask, static_cast<DWORD>(KEY_SET_VALUE));
    EXPECT_EQ(entries["Velquin"].flags, 0) << "the key's own values, no subkeys";

    SecurityDescriptor data(installer::dataFolderAccess(velquinSid));
    ASSERT_TRUE(data);
    EXPECT_FALSE(isProtected(data.get())) << "the installation folder's rules still apply";
    entries = entriesOf(data);
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries["Velquin"].mask, static_cast<DWORD>(FILE_GENERIC_READ | FILE_GENERIC_WRITE |
                                                          FILE_GENERIC_EXECUTE | DELETE));
    EXPECT_EQ(entries["Velquin"].flags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);

    // Wine keeps a key's access list: the one given is read back whole, and
    // an administrator still writes there.
    const char* key = "Software\\Velquin Access Test";
    framework::RegKey made;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_READ, nullptr, made.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(installer::GrantSettingsKey(key, velquinSid));
    BYTE buffer[4096];
    DWORD size = sizeof buffer;
    ASSERT_EQ(RegGetKeySecurity(made.get(), DACL_SECURITY_INFORMATION, buffer, &size),
              ERROR_SUCCESS);
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(buffer, &present, &acl, &defaulted);
    EXPECT_EQ(entriesOf(acl).size(), 4u);
    EXPECT_EQ(entriesOf(acl)["Velquin"].mask, static_cast<DWORD>(KEY_SET_VALUE));
    EXPECT_TRUE(settings::RegDwordValue(std::string(key) + "\\Ready").set(1));
    made.reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);

    std::string folder = tempFolder("velquin-data-parent") + "\\data";
    EXPECT_TRUE(installer::GrantDataFolder(folder, velquinSid));
    EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA(folder.substr(0, folder.rfind('\\')).c_str());
}
