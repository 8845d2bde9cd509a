#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tablora::data {

class SqliteTable;

// One SQLite connection. Paths and texts are UTF-8. Closing or reopening closes every cursor
// opened on the old connection first, so no cursor can outlive the connection it reads.
class SqliteDB {
  public:
    SqliteDB() = default;
    ~SqliteDB();
    SqliteDB(const SqliteDB&) = delete;
    SqliteDB& operator=(const SqliteDB&) = delete;

    // Without createIfMissing a missing file is refused and never created.
    bool open(std::string_view path, bool createIfMissing = false);
    bool isOpen() const { return m_handle != nullptr; }
    // False only when SQLite reports the connection busy; the handle is forgotten anyway.
    bool close();
    // Closes every cursor on the connection, the connection left open.
    void closeCursors();
    // Begins a write transaction (BEGIN IMMEDIATE), waiting for another writer as a statement
    // does.
    bool beginTransaction(std::string_view name = {});
    bool commitTransaction(std::string_view name = {});
    bool rollbackTransaction();
    // True between a BEGIN and its COMMIT or ROLLBACK.
    bool inTransaction() const;

    // True while the open connection is still on the file now at `path` (not replaced or
    // removed since it was opened), so it can be kept instead of reopened.
    bool isStillAt(std::string_view path) const;
    // Creates an index on one column when no index of that name exists. A read-only file,
    // a missing table or column: nothing happens, and finds are only slower.
    bool createIndexIfMissing(std::string_view index, std::string_view table,
                              std::string_view column);
    // Whether a schema object of that type ("table", "index") and name exists.
    bool exists(const char* type, std::string_view name);
    // Runs `sql` (any statements) when no schema object of that type and name exists; a
    // transaction it began and left open by failing is rolled back.
    bool createIfMissing(const char* type, std::string_view name, const std::string& sql);
    // Creates a table of the program's own (columns as SQL) when none of that name exists.
    bool createTableIfMissing(std::string_view table, std::string_view columns);
    // Puts the file in write-ahead-log mode (kept in the file): readers, such as a backup being
    // made, then never hold up a write, nor a write a reader. False when the file stays in its
    // old mode (read-only, or another program has it open in that mode); it works as before.
    bool useWriteAheadLog();
    // Back to the rollback journal (a file on a network filesystem, where the log's shared
    // memory does not work between computers). False when the file stays in its mode.
    bool useRollbackJournal();
    // Copies what the log holds into the file itself without waiting for anyone, so the file
    // alone is complete (a copy taken by hand after the program closed).
    void checkpoint();

    // Walks every table as the cursor did before it asked SQLite: finds walk, the rowid list
    // is reloaded at every open and write, the connection reopened for every operation. For
    // measuring the difference only.
    void setLiteralWalks(bool on) { m_literalWalks = on; }
    bool literalWalks() const { return m_literalWalks; }

    sqlite3* handle() const { return m_handle; }

  private:
    friend class SqliteTable;
    void attach(SqliteTable* cursor);
    void detach(SqliteTable* cursor);

    // Changes whenever another connection has committed to the file; -1 when it cannot be read.
    // With the open count and the rollback count it tells a cursor whether its rowid list holds.
    std::int64_t dataVersion();
    // Rows this connection changed in one table (triggers included), the last one named.
    struct TableChanges {
        std::uint64_t generation = 0;
        int lastOperation = 0;
        std::int64_t lastRowid = 0;
    };
    TableChanges changesOf(std::string_view table) const;
    static std::string key(std::string_view table);
    static void onUpdate(void* self, int operation, const char* database, const char* table,
                         long long rowid);
    static void onRollback(void* self);
    static int onBusy(void* self, int attempt);

    sqlite3* m_handle = nullptr;
    sqlite3_stmt* m_dataVersion = nullptr;
    std::uint64_t m_connection = 0;  // counts opens, so a cursor knows a reopened connection
    std::uint64_t m_rollbacks = 0;
    std::unordered_map<std::string, TableChanges> m_changes;
    std::uint64_t m_device = 0, m_inode = 0;
    bool m_literalWalks = false;
    std::chrono::steady_clock::time_point m_waitStart;
    std::optional<std::chrono::steady_clock::time_point> m_gaveUp;
    std::vector<SqliteTable*> m_cursors;
};

}  // namespace tablora::data
