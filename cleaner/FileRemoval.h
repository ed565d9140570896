#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cleaner {

// Each deletion answers nothing when it did all it should, or else what it
// ran into, in a few words for the status line ("Cookies is in use",
// "GPUCache: 3 entries left").

// Deletes those of `files` that exist, all of them or none: each is first
// opened for deletion without sharing, so a file that another program holds
// open (or that may not be deleted) stops the whole set before anything is
// gone.
std::optional<std::string> deleteAllOrNone(const std::vector<std::string>& files);

// Deletes `folder` and everything below it; what could not be deleted
// stays, and is counted in the failure. Links and junctions inside are
// removed without following them. A missing folder is no failure.
std::optional<std::string> deleteTree(const std::string& folder);

// The last part of `path`, after its last backslash.
std::string lastPart(const std::string& path);

} // namespace cleaner
