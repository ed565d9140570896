#include "installer/AccessRules.h"

#include "controller/ServiceControl.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using installer::SecurityDescriptor;

namespace {

struct Entry {
    DWORD mask;
    BYTE flags;
};

// The allowing entries of a descriptor's access list by the well-known
// account they name; "other" collects any entry for someone else, and
// "denying" any entry that is not an allowing one.
std::map<std::string, Entry> entriesOf(const SecurityDescriptor& descriptor) {
    const std::pair<WELL_KNOWN_SID_TYPE, const char*> known[] = {
        {WinLocalSystemSid, "SYSTEM"},
        {WinBuiltinAdministratorsSid, "Administrators"},
        {WinInteractiveSid, "Interactive"},
        {WinBuiltinUsersSid, "Users"}};
    std::map<std::string, Entry> entries;
    PACL acl = descriptor.dacl();
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
        entries[who] = {ace->Mask, ace->Header.AceFlags};
    }
    return entries;
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
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(rules.get(), &control, &revision);
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "a writable parent must not hand its rights down";

    std::map<std::string, Entry> entries = entriesOf(rules);
    EXPECT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries["SYSTEM"].mask, static_cast<DWORD>(FILE_ALL_ACCESS));
    EXPECT_EQ(entries["Administrators"].mask, static_cast<DWORD>(FILE_ALL_ACCESS));
    EXPECT_EQ(entries["Users"].mask, static_cast<DWORD>(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE));
    for (const auto& [who, entry] : entries)
        EXPECT_EQ(entry.flags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << who;

    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + "velquin-protected";
    CreateDirectoryA(path.c_str(), nullptr);
    EXPECT_TRUE(installer::ProtectFolder(path));
    RemoveDirectoryA(path.c_str());
}
