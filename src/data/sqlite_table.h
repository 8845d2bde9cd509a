#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "data/rowid_list.h"

struct sqlite3_stmt;

namespace tablora::data {

class SqliteDB;

enum class CursorMode { Closed = 0, Browsing = 1, Adding = 2, Editing = 3 };

// A field addressed by column name (ASCII letters compared without case) or by 1-based number.
class Field {
  public:
    Field(std::string_view name) : m_name(name) {}
    Field(const char* name) : m_name(name) {}
    Field(const std::string& name) : m_name(name) {}
    Field(int number) : m_number(number), m_byNumber(true) {}

  private:
    friend class SqliteTable;
    std::string_view m_name;
    int m_number = 0;
    bool m_byNumber = false;
};

using Bytes = std::vector<unsigned char>;

// A record cursor over one table: records numbered 1..N by ascending rowid, one current
// record, reads by field, and buffered writes turned into one INSERT or UPDATE by `update`.
// Every failure is a result (false, 0, empty text); nothing throws. Texts are UTF-8.
class SqliteTable {
  public:
    SqliteTable() = default;
    ~SqliteTable();
    SqliteTable(const SqliteTable&) = delete;
    SqliteTable& operator=(const SqliteTable&) = delete;

    bool open(std::string_view table, SqliteDB& database);
    bool close();
    bool isOpen() const { return m_db != nullptr && m_mode != CursorMode::Closed; }

    bool moveFirst();
    bool skip(int count = 1);
    bool moveTo(int number);
    int recordNumber() const { return isOpen() ? m_current : 0; }
    // What identifies the current record for as long as it exists, whatever other programs
    // insert or delete around it; 0 without a current record.
    std::int64_t rowid() const {
        return hasCurrent() ? m_rowids.at(static_cast<size_t>(m_current - 1)) : 0;
    }
    // Makes the record with this rowid current, after taking in what other connections have
    // changed; false (no record current) when it is gone or the table could not be read.
    bool moveToRowid(std::int64_t rowid);
    // Takes in now what other connections changed, so the next action need not: done at idle
    // moments, it spares a person the recount of a large table after another program's write.
    bool takeInChanges() { return isOpen() && syncRowids(true); }
    // Whether the last walk or find could not read all it asked for (the file locked by another
    // program, damaged, or the cursor not open): its result is then not "nothing found".
    // Cleared by moveFirst, moveToRowid and every find.
    bool readFailed() const { return !isOpen() || m_readFailed; }
    int recordCount() const { return isOpen() ? static_cast<int>(m_rowids.size()) : 0; }
    int fieldCount() const { return static_cast<int>(m_columns.size()); }
    CursorMode mode() const { return m_mode; }
    const std::string& tableName() const { return m_table; }

    bool addNew();
    bool edit();
    bool update();
    bool deleteCurrent();

    std::string readText(Field field);
    int readInt(Field field);

    // The record numbers, ascending, of the records whose field reads (readText / readInt) as
    // this value: exactly what a walk comparing every record gives, asked of SQLite with one
    // statement an index can serve where the column's type allows it. The cursor stays put.
    std::vector<int> findAll(Field field, std::string_view text);
    std::vector<int> findAll(Field field, int value);
    // The record numbers, ascending, of the records whose field's text (as readText reads it)
    // passes the test: a walk reading that one field, done with one statement. When the test
    // can pass only for texts within the byte ranges `only` (blobs are always read), just
    // those are read, from an index where the column has one.
    struct TextRange {
        std::string from, to;  // from <= text < to, compared byte by byte
    };
    std::vector<int> findWhere(Field field, const std::function<bool(std::string_view)>& test,
                               const std::vector<TextRange>& only = {});

    // Every record in rowid order with these fields read as readText and readInt read them
    // (texts that are not UTF-8 as empty), from one statement: what a walk reading those fields
    // gives, without a copy of any value. The views are valid during the visit only. False when
    // the table could not be read whole (readFailed).
    // One record's values as the visit sees them; each read only when asked for.
    class RowValues {
      public:
        std::int64_t rowid() const;
        // Field i of the list, as readText and readInt read it.
        std::string_view text(size_t i) const;
        int integer(size_t i) const;

      private:
        friend class SqliteTable;
        sqlite3_stmt* m_stmt = nullptr;
        const std::vector<int>* m_columns = nullptr;  // 0 for a field the table lacks
    };
    bool forEachRow(const std::vector<Field>& fields,
                    const std::function<void(const RowValues& row)>& visit);
    // The same for the records whose rowid lies in from..to, as they are now.
    bool forEachRowBetween(const std::vector<Field>& fields, std::int64_t from, std::int64_t to,
                           const std::function<void(const RowValues& row)>& visit);

    // A field's value as the file holds it, type and bytes, for telling apart values that all
    // read as empty text (NULL, "", malformed UTF-8).
    struct Stored {
        int type = 0;  // SQLite's fundamental type; 0 when the value could not be read
        std::string bytes;
        bool operator==(const Stored&) const = default;
    };
    Stored readStored(Field field);
    // The record numbers, ascending, of the records whose field holds exactly this value.
    std::vector<int> findStored(Field field, const Stored& value);

