#include "cleaner/CleanerDialog.h"
#include "resources/controller/resource.h"
#include "testsupport/ChildMode.h"
#include "testsupport/Process.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>

using namespace cleaner;
using testing_support::waitUntil;

namespace {

// A stand-in for a running browser: holds `file` open without sharing, as a
// browser holds its databases, until the event `release` is set.
int holdFile(const std::vector<std::string>& args) {
    HANDLE file = CreateFileA(args.at(0).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    SetEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, args.at(1).c_str()));
    WaitForSingleObject(OpenEventA(SYNCHRONIZE, FALSE, args.at(2).c_str()), 60000);
    CloseHandle(file);
    return 0;
}
testing_support::ChildMode holder("hold-file", holdFile);

void writeFile(const std::string& path, const std::string& bytes) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    std::ofstream(path, std::ios::binary) << bytes;
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs `sql` on the database `path`; the rows of a query as one text, a
// row a line and the columns separated by '|'.
std::string sql(const std::string& path, const std::string& statements) {
    sqlite3* db = nullptr;
    std::string rows;
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
        char* error = nullptr;
        auto row = [](void* out, int count, char** values, char**) {
            auto& text = *static_cast<std::string*>(out);
            for (int i = 0; i < count; ++i)
                text += std::string(i ? "|" : "") + (values[i] ? values[i] : "NULL");
            text += "\n";
            return 0;
        };
        if (sqlite3_exec(db, statements.c_str(), row, &rows, &error) != SQLITE_OK)
            rows = std::string("error: ") + error;
        sqlite3_free(error);
    }
    sqlite3_close(db);
    return rows;
}

// Firefox's history and bookmarks database, with the tables the cleaner
// works on as Firefox lays them out, in write-ahead-log mode as Firefox
// keeps it: place 1 is bookmarked, 3 has a keyword, 2 and 4 were only
// visited.
const char* const placesSchema = R"(
PRAGMA journal_mode = WAL;
CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL,
    frecency INTEGER NOT NULL, UNIQUE (prefix, host));
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
    rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,
    typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL,
    last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL,
    url_hash INTEGER DEFAULT 0 NOT NULL, origin_id INTEGER REFERENCES moz_origins(id));
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER,
    visit_date INTEGER, visit_type INTEGER, session INTEGER);
CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL,
    use_count INTEGER, PRIMARY KEY (place_id, input));
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
    parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT,
    dateAdded INTEGER, lastModified INTEGER, guid TEXT);
CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE,
    place_id INTEGER, post_data TEXT);
CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL,
    anno_attribute_id INTEGER, content LONGVARCHAR);
INSERT INTO moz_origins VALUES (1, 'https://', 'kept.example', 10), (2, 'https://', 'gone.example', 5);
INSERT INTO moz_places (id, url, title, visit_count, typed, last_visit_date, guid, origin_id) VALUES
    (1, 'https://kept.example/bookmarked', 'Bookmarked', 3, 1, 1700000000000000, 'aaaaaaaaaaaa', 1),
    (2, 'https://gone.example/visited', 'Visited', 5, 1, 1700000000000001, 'bbbbbbbbbbbb', 2),
    (3, 'https://kept.example/search?q=%s', 'Keyword', 0, 0, NULL, 'cccccccccccc', 1),
    (4, 'https://gone.example/other', 'Other', 1, 0, 1700000000000002, 'dddddddddddd', 2);
INSERT INTO moz_historyvisits (place_id, visit_date, visit_type) VALUES
    (1, 1700000000000000, 1), (2, 1700000000000001, 2), (4, 1700000000000002, 1);
INSERT INTO moz_inputhistory VALUES (2, 'gon', 3);
INSERT INTO moz_bookmarks VALUES (1, 2, NULL, 0, 0, 'menu', NULL, NULL, 1, 1, 'menu________'),
    (2, 1, 1, 1, 0, 'Bookmarked', NULL, NULL, 2, 2, 'eeeeeeeeeeee');
INSERT INTO moz_keywords (keyword, place_id) VALUES ('k', 3);
INSERT INTO moz_annos VALUES (1, 1, 1, 'kept note'), (2, 2, 1, 'visited note');
)";

