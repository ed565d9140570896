#include "testsupport/ClassesRoot.h"

namespace testing_support {

namespace {
const char* const privateRoot = "Software\\Velquin-Test\\Classes";
} // namespace

PrivateClassesRoot::PrivateClassesRoot() {
    RegDeleteTreeA(HKEY_CURRENT_USER, privateRoot);
    if (RegCreateKeyExA(HKEY_CURRENT_USER, privateRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        root_.put(), nullptr) != ERROR_SUCCESS)
        return;
    active_ = RegOverridePredefKey(HKEY_CLASSES_ROOT, root_.get()) == ERROR_SUCCESS;
}

PrivateClassesRoot::~PrivateClassesRoot() {
    if (active_)
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    root_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, privateRoot);
}

bool PrivateClassesRoot::setDefault(const std::string& subKey, const std::string& value) {
    framework::RegKey key;
    if (RegCreateKeyExA(root_.get(), subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), nullptr, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

} // namespace testing_support
