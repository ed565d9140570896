#include "settings/RegStringValue.h"

#include <algorithm>
#include <vector>

namespace settings {

RegStringValue::RegStringValue(const std::string& path, std::string defaultValue, bool uncached,
                               HKEY root)
    : root_(root), path_(RegistryPath::split(path)), defaultValue_(std::move(defaultValue)),
      uncached_(uncached) {
    read();
}

std::string RegStringValue::get() {
    if (!loaded_ || uncached_)
        return read();
    return value_;
}

void RegStringValue::set(const std::string& value) {
    if (value == value_ && !uncached_)
        return;
    value_ = value;
    write();
}

std::string RegStringValue::read() {
    framework::RegKey key = openForRead(root_, path_.subKey);
    if (!key)
        return defaultValue_;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), path_.valueName.c_str(), nullptr, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return defaultValue_;
    std::vector<char> data(size);
    if (RegQueryValueExA(key.get(), path_.valueName.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return defaultValue_;
    // The text ends at its first NUL, and never beyond the data: a value
    // stored without its terminator is taken whole and no further.
    size = std::min<DWORD>(size, static_cast<DWORD>(data.size()));
    value_.assign(data.data(), std::find(data.data(), data.data() + size, '\0'));
    loaded_ = true;
    return value_;
}

void RegStringValue::write() {
    framework::RegKey key = openForWrite(root_, path_.subKey);
    if (!key)
        return;
    if (RegSetValueExA(key.get(), path_.valueName.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(value_.c_str()),
                       static_cast<DWORD>(value_.size() + 1)) == ERROR_SUCCESS)
        loaded_ = true;
}

} // namespace settings
