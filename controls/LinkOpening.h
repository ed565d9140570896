#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace controls {

// Opening a web address for the hyperlink label: with the shell first, and
// when the shell cannot, with the program registered for ".htm" pages.

// The fallback command, as the platform's 520-byte command buffer holds it.
constexpr size_t commandBufferSize = 520;

// Opens `url` with the shell's "open" verb and `showMode`; when that fails,
// runs the open command registered for ".htm" pages with the address.
// A result above 32 means success; otherwise it is the shell's failure
// code, or the fallback program's when that was started and failed.
int OpenLink(const std::string& url, int showMode);

// The registered command `registered` with its placeholder ("\"%1\"",
// else "%1") and everything after it replaced by a blank and `url`; a
// command without a placeholder gets the blank and the address appended.
// Nothing when the result would not fit the command buffer.
std::optional<std::string> FallbackCommand(const std::string& registered, const std::string& url);

// Reads the default value of `root`\`subKey` into `out`; 0 on success,
// otherwise the registry's error (a value that cannot be read counts as a
// missing key).
LONG ReadClassesRootDefault(HKEY root, const std::string& subKey, std::string& out);

// Tells the user that a link could not be opened, with the text for `code`
// (a failure code of OpenLink), in an exclamation message box.
void ShowOpenError(int code);

} // namespace controls
