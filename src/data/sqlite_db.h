#pragma once

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

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
    bool beginTransaction(std::string_view name = {});
    bool commitTransaction(std::string_view name = {});

    sqlite3* handle() const { return m_handle; }

  private:
    friend class SqliteTable;
    void attach(SqliteTable* cursor);
    void detach(SqliteTable* cursor);

    sqlite3* m_handle = nullptr;
    std::vector<SqliteTable*> m_cursors;
};

}  // namespace tablora::data
