#pragma once

#include <string_view>

// The contract between Velquin's programs: the one registry key they share
// under HKEY_LOCAL_MACHINE and every value in it, by name and by path. The
// installer writes AppPath, TimeOut and Retry; the keeper writes cmd, Ready
// and Progress; the controller and the service read them. Each value has one
// writer, so no program needs a lock to read another's value.
namespace settings::shared {

inline constexpr const char* key = "Software\\Velquin";

// The values' names within the key.
namespace names {
inline constexpr const char* appPath = "AppPath";
inline constexpr const char* cmd = "cmd";
inline constexpr const char* ready = "Ready";
inline constexpr const char* timeOut = "TimeOut";
inline constexpr const char* retry = "Retry";
inline constexpr const char* progress = "Progress";
} // namespace names

// The installation folder, without a trailing backslash.
inline constexpr const char* appPath = "Software\\Velquin\\AppPath";
// The tunnel client's command line, as the keeper last started it.
inline constexpr const char* cmd = "Software\\Velquin\\cmd";
// 1 once the tunnel client has opened a circuit, 0 otherwise.
inline constexpr const char* ready = "Software\\Velquin\\Ready";
// Reads of Ready a second apart in one attempt, and restarts after it.
inline constexpr const char* timeOut = "Software\\Velquin\\TimeOut";
inline constexpr const char* retry = "Software\\Velquin\\Retry";
// The tunnel client's start-up progress in percent, 0 while Ready is 0 and
// the client has said nothing yet.
inline constexpr const char* progress = "Software\\Velquin\\Progress";

// Each path is the key, a backslash and the value's name.
constexpr bool isPathOf(std::string_view path, std::string_view name) {
    return path.size() == std::string_view(key).size() + 1 + name.size() && path.starts_with(key) &&
           path[std::string_view(key).size()] == '\\' && path.ends_with(name);
}
static_assert(isPathOf(appPath, names::appPath) && isPathOf(cmd, names::cmd) &&
              isPathOf(ready, names::ready) && isPathOf(timeOut, names::timeOut) &&
              isPathOf(retry, names::retry) && isPathOf(progress, names::progress));

} // namespace settings::shared

// Beside the key, how the installer finds a running controller: the marker
// that exists while a controller runs anywhere on the machine (a mutex in
// the global namespace), and the title of the controller's window.
namespace settings::shared::controller {
inline constexpr const char* machineMarker =
    "Global\\Velquin-Controller-5B5F33E8-2175-4C23-BB38-A334AAAA6A11";
inline constexpr const char* windowTitle = "Velquin";
} // namespace settings::shared::controller
