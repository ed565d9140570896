#pragma once

#include "settings/RegistryPath.h"

#include <string>

namespace settings {

// One REG_DWORD value of the registry, with a read cache: construction
// reads, get() answers from the cache once a read or write succeeded (or
// always reads when `uncached`), set() writes only a changed value. Nothing
// is written back on destruction. A failed read gives the default; a failed
// write leaves the registry and the cache unchanged, and set() says so.
class RegDwordValue {
public:
    RegDwordValue(const std::string& path, DWORD defaultValue = 0, bool uncached = false,
                  HKEY root = HKEY_LOCAL_MACHINE);

    DWORD get();
    // True when the registry holds `value` as far as this object knows: it
    // was written, or needed no write.
    bool set(DWORD value);

private:
    DWORD read();
    bool write(DWORD value);

    HKEY root_;
    RegistryPath path_;
    DWORD value_ = 0;
    DWORD defaultValue_;
    bool loaded_ = false;
    bool uncached_;
};

} // namespace settings
