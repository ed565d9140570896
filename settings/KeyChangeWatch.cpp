#include "settings/KeyChangeWatch.h"

#include "settings/RegistryPath.h"

namespace settings {

KeyChangeWatch::KeyChangeWatch(const char* subKey, HKEY root)
    : key_(openForRead(root, subKey)), event_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    rearm();
}

bool KeyChangeWatch::rearm() {
    watching_ = key_ && event_ &&
                RegNotifyChangeKeyValue(key_.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, event_.get(),
                                        TRUE) == ERROR_SUCCESS;
    return watching_;
}

} // namespace settings
