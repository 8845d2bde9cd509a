#include "data/sqlite_table.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>

#include "data/sql_text.h"
#include "data/sqlite_db.h"
#include "util/text.h"

namespace tablora::data {
namespace {

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

// The type affinity SQLite gives a column of this declared type.
char affinityOf(const char* declared) {
    std::string t = declared ? declared : "";
    for (char& c : t)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    auto has = [&](const char* part) { return t.find(part) != std::string::npos; };
    if (has("INT")) return 'I';
    if (has("CHAR") || has("CLOB") || has("TEXT")) return 'T';
    if (has("BLOB") || t.empty()) return 'B';
    if (has("REAL") || has("FLOA") || has("DOUB")) return 'R';
    return 'N';
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
    m_affinities.clear();
    // The rowid list stays for the next open of the same table; the stamps tell if it holds.
    m_buffers.clear();
    m_current = 0;
    m_table.clear();
    m_mode = CursorMode::Closed;
    return true;
}

void SqliteTable::finalizeStatements() {
    for (auto& [sql, stmt] : m_statements) sqlite3_finalize(stmt);
    m_statements.clear();
    dropReadAhead();
}

sqlite3_stmt* SqliteTable::statement(const std::string& sql) {
    if (auto it = m_statements.find(sql); it != m_statements.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db->handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        m_readFailed = true;
        return nullptr;
    }
    m_statements.emplace(sql, stmt);
    return stmt;
}

bool SqliteTable::load() {
    m_columns.clear();
    m_affinities.clear();
    m_binary.clear();
    m_buffers.clear();
    dropReadAhead();
    const std::string table = quoted(m_table);
    if (sqlite3_stmt* stmt = statement("SELECT * FROM " + table + " LIMIT 0")) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
            const int n = sqlite3_column_count(stmt);
            for (int i = 0; i < n; ++i) {
                const char* name = sqlite3_column_name(stmt, i);
                m_columns.emplace_back(name ? name : "");
                m_affinities.push_back(affinityOf(sqlite3_column_decltype(stmt, i)));
                const char* collation = nullptr;
                sqlite3_table_column_metadata(m_db->handle(), "main", m_table.c_str(), name,
                                              nullptr, &collation, nullptr, nullptr, nullptr);
                m_binary.push_back(collation && sqlite3_stricmp(collation, "BINARY") == 0);
            }
        }
        sqlite3_reset(stmt);
    }
    if (m_rowidsTable != m_table) m_rowidsValid = false;
    return syncRowids(true);
}

bool SqliteTable::syncRowids(bool askOtherConnections) {
    if (!m_db || !m_db->isOpen()) return false;
    if (m_db->literalWalks()) return reloadRowids();
    bool valid = m_rowidsValid && m_syncedConnection == m_db->m_connection &&
                 m_syncedRollbacks == m_db->m_rollbacks &&
                 m_syncedGeneration == m_db->changesOf(m_table).generation;
    if (askOtherConnections) {
        const std::int64_t version = m_db->dataVersion();
        valid = valid && version == m_syncedDataVersion;
        if (!valid) m_syncedDataVersion = version;
    }
    if (valid) return true;
    dropReadAhead();
    return reloadRowids();
}

