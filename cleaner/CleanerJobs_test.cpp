#include "cleaner/CleanerJobs.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstring>
#include <string>
#include <vector>

using namespace cleaner;

namespace {

// Adds an entry to the real URL cache with a small local file behind it.
void addCacheEntry(const std::string& url, DWORD type) {
    char file[MAX_PATH] = {};
    ASSERT_TRUE(CreateUrlCacheEntryA(url.c_str(), 0, "txt", file, 0)) << url.substr(0, 60);
    HANDLE handle = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(handle, "x", 1, &written, nullptr);
    CloseHandle(handle);
    FILETIME never{};
    ASSERT_TRUE(
        CommitUrlCacheEntryA(url.c_str(), file, never, never, type, nullptr, 0, nullptr, nullptr));
}

bool inCache(const std::string& url) {
    DWORD size = 0;
    SetLastError(0xdeadbeef);
    GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size);
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// Sets %userprofile% for one test and puts the old value back afterwards.
class Profile {
public:
    explicit Profile(const std::string& folder) {
        char old[MAX_PATH] = {};
        GetEnvironmentVariableA("USERPROFILE", old, sizeof old);
        old_ = old;
        SetEnvironmentVariableA("USERPROFILE", folder.c_str());
    }
    ~Profile() { SetEnvironmentVariableA("USERPROFILE", old_.c_str()); }

private:
    std::string old_;
};

std::string tempFolder(const char* name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + name;
}

// Creates `relative` (with its folders) below `root`.
void createFile(const std::string& root, const std::string& relative) {
    std::string path = root;
    for (std::size_t at = 1; (at = relative.find('\\', at)) != std::string::npos; ++at)
        CreateDirectoryA((root + relative.substr(0, at)).c_str(), nullptr);
    path += relative;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << path;
    CloseHandle(handle);
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const char* const typedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
const char* const runMruKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";

// Sets the values `names` in a key made afresh.
void setValues(const char* path, const std::vector<std::string>& names) {
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS);
    for (const std::string& name : names)
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(key);
}

std::vector<std::string> valueNames(const char* path) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path, &key) != ERROR_SUCCESS)
        return names;
    char name[64];
    for (DWORD i = 0, size = sizeof name;
         RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name)
        names.push_back(name);
    RegCloseKey(key);
    return names;
}

using Names = std::vector<std::string>;

} // namespace

TEST(CacheJobs, CacheJobKeepsCookiesAndTheCookieLoopDeletesThem) {
    const std::string page = "http://cleaner.test/page.html";
    // Longer than the first 4096-byte buffer: the enumeration must ask for a
    // larger one and go on.
    const std::string longPage = "http://cleaner.test/" + std::string(6000, 'q');
    const std::string cookie = "Cookie:tester@cleaner.test/";
    addCacheEntry(page, NORMAL_CACHE_ENTRY);
    addCacheEntry(longPage, NORMAL_CACHE_ENTRY);
    addCacheEntry(cookie, COOKIE_CACHE_ENTRY);
    ASSERT_TRUE(inCache(page) && inCache(longPage) && inCache(cookie));

    EXPECT_TRUE(DeleteCache());
    EXPECT_FALSE(inCache(page));
    EXPECT_FALSE(inCache(longPage));
    EXPECT_TRUE(inCache(cookie));

    // The cookie job's loop, with the prefix as this cache spells it; the
    // job's own pattern is "cookie:", which Windows matches without regard
    // to case and this cache does not.
    EXPECT_STREQ(cookieSearchPattern, "cookie:");
    EXPECT_TRUE(DeleteCacheEntries("Cookie:", CookieEntries::remove));
    EXPECT_FALSE(inCache(cookie));
}

TEST(CacheJobs, AnEmptyEnumerationEndsTheJobWithoutDeleting) {
    addCacheEntry("http://cleaner.test/stays.html", NORMAL_CACHE_ENTRY);
    EXPECT_FALSE(DeleteCacheEntries("NoSuchContainer:", CookieEntries::remove));
    EXPECT_TRUE(inCache("http://cleaner.test/stays.html"));
    DeleteUrlCacheEntryA("http://cleaner.test/stays.html");
}

