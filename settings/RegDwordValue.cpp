#include "settings/RegDwordValue.h"

namespace settings {

RegDwordValue::RegDwordValue(const std::string& path, DWORD defaultValue, bool uncached, HKEY root)
    : root_(root), path_(RegistryPath::split(path)), defaultValue_(defaultValue),
      uncached_(uncached) {
    read();
}

DWORD RegDwordValue::get() {
    if (!loaded_ || uncached_)
        return read();
    return value_;
}

bool RegDwordValue::set(DWORD value) {
    if (value == value_ && !uncached_)
        return true;
    return write(value);
}

DWORD RegDwordValue::read() {
    framework::RegKey key = openForRead(root_, path_.subKey);
    if (!key)
        return defaultValue_;
    // Query into a separate word: a failed or oversize query must not leave
    // partial data in the cache. Data shorter than four bytes is taken as
    // the low bytes of the number.
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.get(), path_.valueName.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return defaultValue_;
    value_ = data;
    loaded_ = true;
    return value_;
}

bool RegDwordValue::write(DWORD value) {
    framework::RegKey key = openForWrite(root_, path_.subKey);
    if (!key ||
        RegSetValueExA(key.get(), path_.valueName.c_str(), 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&value), sizeof value) != ERROR_SUCCESS)
        return false;
    value_ = value;
    loaded_ = true;
    return true;
}

} // namespace settings
