#pragma once

#include "settings/RegistryPath.h"

#include <string>

namespace settings {

// One REG_SZ value of the registry, with the same cache and write-on-change
// rules as RegDwordValue. Texts compare case-sensitively, byte by byte.
class RegStringValue {
public:
    RegStringValue(const std::string& path, std::string defaultValue = {}, bool uncached = false,
                   HKEY root = HKEY_LOCAL_MACHINE);

    std::string get();
    void set(const std::string& value);

private:
    std::string read();
    void write();

    HKEY root_;
    RegistryPath path_;
    std::string value_;
    std::string defaultValue_;
    bool loaded_ = false;
    bool uncached_;
};

} // namespace settings
