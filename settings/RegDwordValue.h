#pragma once

#include "settings/RegistryPath.h"

#include <string>

namespace settings {

// One REG_DWORD value of the registry, with a read cache: construction
// reads, get() answers from the cache once a read or write succeeded (or
// always reads when `uncached`), set() writes only a changed value. Nothing
// is written back on destruction, and no failure is reported: a failed read
// gives the default, a failed write leaves the registry unchanged.
class RegDwordValue {
public:
    RegDwordValue(const std::string& path, DWORD defaultValue = 0, bool uncached = false,
                  HKEY root = HKEY_LOCAL_MACHINE);

    DWORD get();
    void set(DWORD value);

private:
    DWORD read();
    void write();

    HKEY root_;
    RegistryPath path_;
    DWORD value_ = 0;
    DWORD defaultValue_;
    bool loaded_ = false;
    bool uncached_;
};

} // namespace settings
