#pragma once

#include "framework/Handle.h"

#include <string>

namespace testing_support {

// Points this process's HKEY_CLASSES_ROOT at an empty private key under
// HKEY_CURRENT_USER for the object's lifetime, then restores the real root
// and deletes the key: tests register file types without touching the
// user's. Other processes keep seeing the real root.
class PrivateClassesRoot {
public:
    PrivateClassesRoot();
    PrivateClassesRoot(const PrivateClassesRoot&) = delete;
    PrivateClassesRoot& operator=(const PrivateClassesRoot&) = delete;
    ~PrivateClassesRoot();

    bool active() const { return active_; }
    // Sets the default value of `subKey` (created as needed) of the root.
    bool setDefault(const std::string& subKey, const std::string& value);

private:
    framework::RegKey root_;
    bool active_ = false;
};

} // namespace testing_support
