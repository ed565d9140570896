#pragma once

#include "cleaner/BrowserProfiles.h"

#include <set>
#include <string>
#include <vector>

namespace cleaner {

// What emptying one store of the browsers came to.
struct BrowserJobReport {
    // The browsers left alone because they were running.
    std::vector<std::string> running;
    // What could not be deleted: "Chrome cookies (Cookies is in use)".
    std::vector<std::string> failures;
};

// The executable names of the running processes, in lower case.
std::set<std::string> runningPrograms();

// Empties `store` in every profile of each of `browsers`, except those whose
// program is among `running`: a running browser holds its files, and what it
// has open could be only half deleted.
//   Chromium family  cache: Cache, Code Cache, GPUCache;
//                    cookies: Network\Cookies, Cookies and their journals;
//                    history: History, Visited Links, Top Sites and journals.
//   Firefox          cache: cache2 of the local profile; cookies:
//                    cookies.sqlite; history: the history in places.sqlite.
// Bookmarks, passwords, extensions, settings and sessions are never touched.
BrowserJobReport cleanBrowsers(BrowserStore store, const std::vector<Browser>& browsers,
                               const std::set<std::string>& running);

} // namespace cleaner
