#include "cleaner/CleanerJobs.h"

#include "framework/Handle.h"

#include <objbase.h>
#include <shlobj.h>
#include <urlhist.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace cleaner {

namespace {

constexpr DWORD pathBufferSize = 200;
constexpr DWORD firstEntrySize = 4096;

const char* const typedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
const char* const runMruKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";

// The buffer that one cache entry record is read into. The record's size
// field is set whenever the buffer is (re)allocated; the memory goes with
// the object on every path.
class EntryBuffer {
public:
    explicit EntryBuffer(DWORD size) { resize(size); }
    void resize(DWORD size) {
        // Never smaller than the record itself, whatever size was reported:
        // the size field is written at once.
        bytes_.assign(std::max<std::size_t>(size, sizeof(INTERNET_CACHE_ENTRY_INFOA)), 0);
        entry()->dwStructSize = size;
    }
    INTERNET_CACHE_ENTRY_INFOA* entry() {
        return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(bytes_.data());
    }

private:
    std::vector<BYTE> bytes_;
};

void deleteUnlessKept(INTERNET_CACHE_ENTRY_INFOA* entry, CookieEntries cookies) {
    if (cookies == CookieEntries::keep && (entry->CacheEntryType & COOKIE_CACHE_ENTRY) != 0)
        return;
    DeleteUrlCacheEntryA(entry->lpszSourceUrlName);
}

// The first entry that `pattern` finds, with one retry in a buffer of the
// size that the cache asked for.
framework::UrlCacheFind findFirst(const char* pattern, EntryBuffer& buffer, DWORD& size) {
    framework::UrlCacheFind find(FindFirstUrlCacheEntryA(pattern, buffer.entry(), &size));
    if (find || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return find;
    buffer.resize(size);
    find.reset(FindFirstUrlCacheEntryA(pattern, buffer.entry(), &size));
    return find;
}

} // namespace

std::optional<std::string> profilePath(const char* relative) {
    char profile[pathBufferSize];
    DWORD expanded = ExpandEnvironmentStringsA("%userprofile%", profile, sizeof profile);
    // The count includes the terminator; one larger than the buffer means
    // the folder did not fit.
    if (expanded == 0 || expanded > sizeof profile)
        return std::nullopt;
    char path[pathBufferSize];
    int joined = std::snprintf(path, sizeof path, "%s%s", profile, relative);
    if (joined < 0 || static_cast<DWORD>(joined) >= sizeof path)
        return std::nullopt;
    return std::string(path);
}

void DeleteIndexFile(const char* relative) {
    // The store may hold its index open or not have one; either way the job
    // goes on through the platform's interface.
    if (std::optional<std::string> path = profilePath(relative))
        DeleteFileA(path->c_str());
}

bool DeleteCacheEntries(const char* pattern, CookieEntries cookies) {
    EntryBuffer buffer(firstEntrySize);
    // Passed on as the cache leaves it: after a success it holds the size of
    // the entry returned, so a larger next entry asks for a new buffer.
    DWORD size = firstEntrySize;
    framework::UrlCacheFind find = findFirst(pattern, buffer, size);
    if (!find)
        return false;
    for (;;) {
        deleteUnlessKept(buffer.entry(), cookies);
        if (FindNextUrlCacheEntryA(find.get(), buffer.entry(), &size))
            continue;
        DWORD error = GetLastError();
        if (error == ERROR_NO_MORE_ITEMS)
            return true;
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return false;
        buffer.resize(size);
        if (!FindNextUrlCacheEntryA(find.get(), buffer.entry(), &size))
            return false;
    }
}

bool DeleteCache() {
    DeleteIndexFile(cacheIndexFile);
    return DeleteCacheEntries(nullptr, CookieEntries::keep);
}

bool DeleteCookies() {
    DeleteIndexFile(cookieIndexFile);
    return DeleteCacheEntries(cookieSearchPattern, CookieEntries::remove);
}

HRESULT DeleteHistory() {
    DeleteIndexFile(historyIndexFile);
    HRESULT initialised = CoInitialize(nullptr);
    IUrlHistoryStg2* history = nullptr;
    HRESULT result =
        CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                         IID_IUrlHistoryStg2, reinterpret_cast<void**>(&history));
    if (SUCCEEDED(result)) {
        result = history->ClearHistory();
        history->Release();
    }
    // A thread that already had COM keeps it: only a successful call here is
    // balanced.
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return result;
}

int DeleteTypedUrls() {
    framework::RegKey key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, typedUrlsKey, key.put()) != ERROR_SUCCESS)
        return 0;
    int deleted = 0;
    // The list is numbered from 1 without gaps; values after a gap stay.
    for (int n = 1;; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "url%d", n);
        if (RegDeleteValueA(key.get(), name) != ERROR_SUCCESS)
            return deleted;
        ++deleted;
    }
}

int DeleteRunHistory() {
    framework::RegKey key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, runMruKey, key.put()) != ERROR_SUCCESS)
        return 0;
    // "MRUList" only orders the entries; the commands themselves are the
    // values named by single letters, so those go too.
    int deleted = RegDeleteValueA(key.get(), "MRUList") == ERROR_SUCCESS ? 1 : 0;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        const char name[] = {letter, '\0'};
        if (RegDeleteValueA(key.get(), name) == ERROR_SUCCESS)
            ++deleted;
    }
    return deleted;
}

void ClearRecentDocuments(AddToRecentDocs add) {
    // A null path empties the list of recent documents.
    (add != nullptr ? add : &SHAddToRecentDocs)(SHARD_PATHA, nullptr);
}

HRESULT EmptyRecycleBin() {
    return SHEmptyRecycleBinA(nullptr, nullptr,
                              SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
}

} // namespace cleaner
