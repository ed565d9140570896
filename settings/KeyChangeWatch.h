#pragma once

#include "framework/Handle.h"

#include <windows.h>

namespace settings {

// Watches one registry key for changes of its values (one set, added or
// deleted): `changed()` is an event that the system signals at the first
// change after the watch was armed. The system reports one change per
// arming, so after each signal the owner calls rearm(). Armed from
// construction, so nothing that happens after it is missed.
class KeyChangeWatch {
public:
    explicit KeyChangeWatch(const char* subKey, HKEY root = HKEY_LOCAL_MACHINE);

    // False when the key could not be opened or the system refused the
    // notification; the event is then never signalled.
    bool watching() const { return watching_; }
    HANDLE changed() const { return event_.get(); }
    // Asks for the next change; false as for watching().
    bool rearm();

private:
    framework::RegKey key_;
    framework::KernelHandle event_;
    bool watching_ = false;
};

} // namespace settings
