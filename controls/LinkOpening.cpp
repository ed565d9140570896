#include "controls/LinkOpening.h"

#include "framework/Handle.h"
#include "framework/Resources.h"

#include <shellapi.h>

#include <climits>
#include <cstring>

namespace controls {

namespace {
// RegQueryValueA's buffer: a longer value counts as unreadable.
const LONG valueBufferSize = 260;

// The byte offset of `what` in `text`, stepping over whole characters, so
// that the trail byte of a double-byte character never starts a match.
std::optional<size_t> findPlaceholder(const std::string& text, const char* what) {
    size_t length = std::strlen(what);
    for (const char* p = text.c_str(); *p != '\0'; p = CharNextA(p)) {
        if (std::strncmp(p, what, length) == 0)
            return static_cast<size_t>(p - text.c_str());
    }
    return std::nullopt;
}

const char* openErrorText(int code) {
    switch (code) {
    case 0:
        return "The operating system is out\nof memory or resources.";
    case SE_ERR_FNF:
        return "The specified file was not found.";
    case SE_ERR_PNF:
        return "The specified path was not found.";
    case SE_ERR_ACCESSDENIED:
        return "The operating system denied\naccess to the specified file.";
    case SE_ERR_OOM:
        return "There was not enough memory to complete the operation.";
    case ERROR_BAD_FORMAT:
        return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case SE_ERR_SHARE:
        return "A sharing violation occurred. ";
    case SE_ERR_ASSOCINCOMPLETE:
        return "The filename association is\nincomplete or invalid.";
    case SE_ERR_DDETIMEOUT:
        return "The DDE transaction could not\nbe completed because the request timed out.";
    case SE_ERR_DDEFAIL:
        return "The DDE transaction failed.";
    case SE_ERR_DDEBUSY:
        return "The DDE transaction could not\nbe completed because other DDE "
               "transactions\nwere being processed.";
    case SE_ERR_NOASSOC:
        return "There is no application associated\nwith the given filename extension.";
    case SE_ERR_DLLNOTFOUND:
        return "The specified dynamic-link library was not found.";
    default:
        return nullptr;
    }
}
} // namespace

int OpenLink(const std::string& url, int showMode) {
    auto shell = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, showMode));
    // Above 32 is success, whatever the value; keep it inside an int.
    int result =
        shell > 32 ? static_cast<int>(shell > INT_MAX ? INT_MAX : shell) : static_cast<int>(shell);
    if (result > 32)
        return result;
    std::string pageClass, registered;
    if (ReadClassesRootDefault(HKEY_CLASSES_ROOT, ".htm", pageClass) != ERROR_SUCCESS)
        return result;
    if (ReadClassesRootDefault(HKEY_CLASSES_ROOT, pageClass + "\\shell\\open\\command",
                               registered) != ERROR_SUCCESS)
        return result;
    std::optional<std::string> command = FallbackCommand(registered, url);
    if (!command)
        return result;
    return static_cast<int>(WinExec(command->c_str(), static_cast<UINT>(showMode)));
}

std::optional<std::string> FallbackCommand(const std::string& registered, const std::string& url) {
    std::string command = registered;
    std::optional<size_t> placeholder = findPlaceholder(command, "\"%1\"");
    if (!placeholder)
        placeholder = findPlaceholder(command, "%1");
    if (placeholder)
        command.resize(*placeholder);
    command += ' ';
    command += url;
    // The terminating zero must fit as well.
    if (command.size() >= commandBufferSize)
        return std::nullopt;
    return command;
}

LONG ReadClassesRootDefault(HKEY root, const std::string& subKey, std::string& out) {
    framework::RegKey key;
    LONG status = RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (status != ERROR_SUCCESS)
        return status;
    char value[valueBufferSize] = {};
    LONG size = valueBufferSize;
    status = RegQueryValueA(key.get(), nullptr, value, &size);
    if (status != ERROR_SUCCESS)
        return status;
    out = value;
    return ERROR_SUCCESS;
}

void ShowOpenError(int code) {
    const char* known = openErrorText(code);
    std::string reason =
        known != nullptr ? known : framework::format("Unknown Error (%d) occurred.", code);
    framework::messageBox("Unable to open hyperlink:\n\n" + reason, MB_ICONEXCLAMATION | MB_OK);
}

} // namespace controls
