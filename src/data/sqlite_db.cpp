#include "data/sqlite_db.h"

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "data/sql_text.h"
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
    struct stat st {};
    if (p.empty() || lowered == ":memory:") {
        if (!createIfMissing) return false;
        p = ":memory:";
    } else if (!createIfMissing) {
        // sqlite3_open by itself would create a missing file; a FIFO or a folder is no database
        // (and opening a FIFO for reading would wait for a writer). Asked of the path, never by
        // opening the file: closing any descriptor of it would drop every lock this process
        // holds on it, and another program could then delete the log still being written.
        if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(p.c_str(), R_OK) != 0)
            return false;
    }
    // One window thread uses the connection: SQLite's own mutex would only cost time.
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (createIfMissing ? SQLITE_OPEN_CREATE : 0);
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(p.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(handle);
        return false;
    }
    // Before the first statement, so a file another process holds for a moment is waited for.
    sqlite3_busy_handler(handle, &SqliteDB::onBusy, this);
    // A damaged or foreign file opens lazily in SQLite; read the schema now so it fails here.
    if (sqlite3_exec(handle, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(handle);
        return false;
    }
    if (::stat(p.c_str(), &st) == 0) {
        m_device = static_cast<std::uint64_t>(st.st_dev);
        m_inode = static_cast<std::uint64_t>(st.st_ino);
    }
    sqlite3_update_hook(handle, &SqliteDB::onUpdate, this);
    sqlite3_rollback_hook(handle, &SqliteDB::onRollback, this);
    m_handle = handle;
    ++m_connection;
    m_changes.clear();
    return true;
}

void SqliteDB::closeCursors() {
    // Cursors detach themselves as they close.
    while (!m_cursors.empty()) m_cursors.back()->close();
    sqlite3_finalize(m_dataVersion);
    m_dataVersion = nullptr;
}

bool SqliteDB::close() {
    closeCursors();
    if (!m_handle) return true;
    sqlite3* handle = m_handle;
    m_handle = nullptr;
    m_device = m_inode = 0;
    if (sqlite3_close(handle) == SQLITE_BUSY) {
        sqlite3_close_v2(handle);  // freed once whatever holds it lets go
        return false;
    }
    return true;
}