    bool write(Field field, int value);
    bool write(Field field, std::int64_t value);
    bool write(Field field, double value);
    bool write(Field field, std::string_view text);
    bool write(Field field, const char* text) { return write(field, std::string_view(text)); }
    bool write(Field field, const std::string& text) {
        return write(field, std::string_view(text));
    }
    bool write(Field field, const Bytes& bytes);

  private:
    using Value = std::variant<std::monostate, int, std::int64_t, double, std::string, Bytes>;
    using Key = std::variant<std::string_view, int>;

    bool load();
    bool visitRows(const std::vector<Field>& fields, const std::int64_t* between,
                   const std::function<void(const RowValues& row)>& visit);
    // Makes the rowid list what the table holds now: kept while nothing but this cursor has
    // changed the table, reloaded otherwise. Checks other connections only when asked.
    bool syncRowids(bool askOtherConnections);
    bool reloadRowids();
    // After this cursor's own INSERT, UPDATE or DELETE of `rowid`: patch the list if that was
    // the only change to the table, else reload it.
    void ownWriteDone(int operation, std::int64_t rowid, std::uint64_t generationBefore);
    std::vector<int> find(int column, const Key& key);
    std::vector<int> walkFind(int column, const Key& key);
    bool indexedFind(int column, const Key& key, std::vector<int>& numbers);
    // Steps a statement of (rowid, value) rows: the record numbers of those that pass, sorted.
    bool collect(sqlite3_stmt* stmt, const std::function<bool()>& passes,
                 std::vector<int>& numbers);
    // The same, added to `numbers` as they come.
    bool collectMore(sqlite3_stmt* stmt, const std::function<bool()>& passes,
                     std::vector<int>& numbers);
    bool rangeFind(int column, const std::function<bool(std::string_view)>& test,
                   const std::vector<TextRange>& only, std::vector<int>& numbers);
    int resolve(const Field& field) const;
    bool hasCurrent() const { return m_current >= 1 && m_current <= recordCount(); }
    sqlite3_stmt* statement(const std::string& sql);
    void finalizeStatements();
    bool store(Field field, Value value);
    // Field values read ahead for a run of records of one column, from one scan.
    struct CachedValue {
        bool present = false;
        std::string text;
        int integer = 0;
    };
    // A run of records read ahead with the fields the scan has asked for so far.
    struct Block {
        int first = 0;  // record number of the first row; 0 when empty
        int rows = 0;
        std::vector<int> columns;         // column numbers held, in column order
        std::vector<CachedValue> values;  // rows x columns
    };
    const CachedValue* cachedRead(int column);
    void fillBlock();
    void dropReadAhead();

    SqliteDB* m_db = nullptr;
    CursorMode m_mode = CursorMode::Closed;
    std::string m_table;
    std::vector<std::string> m_columns;
    std::vector<char> m_affinities;  // per column: 'T'ext, 'I'nteger, 'R'eal, 'N'umeric, 'B'lob
    std::vector<bool> m_binary;      // per column: compared byte by byte (no other collation)
    // Kept across close and open of the same table on the same connection; m_synced says what
    // it was taken against.
    RowidList m_rowids;
    bool m_rowidsValid = false;
    std::string m_rowidsTable;
    std::uint64_t m_syncedConnection = 0;
    std::int64_t m_syncedDataVersion = -1;
    std::uint64_t m_syncedRollbacks = 0;
    std::uint64_t m_syncedGeneration = 0;
    std::vector<Value> m_buffers;
    bool m_writeFailed = false;  // a write since addNew or edit named no field of the table
    int m_current = 0;
    // Prepared statements by SQL text, reused until the cursor closes.
    std::unordered_map<std::string, sqlite3_stmt*> m_statements;
    // Dropped by every load, write and moveFirst; fetched anew when a field not held is read.
    Block m_block;
    std::vector<bool> m_wanted;  // per column: read since the scan began
    bool m_readFailed = false;
};

// The program's walk over a table: from the first record in rowid order, once each. The visitor
// returns true to stop there, leaving the cursor on that record; the result says whether it did.
template <class Visit>
bool forEachRecord(SqliteTable& cursor, Visit&& visit) {
    cursor.moveFirst();
    for (int i = 1, n = cursor.recordCount(); i <= n; ++i) {
        if (visit(cursor)) return true;
        cursor.skip();
    }
    return false;
}

// The same walk over just the records whose field reads as `key` (see findAll): the visitor
// returns true to stop there. When it never does, the cursor ends past the last record, as a
// walk that found nothing does.
template <class Key, class Visit>
bool forEachMatch(SqliteTable& cursor, Field field, const Key& key, Visit&& visit) {
    for (int number : cursor.findAll(field, key)) {
        cursor.moveTo(number);
        if (visit(cursor)) return true;
    }
    cursor.moveTo(cursor.recordCount() + 1);
    return false;
}

}  // namespace tablora::data
