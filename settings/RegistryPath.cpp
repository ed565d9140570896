#include "settings/RegistryPath.h"

namespace settings {

RegistryPath RegistryPath::split(const std::string& path) {
    std::string rest = path.substr(std::min(path.find_first_not_of('\\'), path.size()));
    size_t last = rest.rfind('\\');
    if (last == std::string::npos)
        return {"", rest};
    std::string subKey = rest.substr(0, last);
    subKey.erase(subKey.find_last_not_of('\\') + 1);
    std::string valueName = rest.substr(last);
    valueName.erase(0, std::min(valueName.find_first_not_of('\\'), valueName.size()));
    return {subKey, valueName};
}

framework::RegKey openForRead(HKEY root, const std::string& subKey) {
    framework::RegKey key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

framework::RegKey openForWrite(HKEY root, const std::string& subKey) {
    framework::RegKey key;
    if (RegCreateKeyExA(root, subKey.c_str(), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        key.release();
    return key;
}

std::vector<std::string> subKeyNames(HKEY root, const std::string& subKey) {
    std::vector<std::string> names;
    framework::RegKey key = openForRead(root, subKey);
    char name[256];
    for (DWORD i = 0; key; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

} // namespace settings