bool SqliteTable::reloadRowids() {
    m_rowids.clear();
    m_rowidsValid = false;
    dropReadAhead();
    const std::string table = quoted(m_table);
    // A table only ever appended to holds every rowid from its least to its greatest: then
    // counting is all it takes (one statement, so one snapshot), not reading every rowid.
    sqlite3_stmt* span =
        statement("SELECT (SELECT count(*) FROM " + table + "), (SELECT min(_ROWID_) FROM " +
                  table + "), (SELECT max(_ROWID_) FROM " + table + ")");
    if (!span) return false;
    int rc = sqlite3_step(span);
    const std::int64_t count = sqlite3_column_int64(span, 0), least = sqlite3_column_int64(span, 1),
                       greatest = sqlite3_column_int64(span, 2);
    sqlite3_reset(span);
    if (rc == SQLITE_ROW && count > 0 &&
        static_cast<std::uint64_t>(greatest) - static_cast<std::uint64_t>(least) + 1 ==
            static_cast<std::uint64_t>(count)) {
        m_rowids.assignRange(least, static_cast<size_t>(count));
        rc = SQLITE_DONE;
    } else if (rc == SQLITE_ROW && count == 0) {
        rc = SQLITE_DONE;
    } else if (rc == SQLITE_ROW) {
        sqlite3_stmt* rows = statement("SELECT _ROWID_ FROM " + table + " ORDER BY _ROWID_ ");
        if (!rows) return false;
        while ((rc = sqlite3_step(rows)) == SQLITE_ROW)
            m_rowids.append(sqlite3_column_int64(rows, 0));
        sqlite3_reset(rows);
    }
    if (rc != SQLITE_DONE) {
        m_rowids.clear();
        m_readFailed = true;
        return false;
    }
    m_rowidsValid = true;
    m_rowidsTable = m_table;
    m_syncedConnection = m_db->m_connection;
    m_syncedRollbacks = m_db->m_rollbacks;
    m_syncedGeneration = m_db->changesOf(m_table).generation;
    if (m_syncedDataVersion < 0) m_syncedDataVersion = m_db->dataVersion();
    return true;
}

void SqliteTable::ownWriteDone(int operation, std::int64_t rowid, std::uint64_t generationBefore) {
    dropReadAhead();
    m_buffers.clear();
    const auto changes = m_db->changesOf(m_table);
    const bool onlyThis =
        m_rowidsValid && !m_db->literalWalks() && m_syncedGeneration == generationBefore &&
        changes.generation == generationBefore + 1 && changes.lastOperation == operation &&
        m_syncedRollbacks == m_db->m_rollbacks &&
        (operation == SQLITE_INSERT || changes.lastRowid == rowid);
    if (!onlyThis) {
        reloadRowids();
        return;
    }
    if (operation == SQLITE_INSERT)
        m_rowids.insert(changes.lastRowid);
    else if (operation == SQLITE_DELETE)
        m_rowids.erase(changes.lastRowid);
    m_syncedGeneration = changes.generation;
}

bool SqliteTable::moveToRowid(std::int64_t rowid) {
    m_readFailed = false;
    m_current = 0;
    if (!isOpen() || !syncRowids(true)) return false;
    const std::ptrdiff_t index = m_rowids.indexOf(rowid);
    if (index < 0) return false;
    m_current = static_cast<int>(index) + 1;
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
    // A scan starts here: what was read ahead for an earlier one may be out of date, and
    // another program may have changed the table since the last operation.
    dropReadAhead();
    m_readFailed = false;
    if (isOpen()) syncRowids(true);
    return moveTo(1);
}

const SqliteTable::CachedValue* SqliteTable::cachedRead(int column) {
    if (m_wanted.size() != m_columns.size()) m_wanted.assign(m_columns.size(), false);
    m_wanted[static_cast<size_t>(column - 1)] = true;
    const auto held = [&] {
        const auto it = std::find(m_block.columns.begin(), m_block.columns.end(), column);
        return it == m_block.columns.end() ? -1 : static_cast<int>(it - m_block.columns.begin());
    };
    int slot = held();
    const int offset = m_current - m_block.first;
    if (m_block.first == 0 || offset < 0 || offset >= m_block.rows || slot < 0) {
        fillBlock();
        slot = held();
    }
    const CachedValue& v =
        m_block.values[static_cast<size_t>(m_current - m_block.first) * m_block.columns.size() +
                       static_cast<size_t>(slot)];
    return v.present ? &v : nullptr;
}

void SqliteTable::dropReadAhead() {
    m_block = Block{};
    m_wanted.clear();
}

