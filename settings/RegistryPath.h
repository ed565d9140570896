#pragma once

#include "framework/Handle.h"

#include <string>
#include <vector>

namespace settings {

// A registry value path such as "Software\Velquin\Ready" cut into the key
// and the value name: leading backslashes go, the key is everything before
// the last backslash (without trailing backslashes), the name everything
// after it (without leading backslashes). Without a backslash the key is
// empty (the root itself) and the whole path names the value.
struct RegistryPath {
    std::string subKey;
    std::string valueName;

    static RegistryPath split(const std::string& path);
};

// The key for one read (KEY_READ; nothing is created) or one write of
// values (KEY_SET_VALUE, all that the service is granted on the shared
// key; missing keys along the path are created); empty on failure.
framework::RegKey openForRead(HKEY root, const std::string& subKey);
framework::RegKey openForWrite(HKEY root, const std::string& subKey);
// The names of the key's subkeys; none when it cannot be read.
std::vector<std::string> subKeyNames(HKEY root, const std::string& subKey);

} // namespace settings