TEST(IndexFiles, PathsThatDoNotFitTheBuffersAreRefused) {
    {
        Profile profile("C:\\users\\tester");
        EXPECT_EQ(profilePath(cookieIndexFile), "C:\\users\\tester\\Cookies\\index.dat");
    }
    // 199 characters and the terminator fill the expansion's buffer exactly.
    const std::string fits = "C:\\" + std::string(196, 'p');
    {
        Profile profile(fits);
        EXPECT_EQ(profilePath(""), fits);
        EXPECT_EQ(profilePath(cookieIndexFile), std::nullopt);
    }
    {
        Profile profile(fits + "p");
        EXPECT_EQ(profilePath(""), std::nullopt);
    }
    const std::string joinedFits = "C:\\" + std::string(199 - 3 - strlen(cookieIndexFile), 'p');
    Profile profile(joinedFits);
    EXPECT_EQ(profilePath(cookieIndexFile)->size(), 199u);
}

TEST(IndexFiles, EachBrowserJobDeletesItsOwnIndexFile) {
    const std::string root = tempFolder("cleaner-profile");
    CreateDirectoryA(root.c_str(), nullptr);
    for (const char* file : {cacheIndexFile, cookieIndexFile, historyIndexFile})
        createFile(root, file);
    Profile profile(root);
    DeleteCache();
    EXPECT_FALSE(exists(root + cacheIndexFile));
    EXPECT_TRUE(exists(root + cookieIndexFile));
    DeleteCookies();
    EXPECT_FALSE(exists(root + cookieIndexFile));
    DeleteHistory();
    EXPECT_FALSE(exists(root + historyIndexFile));
}

TEST(IndexFiles, AProfileTooLongSkipsTheFileAndTheJobGoesOn) {
    Profile profile("C:\\" + std::string(250, 'p'));
    addCacheEntry("http://cleaner.test/long-profile.html", NORMAL_CACHE_ENTRY);
    EXPECT_TRUE(DeleteCache());
    EXPECT_FALSE(inCache("http://cleaner.test/long-profile.html"));
}

TEST(HistoryJob, CreatesTheHistoryObjectAndAsksItToClear) {
    // This platform's URL history object is a stub whose ClearHistory
    // answers E_NOTIMPL; that answer shows that the object was created
    // and the call made. A store to read back does not exist here.
    EXPECT_EQ(DeleteHistory(), E_NOTIMPL);
}

TEST(RegistryJobs, TypedUrlsStopAtTheFirstMissingNumber) {
    setValues(typedUrlsKey, {"url1", "url2", "url4"});
    EXPECT_EQ(DeleteTypedUrls(), 2);
    EXPECT_EQ(valueNames(typedUrlsKey), Names{"url4"});
    RegDeleteKeyA(HKEY_CURRENT_USER, typedUrlsKey);
    EXPECT_EQ(DeleteTypedUrls(), 0);
}

TEST(RegistryJobs, RunHistoryIsEmptied) {
    setValues(runMruKey, {"MRUList", "a", "b", "c", "z"});
    EXPECT_EQ(DeleteRunHistory(), 5);
    EXPECT_EQ(valueNames(runMruKey), Names{});
}

namespace {
std::vector<std::pair<UINT, LPCVOID>> recentCalls;
void WINAPI recordRecent(UINT flags, LPCVOID path) {
    recentCalls.emplace_back(flags, path);
}
} // namespace

TEST(ShellJobs, RecentDocumentsAreClearedWithANullPath) {
    // This platform's SHAddToRecentDocs clears nothing for a null path, so
    // the test checks the call the job makes.
    recentCalls.clear();
    ClearRecentDocuments(&recordRecent);
    ASSERT_EQ(recentCalls.size(), 1u);
    EXPECT_EQ(recentCalls[0].first, static_cast<UINT>(SHARD_PATHA));
    EXPECT_EQ(recentCalls[0].second, nullptr);
}

TEST(ShellJobs, RecycleBinIsEmptied) {
    // The recycle bin lives in $XDG_DATA_HOME/Trash: never run this against
    // a real one.
    char data[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableA("XDG_DATA_HOME", data, sizeof data), 0u)
        << "the tests need a private XDG_DATA_HOME";
    const std::string file = tempFolder("cleaner-trash.txt");
    createFile(file, "");
    std::string from = file + '\0';
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    ASSERT_EQ(SHFileOperationA(&operation), 0);
    SHQUERYRBINFO bin{sizeof bin, 0, 0};
    ASSERT_EQ(SHQueryRecycleBinA(nullptr, &bin), S_OK);
    ASSERT_GE(bin.i64NumItems, 1);

    EmptyRecycleBin();
    ASSERT_EQ(SHQueryRecycleBinA(nullptr, &bin), S_OK);
    EXPECT_EQ(bin.i64NumItems, 0);
}