// A user's folders with an Edge profile, two Chrome profiles and a Firefox
// profile, each with the stores the cleaner empties and the files it must
// never touch (bookmarks, passwords, extensions, settings, sessions).
class BrowserProfiles : public testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        root = std::string(temp) + "velquin-browsers-" +
               testing::UnitTest::GetInstance()->current_test_info()->name();
        folders = {root + "\\Local", root + "\\Roaming"};
        edge = folders.localAppData + "\\Microsoft\\Edge\\User Data\\Default";
        chrome = folders.localAppData + "\\Google\\Chrome\\User Data\\Default";
        chrome2 = folders.localAppData + "\\Google\\Chrome\\User Data\\Profile 1";
        firefox = folders.appData + "\\Mozilla\\Firefox\\Profiles\\q1w2e3r4.default-release";
        firefoxLocal =
            folders.localAppData + "\\Mozilla\\Firefox\\Profiles\\q1w2e3r4.default-release";
        for (const std::string& profile : {edge, chrome, chrome2}) {
            for (const char* file : {"Preferences", "Bookmarks", "Login Data", "Current Session",
                                     "Extensions\\abc\\1.0\\manifest.json", "Sessions\\Session_1"})
                keep(profile + "\\" + file);
            for (const char* file :
                 {"Cache\\Cache_Data\\f_000001", "Code Cache\\js\\index", "GPUCache\\data_0",
                  "Network\\Cookies", "Network\\Cookies-journal", "Cookies", "History",
                  "History-journal", "Visited Links", "Top Sites", "Top Sites-journal"})
                drop(profile + "\\" + file);
        }
        // Not a profile (no Preferences): its cache is not the browser's.
        keep(folders.localAppData + "\\Google\\Chrome\\User Data\\Crashpad\\Cache\\report");
        for (const char* file : {"logins.json", "key4.db", "prefs.js", "sessionstore.jsonlz4",
                                 "extensions\\addon@example.xpi"})
            keep(firefox + "\\" + file);
        drop(firefoxLocal + "\\cache2\\entries\\0123ABCD");
        places = firefox + "\\places.sqlite";
        ASSERT_EQ(sql(places, placesSchema), "wal\n");
        dropped.push_back(firefox + "\\cookies.sqlite");
        ASSERT_EQ(sql(firefox + "\\cookies.sqlite",
                      "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, host TEXT);"
                      "INSERT INTO moz_cookies VALUES (1, '.example');"),
                  "");
        bookmarks = sql(places, "SELECT * FROM moz_bookmarks ORDER BY id");
    }

    void keep(const std::string& path) {
        writeFile(path, "kept " + path);
        kept[path] = "kept " + path;
    }
    void drop(const std::string& path) {
        writeFile(path, "dropped");
        dropped.push_back(path);
    }

    void expectKeptUnchanged() {
        for (const auto& [path, bytes] : kept)
            EXPECT_EQ(readFile(path), bytes) << path;
        EXPECT_EQ(sql(places, "SELECT * FROM moz_bookmarks ORDER BY id"), bookmarks);
    }

    // Opens the cleaner on these folders with no job of the platform's own.
    void open(CleanerDialog& dialog) {
        ASSERT_TRUE(dialog.create());
        ShowWindow(dialog.handle(), SW_SHOW);
    }
    std::string clean(CleanerDialog& dialog, std::initializer_list<int> boxes) {
        for (int box : boxes)
            CheckDlgButton(dialog.handle(), box, BST_CHECKED);
        SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dialog.item(IDOK)));
        return dialog.statusText();
    }
    CleanerDialog::Jobs noJobs() {
        CleanerDialog::Jobs jobs;
        jobs.fill([] {});
        return jobs;
    }

    std::string root;
    UserFolders folders;
    std::string edge;
    std::string chrome;
    std::string chrome2;
    std::string firefox;
    std::string firefoxLocal;
    std::string places;
    std::string bookmarks;
    std::map<std::string, std::string> kept;
    std::vector<std::string> dropped;

    void TearDown() override {
        SHFILEOPSTRUCTA remove{};
        std::string from = root + '\0';
        remove.wFunc = FO_DELETE;
        remove.pFrom = from.c_str();
        remove.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        SHFileOperationA(&remove);
    }
};

} // namespace

TEST_F(BrowserProfiles, EveryStoreOfEveryProfileGoesAndNothingElse) {
    CleanerDialog dialog(
        "C:\\Velquin", noJobs(), [](const std::string&) {}, folders);
    open(dialog);
    EXPECT_EQ(framework::Window::textOf(dialog.item(IDC_BROWSERS_GROUP)),
              "Protect the Privacy of Edge, Chrome and Firefox");
    EXPECT_EQ(clean(dialog, {IDC_CLEAN_BROWSER_CACHE, IDC_CLEAN_BROWSER_COOKIES,
                             IDC_CLEAN_BROWSER_HISTORY}),
              CleanerDialog::completionText);
    for (const std::string& path : dropped)
        EXPECT_FALSE(exists(path)) << path;
    for (const char* cache : {"Cache", "Code Cache", "GPUCache"})
        EXPECT_FALSE(exists(chrome2 + "\\" + cache));
    EXPECT_FALSE(exists(firefoxLocal + "\\cache2"));
    expectKeptUnchanged();

    // The history is gone row by row; the bookmarked place and the one with
    // a keyword stay, their visits forgotten.
    EXPECT_EQ(sql(places, "SELECT count(*) FROM moz_historyvisits;"
                          "SELECT count(*) FROM moz_inputhistory;"
                          "SELECT id, url, visit_count, typed, last_visit_date FROM moz_places;"
                          "SELECT id FROM moz_origins; SELECT content FROM moz_annos;"),
              "0\n0\n"
              "1|https://kept.example/bookmarked|0|0|NULL\n"
              "3|https://kept.example/search?q=%s|0|0|NULL\n"
              "1\nkept note\n");
    // Overwritten, not merely unlinked: no trace in the file's free pages.
    std::string file = readFile(places).value_or("") + readFile(places + "-wal").value_or("");
    EXPECT_EQ(file.find("gone.example/visited"), std::string::npos);
}

