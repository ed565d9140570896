#include "cleaner/BrowserJobs.h"

#include "cleaner/FileRemoval.h"
#include "cleaner/FirefoxHistory.h"
#include "framework/Handle.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace cleaner {

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const char* storeName(BrowserStore store) {
    switch (store) {
    case BrowserStore::cache:
        return "cache";
    case BrowserStore::cookies:
        return "cookies";
    case BrowserStore::history:
        return "history";
    }
    return "";
}

// `names` below `folder`, each with its journal when `withJournals`.
std::vector<std::string> filesIn(const std::string& folder,
                                 std::initializer_list<const char*> names, bool withJournals) {
    std::vector<std::string> files;
    for (const char* name : names) {
        files.push_back(folder + "\\" + name);
        if (withJournals)
            files.push_back(folder + "\\" + name + "-journal");
    }
    return files;
}

std::optional<std::string> cleanChromium(const std::string& profile, BrowserStore store) {
    switch (store) {
    case BrowserStore::cache: {
        // Each cache goes as far as it can; the first that stayed is named.
        std::optional<std::string> first;
        for (const char* cache : {"Cache", "Code Cache", "GPUCache"}) {
            std::optional<std::string> failure = deleteTree(profile + "\\" + cache);
            if (failure && !first)
                first = failure;
        }
        return first;
    }
    case BrowserStore::cookies: {
        std::vector<std::string> files = filesIn(profile + "\\Network", {"Cookies"}, true);
        for (std::string& file : filesIn(profile, {"Cookies"}, true))
            files.push_back(std::move(file));
        return deleteAllOrNone(files);
    }
    case BrowserStore::history: {
        std::vector<std::string> files = filesIn(profile, {"History", "Top Sites"}, true);
        files.push_back(profile + "\\Visited Links");
        return deleteAllOrNone(files);
    }
    }
    return std::nullopt;
}

std::optional<std::string> cleanFirefox(const std::string& profile, BrowserStore store) {
    switch (store) {
    case BrowserStore::cache:
        return deleteTree(profile + "\\cache2");
    case BrowserStore::cookies:
        // The database with its write-ahead log and shared-memory index.
        return deleteAllOrNone({profile + "\\cookies.sqlite", profile + "\\cookies.sqlite-wal",
                                profile + "\\cookies.sqlite-shm",
                                profile + "\\cookies.sqlite-journal"});
    case BrowserStore::history:
        return deleteFirefoxHistory(profile + "\\places.sqlite");
    }
    return std::nullopt;
}

} // namespace

std::set<std::string> runningPrograms() {
    std::set<std::string> names;
    framework::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return names;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry))
        names.insert(lowerCase(entry.szExeFile));
    return names;
}

BrowserJobReport cleanBrowsers(BrowserStore store, const std::vector<Browser>& browsers,
                               const std::set<std::string>& running) {
    BrowserJobReport report;
    for (const Browser& browser : browsers) {
        if (running.count(lowerCase(browser.program)) != 0) {
            report.running.push_back(browser.name);
            continue;
        }
        const bool local = browser.family == BrowserFamily::firefox && store == BrowserStore::cache;
        for (const std::string& profile : local ? browser.localProfiles : browser.profiles) {
            std::optional<std::string> failure = browser.family == BrowserFamily::chromium
                                                     ? cleanChromium(profile, store)
                                                     : cleanFirefox(profile, store);
            if (failure)
                report.failures.push_back(browser.name + " " + storeName(store) + " (" + *failure +
                                          ")");
        }
    }
    return report;
}

} // namespace cleaner