void SqliteTable::fillBlock() {
    // Scans read the fields of record after record; one statement fetches a run of records
    // with every field the scan has asked for, which reads the table once, not once a field.
    constexpr int kRun = 256;
    Block& block = m_block;
    block = Block{};
    block.first = m_current;
    std::string columns;
    for (size_t c = 0; c < m_wanted.size(); ++c) {
        if (!m_wanted[c]) continue;
        block.columns.push_back(static_cast<int>(c) + 1);
        columns += ", " + quoted(m_columns[c]);
    }
    const size_t width = block.columns.size();
    sqlite3_stmt* stmt =
        statement("SELECT _ROWID_" + columns + " FROM " + quoted(m_table) +
                  " WHERE _ROWID_ >= ? ORDER BY _ROWID_ LIMIT " + std::to_string(kRun));
    const size_t count = m_rowids.size();
    size_t index = static_cast<size_t>(m_current - 1);
    auto absentRecord = [&] {
        block.values.resize(block.values.size() + width);
        ++block.rows;
    };
    int rows = 0;
    bool complete = stmt != nullptr;
    if (stmt) {
        sqlite3_bind_int64(stmt, 1, m_rowids.at(index));
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            ++rows;
            const std::int64_t rowid = sqlite3_column_int64(stmt, 0);
            // Records of the snapshot with no row here were deleted behind the cursor's back.
            for (; index < count && m_rowids.at(index) < rowid; ++index) absentRecord();
            if (index >= count || m_rowids.at(index) != rowid)
                continue;  // added since the snapshot
            for (size_t k = 0; k < width; ++k) {
                const int c = static_cast<int>(k) + 1;
                const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                CachedValue v;
                v.present = true;
                if (bytes) v.text.assign(bytes, static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
                v.integer = sqlite3_column_int(stmt, c);
                block.values.push_back(std::move(v));
            }
            ++block.rows;
            ++index;
        }
        complete = rc == SQLITE_DONE;
        sqlite3_reset(stmt);
    }
    if (!complete) m_readFailed = true;
    // Fewer rows than asked for means the table ends here: the rest of the snapshot is gone.
    if (complete && rows < kRun)
        for (; index < count; ++index) absentRecord();
    if (block.rows == 0) absentRecord();  // the current record, unreadable
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

std::vector<int> SqliteTable::findAll(Field field, std::string_view text) {
    if (!isOpen()) return {};
    return find(resolve(field), Key{text});
}

std::vector<int> SqliteTable::findAll(Field field, int value) {
    if (!isOpen()) return {};
    return find(resolve(field), Key{value});
}

namespace {

// A column's text as readText gives it: empty for NULL and for malformed UTF-8.
std::string_view readableText(sqlite3_stmt* stmt, int column) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    const std::string_view text =
        bytes ? std::string_view(bytes, static_cast<size_t>(sqlite3_column_bytes(stmt, column)))
              : std::string_view();
    return util::isValidUtf8(text) ? text : std::string_view();
}

// What a read of the current value gives, as readText and readInt give it.
bool readsAs(sqlite3_stmt* stmt, int column, const std::variant<std::string_view, int>& key) {
    if (const int* value = std::get_if<int>(&key))
        return sqlite3_column_int(stmt, column) == *value;
    return readableText(stmt, column) == std::get<std::string_view>(key);
}

}  // namespace

