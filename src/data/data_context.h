#pragma once

#include <string>

#include "data/sqlite_db.h"
#include "data/sqlite_table.h"
#include "util/date_time.h"

namespace tablora::data {

// The program's one database on cysj.db and its six cursors, one per table. Each cursor is
// only ever opened on its own table.
class DataContext {
  public:
    explicit DataContext(std::string databasePath);
    ~DataContext();
    DataContext(const DataContext&) = delete;
    DataContext& operator=(const DataContext&) = delete;

    enum class LoginOpen { Ok, NoDatabase, NoUserTable };

    // The open at the login window: reopens the file and userCursor, saying what failed.
    LoginOpen openForLogin();
    // Makes sure the database and this cursor are open; when either is not, reopens both.
    // Failures are silent: the cursor then reads as empty.
    SqliteTable& openOnDemand(SqliteTable& cursor);
    // Opens the journal and lines cursors, or takes in other programs' changes to them: at an
    // idle moment (after login), so the first order or query of a session is as fast as the
    // next one even over millions of lines.
    void prepareForWork();
    // Closes userCursor, then the database (end of the main window, cancelled login).
    void closeUserAndDatabase();

    const std::string& databasePath() const { return m_path; }
    // True when the file lies on a network filesystem (NFS, SMB, FUSE, 9p, ...): it is kept in
    // the rollback journal there, and must not be used by two computers at once.
    bool onNetworkFolder() const;
    static const char* tableOf(const SqliteTable& cursor, const DataContext& context);

    SqliteDB database;
    SqliteTable userCursor;         // 用户
    SqliteTable detailCursor;       // 明细
    SqliteTable journalCursor;      // 流水
    SqliteTable dishCursor;         // 菜品
    SqliteTable diningTableCursor;  // 餐台
    SqliteTable categoryCursor;     // 分类
    SqliteTable displayCursor;      // 显示设置: the display scale, a table of the program's own
    // Tables of the program's own that grow with the orders: kept, so their rowid lists are
    // not read whole for every action.
    SqliteTable sentCursor;        // 送厨记录
    SqliteTable noteCursor;        // 菜品口味
    SqliteTable traceCursor;       // 操作记录
    SqliteTable adjustmentCursor;  // 账单调整

  private:
    bool openDatabase();
    std::string m_path;
};

// One of the kept cursors, opened for an action and closed when it ends (its rowid list kept
// for the next). Not for nesting: an inner use of the same cursor would close the outer one.
class CursorUse {
  public:
    CursorUse(DataContext& data, SqliteTable& cursor) : m_cursor(data.openOnDemand(cursor)) {}
    ~CursorUse() { m_cursor.close(); }
    CursorUse(const CursorUse&) = delete;
    CursorUse& operator=(const CursorUse&) = delete;
    SqliteTable& operator*() const { return m_cursor; }
    SqliteTable* operator->() const { return &m_cursor; }

  private:
    SqliteTable& m_cursor;
};

// Adds the tables of the program's own that the file lacks (the six described ones are never
// changed), so an older copy still opens it. A read-only file is left as it is.
void addOwnTables(SqliteDB& database);

// A category renamed (`renamed` the new name) or deleted (`renamed` empty) in the kitchen
// printers' 分类 lists, on the open connection (inside the caller's transaction). A printer
// whose only category is deleted keeps the name: an empty list would take every dish.
bool carryCategoryToPrinters(SqliteDB& database, const std::string& old,
                             const std::string& renamed);
// Rows of a table of the program's own that name a dining table or category follow its rename
// (an empty name deletes them); inside the caller's transaction.
bool carryNamed(SqliteDB& database, const char* table, const char* field, const std::string& old,
                const std::string& renamed);

// The display scale in percent kept in the file (100, 125, 150 or 200); 100 when there is
// none or the file cannot be read. Read before the windows exist, without opening the
// program's own connection.
int readDisplayScale(const std::string& databasePath);
inline constexpr int kDisplayScales[] = {100, 125, 150, 200};

// Creates a new cysj.db with the six tables and a small demo restaurant. Used by the set-up
// tool and tests only; the program itself never creates the file. Returns an error text,
// empty on success.
std::string createDemoDatabase(const std::string& path, const std::string& user,
                               const std::string& password);
// The same without the demo: the tables and one manager with every permission, for a new
// restaurant that makes its own tables and menu. Never overwrites a file.
std::string createDatabase(const std::string& path, const std::string& user,
                           const std::string& password, bool demo);

// Adds `orders` settled orders of five years up to `end` to a cysj.db, with five lines each
// on average from its own menu, tables and users: a restaurant's history for measuring.
// Returns an error text, empty on success.
std::string addHistory(const std::string& path, int orders, const util::CalendarTime& end,
                       unsigned seed = 1);

}  // namespace tablora::data
