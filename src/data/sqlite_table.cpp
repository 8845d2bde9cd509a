#include "data/sqlite_table.h"

#include <sqlite3.h>

#include "data/sqlite_db.h"
#include "util/text.h"

namespace tablora::data {
namespace {

// Identifiers are quoted so that any table or column name is taken as a name, never as SQL.
std::string quoted(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

SqliteTable::~SqliteTable() {
    close();
}

bool SqliteTable::open(std::string_view table, SqliteDB& database) {
    if (table.empty() || !database.isOpen()) return false;
    close();
    m_table = table.substr(0, 1023);
    m_db = &database;
    m_db->attach(this);
    m_mode = CursorMode::Browsing;
    if (!load()) {
        close();
        return false;
    }
    m_buffers.assign(m_columns.size(), Value{});
    m_current = 0;
    return true;
}

bool SqliteTable::close() {
    finalizeStatements();
    if (m_db) m_db->detach(this);
    m_db = nullptr;
    m_columns.clear();
    m_rowids.clear();
    m_buffers.clear();
    m_current = 0;
    m_table.clear();
    m_mode = CursorMode::Closed;
    return true;
}

void SqliteTable::finalizeStatements() {
    for (auto& [sql, stmt] : m_statements) sqlite3_finalize(stmt);
    m_statements.clear();
    m_blocks.clear();
}

sqlite3_stmt* SqliteTable::statement(const std::string& sql) {
    if (auto it = m_statements.find(sql); it != m_statements.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db->handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    m_statements.emplace(sql, stmt);
    return stmt;
}

bool SqliteTable::load() {
    m_columns.clear();
    m_rowids.clear();
    m_buffers.clear();
    m_blocks.clear();
    const std::string table = quoted(m_table);
    if (sqlite3_stmt* stmt = statement("SELECT * FROM " + table + " LIMIT 0")) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
            const int n = sqlite3_column_count(stmt);
            for (int i = 0; i < n; ++i) {
                const char* name = sqlite3_column_name(stmt, i);
                m_columns.emplace_back(name ? name : "");
            }
        }
        sqlite3_reset(stmt);
    }
    sqlite3_stmt* rows = statement("SELECT _ROWID_ FROM " + table + " ORDER BY _ROWID_ ");
    if (!rows) return false;
    int rc;
    while ((rc = sqlite3_step(rows)) == SQLITE_ROW)
        m_rowids.push_back(sqlite3_column_int64(rows, 0));
    sqlite3_reset(rows);
    if (rc != SQLITE_DONE) {
        m_rowids.clear();
        return false;
    }
    return true;
}

bool SqliteTable::moveTo(int number) {
    if (!isOpen()) return false;
    if (number >= 1 && number <= recordCount()) {
        m_current = number;
        return true;
    }
    m_current = number > recordCount() ? recordCount() + 1 : 0;
    return false;
}

bool SqliteTable::skip(int count) {
    if (count == 0 || !isOpen()) return false;
    const long long target = static_cast<long long>(m_current) + count;
    if (target > recordCount()) return moveTo(recordCount() + 1);
    if (target < 0) return moveTo(0);
    return moveTo(static_cast<int>(target));
}

int SqliteTable::resolve(const Field& field) const {
    if (field.m_byNumber)
        return field.m_number >= 1 && field.m_number <= fieldCount() ? field.m_number : 0;
    if (field.m_name.empty()) return 0;
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (equalsIgnoringAsciiCase(m_columns[i], field.m_name)) return static_cast<int>(i) + 1;
    return 0;
}

bool SqliteTable::moveFirst() {
    // A scan starts here: what was read ahead for an earlier one may be out of date.
    m_blocks.clear();
    return moveTo(1);
}

const SqliteTable::CachedValue* SqliteTable::cachedRead(int column) {
    if (m_blocks.size() != m_columns.size()) m_blocks.assign(m_columns.size(), {});
    Block& block = m_blocks[static_cast<size_t>(column - 1)];
    const int offset = m_current - block.first;
    if (block.first == 0 || offset < 0 || offset >= static_cast<int>(block.values.size())) {
        fillBlock(column, block);
    }
    const CachedValue& v = block.values[static_cast<size_t>(m_current - block.first)];
    return v.present ? &v : nullptr;
}

void SqliteTable::fillBlock(int column, Block& block) {
    // Scans read one field of record after record; one statement fetches a run of them,
    // which saves SQLite taking and dropping its file lock for every single field.
    constexpr int kRun = 256;
    block.first = m_current;
    block.values.clear();
    sqlite3_stmt* stmt = statement(
        "SELECT _ROWID_, " + quoted(m_columns[static_cast<size_t>(column - 1)]) + " FROM " +
        quoted(m_table) + " WHERE _ROWID_ >= ? ORDER BY _ROWID_ LIMIT " + std::to_string(kRun));
    const size_t count = m_rowids.size();
    size_t index = static_cast<size_t>(m_current - 1);
    auto markAbsentUpTo = [&](size_t end) {
        for (; index < end && index < count; ++index) block.values.emplace_back();
    };
    int rows = 0;
    bool complete = stmt != nullptr;
    if (stmt) {
        sqlite3_bind_int64(stmt, 1, m_rowids[index]);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            ++rows;
            const std::int64_t rowid = sqlite3_column_int64(stmt, 0);
            // Records of the snapshot with no row here were deleted behind the cursor's back.
            while (index < count && m_rowids[index] < rowid) {
                block.values.emplace_back();
                ++index;
            }
            if (index >= count || m_rowids[index] != rowid) continue;  // added since the snapshot
            const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
            CachedValue v;
            v.present = true;
            if (bytes) v.text.assign(bytes, static_cast<size_t>(sqlite3_column_bytes(stmt, 1)));
            v.integer = sqlite3_column_int(stmt, 1);
            block.values.push_back(std::move(v));
            ++index;
        }
        complete = rc == SQLITE_DONE;
        sqlite3_reset(stmt);
    }
    // Fewer rows than asked for means the table ends here: the rest of the snapshot is gone.
    if (complete && rows < kRun) markAbsentUpTo(count);
    if (block.values.empty()) block.values.emplace_back();  // the current record, unreadable
}

std::string SqliteTable::readText(Field field) {
    const int column = resolve(field);
    if (column == 0 || !isOpen() || !hasCurrent()) return {};
    const CachedValue* v = cachedRead(column);
    // A value that is not well-formed UTF-8 cannot be shown or compared: it reads as empty.
    return v && util::isValidUtf8(v->text) ? v->text : std::string();
}

int SqliteTable::readInt(Field field) {
    const int column = resolve(field);
    if (column == 0 || !isOpen() || !hasCurrent()) return 0;
    const CachedValue* v = cachedRead(column);
    return v ? v->integer : 0;
}

bool SqliteTable::store(Field field, Value value) {
    if (!isOpen()) return false;
    const int column = resolve(field);
    if (column == 0 || m_buffers.empty()) return false;
    m_buffers[static_cast<size_t>(column - 1)] = std::move(value);
    return true;
}

bool SqliteTable::write(Field field, int value) {
    return store(field, value);
}
bool SqliteTable::write(Field field, std::int64_t value) {
    return store(field, value);
}
bool SqliteTable::write(Field field, double value) {
    return store(field, value);
}
bool SqliteTable::write(Field field, std::string_view text) {
    return store(field, std::string(text));
}
bool SqliteTable::write(Field field, const Bytes& bytes) {
    return store(field, bytes);
}

bool SqliteTable::addNew() {
    if (!isOpen()) return false;
    m_buffers.assign(m_columns.size(), Value{});
    m_mode = CursorMode::Adding;
    return true;
}

bool SqliteTable::edit() {
    if (!isOpen() || !hasCurrent()) return false;
    m_buffers.assign(m_columns.size(), Value{});
    m_mode = CursorMode::Editing;
    return true;
}

bool SqliteTable::update() {
    if (!isOpen() || (m_mode != CursorMode::Adding && m_mode != CursorMode::Editing)) return false;
    if (fieldCount() < 1 || m_buffers.empty()) return false;
    // An edit needs a record to aim at: the one current now, not the one current at edit().
    if (m_mode == CursorMode::Editing && !hasCurrent()) return false;

    std::string setList, columnList, valueList;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (std::holds_alternative<std::monostate>(m_buffers[i])) continue;
        const std::string name = quoted(m_columns[i]);
        setList += name + "=?,";
        columnList += name + ",";
        valueList += "?,";
    }
    if (setList.empty()) return false;
    setList.pop_back();
    columnList.pop_back();
    valueList.pop_back();