std::vector<int> SqliteTable::findWhere(Field field,
                                        const std::function<bool(std::string_view)>& test,
                                        const std::vector<TextRange>& only) {
    std::vector<int> numbers;
    m_readFailed = false;
    if (!isOpen()) return numbers;
    if (!syncRowids(true)) {
        m_readFailed = true;
        return numbers;
    }
    const int column = resolve(field);
    if (column != 0 && !only.empty() && !m_db->literalWalks() &&
        m_affinities[static_cast<size_t>(column - 1)] == 'T' &&
        m_binary[static_cast<size_t>(column - 1)] && rangeFind(column, test, only, numbers))
        return numbers;
    m_readFailed = false;  // what follows reads it all again
    numbers.clear();
    sqlite3_stmt* stmt =
        column == 0 || m_db->literalWalks()
            ? nullptr
            : statement("SELECT _ROWID_, " + quoted(m_columns[static_cast<size_t>(column - 1)]) +
                        " FROM " + quoted(m_table) + " ORDER BY _ROWID_");
    if (!stmt) {
        const int current = m_current;
        dropReadAhead();
        for (int n = 1; n <= recordCount(); ++n) {
            m_current = n;
            if (test(readText(field))) numbers.push_back(n);
        }
        m_current = current;
        return numbers;
    }
    // Merged with the rowid list: a record with no row reads as empty, as a walk reads it.
    size_t index = 0;
    const size_t count = m_rowids.size();
    auto passEmptyUpTo = [&](std::int64_t rowid) {
        for (; index < count && m_rowids.at(index) < rowid; ++index)
            if (test({})) numbers.push_back(static_cast<int>(index) + 1);
    };
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const std::int64_t rowid = sqlite3_column_int64(stmt, 0);
        passEmptyUpTo(rowid);
        if (index >= count || m_rowids.at(index) != rowid) continue;
        if (test(readableText(stmt, 1))) numbers.push_back(static_cast<int>(index) + 1);
        ++index;
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) {
        m_readFailed = true;
        return {};
    }
    passEmptyUpTo(std::numeric_limits<std::int64_t>::max());
    if (index < count && test({})) numbers.push_back(static_cast<int>(index) + 1);
    return numbers;
}