TEST_F(BrowserProfiles, ARunningBrowserIsSkippedAndNamed) {
    // A stand-in process under the browser's program name, holding its
    // cookie database open.
    std::string standIn = root + "\\chrome.exe";
    ASSERT_TRUE(CopyFileA(testing_support::selfPath().c_str(), standIn.c_str(), FALSE));
    framework::KernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, "velquin-holder-ready"));
    framework::KernelHandle release(CreateEventA(nullptr, TRUE, FALSE, "velquin-holder-release"));
    std::string command = testing_support::childCommandLine(
        "hold-file",
        {"\"" + chrome + "\\Network\\Cookies\"", "velquin-holder-ready", "velquin-holder-release"});
    command.replace(1, testing_support::selfPath().size(), standIn);
    framework::KernelHandle browser = testing_support::startProcess(command);
    ASSERT_TRUE(browser);
    ASSERT_EQ(WaitForSingleObject(ready.get(), 20000), WAIT_OBJECT_0);

    CleanerDialog dialog(
        "C:\\Velquin", noJobs(), [](const std::string&) {}, folders);
    open(dialog);
    EXPECT_EQ(clean(dialog, {IDC_CLEAN_BROWSER_COOKIES, IDC_CLEAN_BROWSER_HISTORY}),
              "Chrome was running and was not cleaned: close it and press Clean again.");
    for (const char* file : {"Network\\Cookies-journal", "Cookies", "History", "Top Sites"}) {
        EXPECT_TRUE(exists(chrome + "\\" + file)) << file;
        EXPECT_TRUE(exists(chrome2 + "\\" + file)) << file;
    }
    EXPECT_FALSE(exists(edge + "\\Network\\Cookies"));
    EXPECT_FALSE(exists(edge + "\\History"));
    SetEvent(release.get());
    EXPECT_EQ(WaitForSingleObject(browser.get(), 20000), WAIT_OBJECT_0);
}

TEST_F(BrowserProfiles, AFileHeldElsewhereFailsItsJobWhichDeletesNothingOfItsSet) {
    // Held by a program that is no browser: the cleaner tries, and says that
    // it could not.
    framework::FileHandle history(CreateFileA((chrome2 + "\\History").c_str(), GENERIC_READ, 0,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(history);
    sqlite3* firefoxItself = nullptr;
    ASSERT_EQ(sqlite3_open(places.c_str(), &firefoxItself), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(firefoxItself, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    CleanerDialog dialog(
        "C:\\Velquin", noJobs(), [](const std::string&) {}, folders);
    open(dialog);
    EXPECT_EQ(clean(dialog, {IDC_CLEAN_BROWSER_HISTORY}),
              "Not cleaned: Chrome history (History is in use); "
              "Firefox history (places.sqlite is in use).");
    sqlite3_close(firefoxItself);
    for (const char* file : {"History-journal", "Visited Links", "Top Sites"})
        EXPECT_TRUE(exists(chrome2 + "\\" + file)) << file;
    EXPECT_FALSE(exists(chrome + "\\History"));
    EXPECT_EQ(sql(places, "SELECT count(*) FROM moz_historyvisits"), "3\n");
}

TEST(BrowserGroup, WithoutAnyBrowserTheBoxesAreDisabled) {
    CleanerDialog::Jobs jobs;
    jobs.fill([] {});
    CleanerDialog dialog(
        "C:\\Velquin", jobs, [](const std::string&) {},
        UserFolders{"C:\\no-such-local", "C:\\no-such-roaming"});
    ASSERT_TRUE(dialog.create());
    EXPECT_EQ(framework::Window::textOf(dialog.item(IDC_BROWSERS_GROUP)),
              "No Edge, Chrome or Firefox Profile Found");
    for (int box : {IDC_CLEAN_BROWSER_CACHE, IDC_CLEAN_BROWSER_COOKIES, IDC_CLEAN_BROWSER_HISTORY})
        EXPECT_FALSE(IsWindowEnabled(dialog.item(box)));
}

TEST(BrowserSummary, NamesEveryBrowserToCloseAndEveryFailure) {
    EXPECT_EQ(CleanerDialog::browserSummary({}), "");
    EXPECT_EQ(CleanerDialog::browserSummary({{"Edge", "Chrome", "Firefox"}, {"Edge cache (x)"}}),
              "Edge, Chrome and Firefox were running and were not cleaned: close them and press "
              "Clean again. Not cleaned: Edge cache (x).");
}