bool SqliteDB::beginTransaction(std::string_view name) {
    if (!m_handle) return false;
    // Every transaction of the program's reads, then writes: begun as a write, it waits for
    // another writer (the busy handler) instead of failing at its first write when another
    // connection committed after its read began.
    const std::string sql = "BEGIN IMMEDIATE TRANSACTION " + std::string(name);
    return sqlite3_exec(m_handle, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqliteDB::commitTransaction(std::string_view name) {
    if (!m_handle) return false;
    const std::string sql = "COMMIT TRANSACTION " + std::string(name);
    return sqlite3_exec(m_handle, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqliteDB::rollbackTransaction() {
    if (!m_handle) return false;
    // Nothing to undo when SQLite already rolled back on its own (for example after a full disk).
    if (sqlite3_get_autocommit(m_handle)) return true;
    return sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqliteDB::inTransaction() const {
    return m_handle && !sqlite3_get_autocommit(m_handle);
}

bool SqliteDB::isStillAt(std::string_view path) const {
    if (!m_handle) return false;
    struct stat st {};
    const std::string p(path);
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<std::uint64_t>(st.st_dev) == m_device &&
           static_cast<std::uint64_t>(st.st_ino) == m_inode;
}

bool SqliteDB::exists(const char* type, std::string_view name) {
    sqlite3_stmt* stmt = nullptr;
    bool found = false;
    if (m_handle &&
        sqlite3_prepare_v2(m_handle, "SELECT 1 FROM sqlite_master WHERE type=? AND name=?", -1,
                           &stmt, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, type, -1, SQLITE_STATIC);
        sqlite3_bind_text(stmt, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        found = sqlite3_step(stmt) == SQLITE_ROW;
    }
    sqlite3_finalize(stmt);
    return found;
}

bool SqliteDB::createIfMissing(const char* type, std::string_view name, const std::string& sql) {
    if (!m_handle) return false;
    // Looked up first: a plain read, so an existing one costs no write lock.
    if (exists(type, name)) return true;
    if (sqlite3_exec(m_handle, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    rollbackTransaction();
    return false;
}

bool SqliteDB::createIndexIfMissing(std::string_view index, std::string_view table,
                                    std::string_view column) {
    return createIfMissing("index", index,
                           "CREATE INDEX IF NOT EXISTS " + quoted(index) + " ON " + quoted(table) +
                               " (" + quoted(column) + ")");
}

bool SqliteDB::createTableIfMissing(std::string_view table, std::string_view columns) {
    return createIfMissing(
        "table", table,
        "CREATE TABLE IF NOT EXISTS " + quoted(table) + " (" + std::string(columns) + ")");
}

namespace {

// Sets the journal mode; true when the file is in `mode` afterwards.
bool setJournalMode(sqlite3* handle, const char* mode) {
    if (!handle) return false;
    sqlite3_stmt* stmt = nullptr;
    bool set = false;
    const std::string sql = std::string("PRAGMA journal_mode=") + mode;
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* now = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        set = now && sqlite3_stricmp(now, mode) == 0;
    }
    sqlite3_finalize(stmt);
    return set;
}

}  // namespace

bool SqliteDB::useWriteAheadLog() {
    return setJournalMode(m_handle, "wal");
}

bool SqliteDB::useRollbackJournal() {
    return setJournalMode(m_handle, "delete");
}

void SqliteDB::checkpoint() {
    if (m_handle)
        sqlite3_wal_checkpoint_v2(m_handle, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

std::int64_t SqliteDB::dataVersion() {
    std::int64_t version = -1;
    if (!m_handle) return version;
    if (!m_dataVersion && sqlite3_prepare_v2(m_handle, "PRAGMA data_version", -1, &m_dataVersion,
                                             nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_dataVersion);
        m_dataVersion = nullptr;
    }
    if (m_dataVersion && sqlite3_step(m_dataVersion) == SQLITE_ROW)
        version = sqlite3_column_int64(m_dataVersion, 0);
    if (m_dataVersion) sqlite3_reset(m_dataVersion);
    return version;
}

std::string SqliteDB::key(std::string_view table) {
    std::string k(table);
    for (char& c : k)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return k;
}

SqliteDB::TableChanges SqliteDB::changesOf(std::string_view table) const {
    const auto it = m_changes.find(key(table));
    return it == m_changes.end() ? TableChanges{} : it->second;
}

void SqliteDB::onUpdate(void* self, int operation, const char* database, const char* table,
                        long long rowid) {
    if (!database || std::string_view(database) != "main" || !table) return;
    auto& changes = static_cast<SqliteDB*>(self)->m_changes[key(table)];
    ++changes.generation;
    changes.lastOperation = operation;
    changes.lastRowid = rowid;
}

int SqliteDB::onBusy(void* self, int attempt) {
    // Up to two seconds for one statement. Once a wait was given up, the statements that follow
    // within a second (the rest of the same action) fail at once: an action on a file held by
    // another program says so after two seconds, not after two seconds a statement.
    using Clock = std::chrono::steady_clock;
    auto* db = static_cast<SqliteDB*>(self);
    const auto now = Clock::now();
    if (attempt == 0) {
        if (db->m_gaveUp && now - *db->m_gaveUp < std::chrono::seconds(1)) return 0;
        db->m_waitStart = now;
    }
    if (now - db->m_waitStart >= std::chrono::milliseconds(2000)) {
        db->m_gaveUp = now;
        return 0;
    }
    sqlite3_sleep(attempt < 4 ? 1 : 10);
    return 1;
}

void SqliteDB::onRollback(void* self) {
    ++static_cast<SqliteDB*>(self)->m_rollbacks;
}

void SqliteDB::attach(SqliteTable* cursor) {
    if (std::find(m_cursors.begin(), m_cursors.end(), cursor) == m_cursors.end())
        m_cursors.push_back(cursor);
}

void SqliteDB::detach(SqliteTable* cursor) {
    m_cursors.erase(std::remove(m_cursors.begin(), m_cursors.end(), cursor), m_cursors.end());
}

}  // namespace tablora::data