bool SqliteTable::rangeFind(int column, const std::function<bool(std::string_view)>& test,
                            const std::vector<TextRange>& only, std::vector<int>& numbers) {
    // In a text column that compares bytes, numbers are stored as text, so the texts in the
    // ranges are all that can pass; blobs (above every text) are read too.
    const std::string name = quoted(m_columns[static_cast<size_t>(column - 1)]);
    sqlite3_stmt* range = statement("SELECT _ROWID_, " + name + " FROM " + quoted(m_table) +
                                    " WHERE " + name + " >= ?1 AND " + name + " < ?2");
    sqlite3_stmt* blobs = statement("SELECT _ROWID_, " + name + " FROM " + quoted(m_table) +
                                    " WHERE " + name + " >= CAST(X'' AS BLOB)");
    if (!range || !blobs) return false;
    // Overlapping ranges (a day's "2022-1-1" holds the "2022-1-10" of nine more) are joined,
    // so no row is read twice; then each is asked for on its own: hundreds of ranges in one
    // OR (a month of single-digit days) made the planner read the whole table instead.
    std::vector<TextRange> ranges(only);
    std::sort(ranges.begin(), ranges.end(),
              [](const TextRange& a, const TextRange& b) { return a.from < b.from; });
    std::vector<TextRange> joined;
    for (auto& r : ranges) {
        if (r.from >= r.to) continue;
        if (!joined.empty() && r.from <= joined.back().to)
            joined.back().to = std::max(joined.back().to, r.to);
        else
            joined.push_back(std::move(r));
    }
    const auto passes = [&] { return test(readableText(range, 1)); };
    numbers.clear();
    for (const TextRange& r : joined) {
        sqlite3_bind_text(range, 1, r.from.data(), static_cast<int>(r.from.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(range, 2, r.to.data(), static_cast<int>(r.to.size()), SQLITE_TRANSIENT);
        if (!collectMore(range, passes, numbers)) return false;
    }
    if (!collectMore(
            blobs, [&] { return test(readableText(blobs, 1)); }, numbers))
        return false;
    std::sort(numbers.begin(), numbers.end());
    return true;
}

std::vector<int> SqliteTable::find(int column, const Key& key) {
    m_readFailed = false;
    std::vector<int> numbers;
    if (!syncRowids(true)) {
        m_readFailed = true;
        return numbers;
    }
    if (column == 0) {
        // A field the table lacks reads as empty or 0 in every record.
        const bool failureValue = std::holds_alternative<int>(key)
                                      ? std::get<int>(key) == 0
                                      : std::get<std::string_view>(key).empty();
        if (failureValue)
            for (int n = 1; n <= recordCount(); ++n) numbers.push_back(n);
        return numbers;
    }
    if (!m_db->literalWalks() && indexedFind(column, key, numbers)) return numbers;
    m_readFailed = false;  // the walk reads it all again
    return walkFind(column, key);
}

std::vector<int> SqliteTable::walkFind(int column, const Key& key) {
    std::vector<int> numbers;
    const int current = m_current;
    dropReadAhead();
    for (int n = 1; n <= recordCount(); ++n) {
        m_current = n;
        const CachedValue* v = cachedRead(column);
        const bool match = std::holds_alternative<int>(key)
                               ? (v ? v->integer : 0) == std::get<int>(key)
                               : (v && util::isValidUtf8(v->text)
                                      ? std::string_view(v->text)
                                      : std::string_view()) == std::get<std::string_view>(key);
        if (match) numbers.push_back(n);
    }
    m_current = current;
    return numbers;
}

bool SqliteTable::indexedFind(int column, const Key& key, std::vector<int>& numbers) {
    // The statement selects a superset of the matches that an index on the column can serve;
    // each candidate is then compared exactly as a read compares it. Only where the column's
    // type affinity lets comparisons in SQL be trusted for that: otherwise walk.
    const char affinity = m_affinities[static_cast<size_t>(column - 1)];
    const std::string name = quoted(m_columns[static_cast<size_t>(column - 1)]);
    std::string where;
    if (std::holds_alternative<int>(key)) {
        // In a numeric column the values that can read as `value`: NULL (as 0), numbers within
        // one of it (reals are truncated), numbers outside 32 bits (cut to 32) and texts and
        // blobs, which sort above every number.
        if (affinity != 'I' && affinity != 'R' && affinity != 'N') return false;
        where = name + " IS NULL OR (" + name + " > ?1 AND " + name + " < ?2) OR " + name +
                " > 2147483647 OR " + name + " < -2147483648";
    } else {
        // In a text column numbers are stored as text, so a value reading as a non-empty text
        // is that text, or a blob (blobs sort above every text). An empty text is also what
        // NULL and malformed UTF-8 read as, which no index finds: walk for it.
        const std::string_view text = std::get<std::string_view>(key);
        if (affinity != 'T' || text.empty() || !util::isValidUtf8(text)) return false;
        where = name + " = ?1 OR " + name + " >= CAST(X'' AS BLOB)";
    }
    sqlite3_stmt* stmt =
        statement("SELECT _ROWID_, " + name + " FROM " + quoted(m_table) + " WHERE " + where);
    if (!stmt) return false;
    if (const int* value = std::get_if<int>(&key)) {
        sqlite3_bind_int64(stmt, 1, static_cast<sqlite3_int64>(*value) - 1);
        sqlite3_bind_int64(stmt, 2, static_cast<sqlite3_int64>(*value) + 1);
    } else {
        const std::string_view text = std::get<std::string_view>(key);
        sqlite3_bind_text(stmt, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    return collect(
        stmt, [&] { return readsAs(stmt, 1, key); }, numbers);
}

bool SqliteTable::collect(sqlite3_stmt* stmt, const std::function<bool()>& passes,
                          std::vector<int>& numbers) {
    numbers.clear();
    const bool read = collectMore(stmt, passes, numbers);
    // Sorted here rather than by SQL, so the planner never trades the index for a rowid scan.
    std::sort(numbers.begin(), numbers.end());
    return read;
}

bool SqliteTable::collectMore(sqlite3_stmt* stmt, const std::function<bool()>& passes,
                              std::vector<int>& numbers) {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (!passes()) continue;
        const std::int64_t rowid = sqlite3_column_int64(stmt, 0);
        const std::ptrdiff_t index = m_rowids.indexOf(rowid);
        if (index >= 0) numbers.push_back(static_cast<int>(index) + 1);
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) {
        m_readFailed = true;
        numbers.clear();
    }
    return rc == SQLITE_DONE;
}

std::int64_t SqliteTable::RowValues::rowid() const {
    return sqlite3_column_int64(m_stmt, 0);
}

std::string_view SqliteTable::RowValues::text(size_t i) const {
    const int column = (*m_columns)[i];
    return column == 0 ? std::string_view() : readableText(m_stmt, static_cast<int>(i) + 1);
}

int SqliteTable::RowValues::integer(size_t i) const {
    const int column = (*m_columns)[i];
    return column == 0 ? 0 : sqlite3_column_int(m_stmt, static_cast<int>(i) + 1);
}

bool SqliteTable::forEachRow(const std::vector<Field>& fields,
                             const std::function<void(const RowValues& row)>& visit) {
    return visitRows(fields, nullptr, visit);
}

bool SqliteTable::forEachRowBetween(const std::vector<Field>& fields, std::int64_t from,
                                    std::int64_t to,
                                    const std::function<void(const RowValues& row)>& visit) {
    const std::int64_t between[] = {from, to};
    return visitRows(fields, between, visit);
}

bool SqliteTable::visitRows(const std::vector<Field>& fields, const std::int64_t* between,
                            const std::function<void(const RowValues& row)>& visit) {
    m_readFailed = false;
    if (!isOpen()) return false;
    std::vector<int> columns;
    std::string list;
    for (const Field& field : fields) {
        const int column = resolve(field);
        columns.push_back(column);
        // A field the table lacks reads as empty and 0 in every record.
        list += ", " + (column == 0 ? std::string("NULL")
                                    : quoted(m_columns[static_cast<size_t>(column - 1)]));
    }
    // Measuring the walk itself reads record by record through the rowid list, as it did.
    const bool literal = m_db->literalWalks() && !between;
    const std::string from =
        literal   ? " FROM " + quoted(m_table) + " WHERE _ROWID_ = ?"
        : between ? " FROM " + quoted(m_table) + " WHERE _ROWID_ BETWEEN ? AND ? ORDER BY _ROWID_"
                  : " FROM " + quoted(m_table) + " ORDER BY _ROWID_";
    sqlite3_stmt* stmt = statement("SELECT _ROWID_" + list + from);
    if (!stmt) return false;
    if (between) {
        sqlite3_bind_int64(stmt, 1, between[0]);
        sqlite3_bind_int64(stmt, 2, between[1]);
    }
    RowValues row;
    row.m_stmt = stmt;
    row.m_columns = &columns;
    int rc = SQLITE_DONE;
    if (literal) {
        moveFirst();
        for (int n = 1, count = recordCount(); n <= count && rc == SQLITE_DONE; ++n, skip()) {
            sqlite3_bind_int64(stmt, 1, rowid());
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) visit(row);
            if (rc == SQLITE_ROW) rc = SQLITE_DONE;
            sqlite3_reset(stmt);
        }
    } else {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) visit(row);
        sqlite3_reset(stmt);
    }
    if (rc != SQLITE_DONE) m_readFailed = true;
    return !m_readFailed;
}

SqliteTable::Stored SqliteTable::readStored(Field field) {
    Stored value;
    const int column = resolve(field);
    if (column == 0 || !hasCurrent()) return value;
    sqlite3_stmt* stmt = statement("SELECT " + quoted(m_columns[static_cast<size_t>(column - 1)]) +
                                   " FROM " + quoted(m_table) + " WHERE _ROWID_ = ?");
    if (!stmt) return value;
    sqlite3_bind_int64(stmt, 1, m_rowids.at(static_cast<size_t>(m_current - 1)));
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        value.type = sqlite3_column_type(stmt, 0);
        // Blobs and texts as their bytes; numbers as their text, which tells them apart too.
        const void* bytes =
            value.type == SQLITE_BLOB ? sqlite3_column_blob(stmt, 0) : sqlite3_column_text(stmt, 0);
        if (bytes)
            value.bytes.assign(static_cast<const char*>(bytes),
                               static_cast<size_t>(sqlite3_column_bytes(stmt, 0)));
    } else {
        m_readFailed = true;
    }
    sqlite3_reset(stmt);
    return value;
}