    const bool editing = m_mode == CursorMode::Editing;
    const std::string sql =
        editing
            ? "UPDATE " + quoted(m_table) + " SET " + setList + " WHERE _ROWID_=?"
            : "INSERT INTO " + quoted(m_table) + " (" + columnList + ") VALUES (" + valueList + ")";
    sqlite3_stmt* stmt = statement(sql);
    if (!stmt) return false;
    int parameter = 1;
    for (const Value& v : m_buffers) {
        if (const auto* i32 = std::get_if<int>(&v)) {
            sqlite3_bind_int(stmt, parameter++, *i32);
        } else if (const auto* i64 = std::get_if<std::int64_t>(&v)) {
            sqlite3_bind_int64(stmt, parameter++, *i64);
        } else if (const auto* d = std::get_if<double>(&v)) {
            sqlite3_bind_double(stmt, parameter++, *d);
        } else if (const auto* s = std::get_if<std::string>(&v)) {
            sqlite3_bind_text(stmt, parameter++, s->c_str(), static_cast<int>(s->size()),
                              SQLITE_TRANSIENT);
        } else if (const auto* b = std::get_if<Bytes>(&v)) {
            sqlite3_bind_blob(stmt, parameter++, b->data(), static_cast<int>(b->size()),
                              SQLITE_TRANSIENT);
        }
    }
    if (editing) sqlite3_bind_int64(stmt, parameter, m_rowids[static_cast<size_t>(m_current - 1)]);
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) return false;
    m_mode = CursorMode::Browsing;
    const int current = m_current;
    load();
    m_current = current;
    return true;
}

bool SqliteTable::deleteCurrent() {
    if (!isOpen() || !hasCurrent()) return false;
    bool ran = false;
    if (sqlite3_stmt* stmt = statement("DELETE FROM " + quoted(m_table) + " WHERE _ROWID_ = ?")) {
        sqlite3_bind_int64(stmt, 1, m_rowids[static_cast<size_t>(m_current - 1)]);
        ran = sqlite3_step(stmt) == SQLITE_DONE;
        sqlite3_reset(stmt);
    }
    load();
    m_current = 0;
    return ran;
}

}  // namespace tablora::data
