#pragma once

// The contract between Velquin's programs: the one registry key they share
// under HKEY_LOCAL_MACHINE and the path of every value in it. The installer
// writes AppPath, TimeOut and Retry; the keeper writes cmd, Ready and
// Progress; the controller and the service read them. Each value has one
// writer, so no program needs a lock to read another's value.
namespace settings::shared {

inline constexpr const char* key = "Software\\Velquin";
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

} // namespace settings::shared