std::vector<int> SqliteTable::findStored(Field field, const Stored& value) {
    m_readFailed = false;
    std::vector<int> numbers;
    const int column = resolve(field);
    if (!isOpen() || column == 0 || value.type == 0 || !syncRowids(true)) {
        m_readFailed = true;
        return numbers;
    }
    const std::string name = quoted(m_columns[static_cast<size_t>(column - 1)]);
    // Same type and the same bytes (numbers by their text), whatever the column's collation.
    // Only for values no index can find, so a scan is no loss.
    sqlite3_stmt* stmt = statement("SELECT _ROWID_ FROM " + quoted(m_table) + " WHERE typeof(" +
                                   name + ") = ?2 AND (" + name + " IS NULL OR CAST(" + name +
                                   " AS BLOB) = CAST(?1 AS BLOB))");
    if (!stmt) return numbers;
    static constexpr const char* kTypes[] = {"", "integer", "real", "text", "blob", "null"};
    const char* type = value.type >= 1 && value.type <= 5 ? kTypes[value.type] : "";
    sqlite3_bind_blob(stmt, 1, value.bytes.data(), static_cast<int>(value.bytes.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, type, -1, SQLITE_STATIC);
    collect(
        stmt, [] { return true; }, numbers);
    return numbers;
}

bool SqliteTable::store(Field field, Value value) {
    if (!isOpen()) return false;
    const int column = resolve(field);
    if (column == 0 || m_buffers.empty()) {
        // A record written without one of its fields would be a different record: the
        // update that follows fails instead of storing the rest as if all went well.
        m_writeFailed = true;
        return false;
    }
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
    m_writeFailed = false;
    m_mode = CursorMode::Adding;
    return true;
}

bool SqliteTable::edit() {
    if (!isOpen() || !hasCurrent()) return false;
    m_buffers.assign(m_columns.size(), Value{});
    m_writeFailed = false;
    m_mode = CursorMode::Editing;
    return true;
}

bool SqliteTable::update() {
    if (!isOpen() || (m_mode != CursorMode::Adding && m_mode != CursorMode::Editing)) return false;
    if (fieldCount() < 1 || m_buffers.empty()) return false;
    if (m_writeFailed) return false;
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
    const std::int64_t rowid = editing ? m_rowids.at(static_cast<size_t>(m_current - 1)) : 0;
    if (editing) sqlite3_bind_int64(stmt, parameter, rowid);
    const std::uint64_t before = m_db->changesOf(m_table).generation;
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) {
        // A statement that failed may still have run triggers before it was undone.
        if (m_db->changesOf(m_table).generation != before) m_rowidsValid = false;
        return false;
    }
    m_mode = CursorMode::Browsing;
    const int current = m_current;
    ownWriteDone(editing ? SQLITE_UPDATE : SQLITE_INSERT, rowid, before);
    m_current = current;
    return true;
}

bool SqliteTable::deleteCurrent() {
    if (!isOpen() || !hasCurrent()) return false;
    bool ran = false;
    const std::int64_t rowid = m_rowids.at(static_cast<size_t>(m_current - 1));
    const std::uint64_t before = m_db->changesOf(m_table).generation;
    if (sqlite3_stmt* stmt = statement("DELETE FROM " + quoted(m_table) + " WHERE _ROWID_ = ?")) {
        sqlite3_bind_int64(stmt, 1, rowid);
        ran = sqlite3_step(stmt) == SQLITE_DONE;
        sqlite3_reset(stmt);
    }
    if (ran)
        ownWriteDone(SQLITE_DELETE, rowid, before);
    else
        reloadRowids();
    m_buffers.clear();
    m_current = 0;
    return ran;
}

}  // namespace tablora::data
