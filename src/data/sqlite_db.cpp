#include "data/sqlite_db.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "data/sqlite_table.h"

namespace tablora::data {

SqliteDB::~SqliteDB() {
    close();
}

bool SqliteDB::open(std::string_view path, bool createIfMissing) {
    close();
    std::string p(path);
    std::string lowered = p;
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (p.empty() || lowered == ":memory:") {
        if (!createIfMissing) return false;
        p = ":memory:";
    } else if (!createIfMissing) {
        // sqlite3_open by itself would create a missing file.
        std::FILE* f = std::fopen(p.c_str(), "r");
        if (!f) return false;
        std::fclose(f);
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    }
    const int flags = SQLITE_OPEN_READWRITE | (createIfMissing ? SQLITE_OPEN_CREATE : 0);
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(p.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(handle);
        return false;
    }
    // A damaged or foreign file opens lazily in SQLite; read the schema now so it fails here.
    if (sqlite3_exec(handle, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(handle);
        return false;
    }
    sqlite3_busy_timeout(handle, 2000);
    m_handle = handle;
    return true;
}

bool SqliteDB::close() {
    // Cursors detach themselves as they close.
    while (!m_cursors.empty()) m_cursors.back()->close();
    if (!m_handle) return true;
    sqlite3* handle = m_handle;
    m_handle = nullptr;
    if (sqlite3_close(handle) == SQLITE_BUSY) {
        sqlite3_close_v2(handle);  // freed once whatever holds it lets go
        return false;
    }
    return true;
}

bool SqliteDB::beginTransaction(std::string_view name) {
    if (!m_handle) return false;
    const std::string sql = "BEGIN TRANSACTION " + std::string(name);
    return sqlite3_exec(m_handle, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqliteDB::commitTransaction(std::string_view name) {
    if (!m_handle) return false;
    const std::string sql = "COMMIT TRANSACTION " + std::string(name);
    return sqlite3_exec(m_handle, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

void SqliteDB::attach(SqliteTable* cursor) {
    if (std::find(m_cursors.begin(), m_cursors.end(), cursor) == m_cursors.end())
        m_cursors.push_back(cursor);
}

void SqliteDB::detach(SqliteTable* cursor) {
    m_cursors.erase(std::remove(m_cursors.begin(), m_cursors.end(), cursor), m_cursors.end());
}

}  // namespace tablora::data
