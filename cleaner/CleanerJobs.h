#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace cleaner {

// The browser's stores keep an index file below the user's profile folder.
constexpr const char* cacheIndexFile =
    "\\Local Settings\\Temporary Internet Files\\Content.IE5\\index.dat";
constexpr const char* cookieIndexFile = "\\Cookies\\index.dat";
constexpr const char* historyIndexFile = "\\Local Settings\\History\\History.IE5\\index.dat";

// The search pattern of the cache's cookie entries; Windows matches it
// without regard to case.
constexpr const char* cookieSearchPattern = "cookie:";

// The profile folder ("%userprofile%") joined with `relative`, or nothing
// when the expansion or the joined path does not fit the 200-byte buffers
// that the jobs use.
std::optional<std::string> profilePath(const char* relative);

// Deletes the index file at `relative` below the profile folder; a path that
// does not fit is skipped.
void DeleteIndexFile(const char* relative);

enum class CookieEntries { keep, remove };

// Works through the URL cache entries that `pattern` finds (all of them when
// null) and deletes each, leaving those of cookie type when asked to.
// False when the enumeration could not start or ended with an error.
bool DeleteCacheEntries(const char* pattern, CookieEntries cookies);

// The seven jobs of the privacy cleaner, in the order the dialog runs them.
bool DeleteCache();
bool DeleteCookies();
// The URL history object's answer to ClearHistory, or the error that kept
// the object from being created.
HRESULT DeleteHistory();
// The number of "url<n>" values deleted.
int DeleteTypedUrls();
// The number of values deleted: "MRUList" and the entries "a" to "z".
int DeleteRunHistory();
using AddToRecentDocs = void(WINAPI*)(UINT flags, LPCVOID path);
void ClearRecentDocuments(AddToRecentDocs add = nullptr);
HRESULT EmptyRecycleBin();

} // namespace cleaner
