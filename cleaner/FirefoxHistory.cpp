#include "cleaner/FirefoxHistory.h"

#include "cleaner/FileRemoval.h"
#include "framework/Handle.h"

#include <sqlite3.h>
#include <windows.h>

#include <vector>

namespace cleaner {

namespace {

struct DatabaseTraits {
    static sqlite3* invalid() { return nullptr; }
    static void close(sqlite3* db) { sqlite3_close(db); }
};
using Database = framework::UniqueHandle<DatabaseTraits>;

struct StatementTraits {
    static sqlite3_stmt* invalid() { return nullptr; }
    static void close(sqlite3_stmt* statement) { sqlite3_finalize(statement); }
};
using Statement = framework::UniqueHandle<StatementTraits>;

// SQLite names files in UTF-8; the program's paths are in the code page.
std::string utf8(const std::string& ansi) {
    int wide = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring text(wide, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, text.data(), wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), bytes, nullptr, nullptr);
    result.resize(bytes > 0 ? bytes - 1 : 0);
    return result;
}

bool hasTable(sqlite3* db, const char* table) {
    Statement query;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", -1,
                           query.put(), nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(query.get(), 1, table, -1, SQLITE_STATIC);
    return sqlite3_step(query.get()) == SQLITE_ROW;
}

// The statements that forget the history, for the tables that this
// version of the database has.
std::vector<std::string> historyStatements(sqlite3* db) {
    std::vector<std::string> statements = {"DELETE FROM moz_historyvisits"};
    if (hasTable(db, "moz_inputhistory"))
        statements.push_back("DELETE FROM moz_inputhistory");
    std::string places =
        "DELETE FROM moz_places WHERE id NOT IN (SELECT fk FROM moz_bookmarks WHERE fk NOT NULL)";
    if (hasTable(db, "moz_keywords"))
        places += " AND id NOT IN (SELECT place_id FROM moz_keywords)";
    statements.push_back(places);
    statements.push_back(
        "UPDATE moz_places SET visit_count = 0, last_visit_date = NULL, typed = 0");
    if (hasTable(db, "moz_annos"))
        statements.push_back(
            "DELETE FROM moz_annos WHERE place_id NOT IN (SELECT id FROM moz_places)");
    // What the browser learnt of the user's interactions with pages.
    for (const char* table : {"moz_places_metadata", "moz_places_metadata_search_queries"}) {
        if (hasTable(db, table))
            statements.push_back(std::string("DELETE FROM ") + table);
    }
    if (hasTable(db, "moz_origins"))
        statements.push_back("DELETE FROM moz_origins WHERE id NOT IN "
                             "(SELECT origin_id FROM moz_places WHERE origin_id NOT NULL)");
    return statements;
}

std::string failure(sqlite3* db, const std::string& file) {
    int code = sqlite3_errcode(db);
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return file + " is in use";
    return file + ": " + sqlite3_errmsg(db);
}

} // namespace

std::optional<std::string> deleteFirefoxHistory(const std::string& places) {
    if (GetFileAttributesA(places.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    const std::string file = lastPart(places);
    Database db;
    // Never created: a database that is not there has no history.
    if (sqlite3_open_v2(utf8(places).c_str(), db.put(), SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        return failure(db.get(), file);
    for (const char* table : {"moz_places", "moz_historyvisits", "moz_bookmarks"}) {
        if (!hasTable(db.get(), table))
            return file + " holds no history of Firefox";
    }
    // What is deleted is overwritten with zeros, so it cannot be read back
    // from the file's free pages.
    sqlite3_exec(db.get(), "PRAGMA secure_delete = ON", nullptr, nullptr, nullptr);
    // Taken at once, or the job fails: a browser that holds the database
    // keeps it.
    if (sqlite3_exec(db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failure(db.get(), file);
    for (const std::string& statement : historyStatements(db.get())) {
        if (sqlite3_exec(db.get(), statement.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::string reason = failure(db.get(), file);
            sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
            return reason;
        }
    }
    if (sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::string reason = failure(db.get(), file);
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        return reason;
    }
    return std::nullopt;
}

} // namespace cleaner
