#pragma once

#include <optional>
#include <string>

namespace cleaner {

// Deletes the history from the Firefox database `places` ("places.sqlite"),
// which also holds the bookmarks: every visit, the address bar's input
// history, and every place that no bookmark or keyword holds, in one
// transaction; the bookmarked places stay with their visits forgotten.
// Deleted content is overwritten, not merely unlinked. Nothing when it is
// done (or there is no such file), else what went wrong; a failure changes
// nothing.
std::optional<std::string> deleteFirefoxHistory(const std::string& places);

} // namespace cleaner
