#pragma once

// Plain statements on a connection, for the data layer's own files.
#include <sqlite3.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tablora::data {

// A column's text as SQLite holds it, valid until the statement steps again.
inline std::string_view columnView(sqlite3_stmt* stmt, int column) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return t ? std::string_view(t, static_cast<size_t>(sqlite3_column_bytes(stmt, column)))
             : std::string_view();
}

// Steps a statement with `texts` bound to ?1, ?2, …, handing each row to `row`; false when it
// could not be prepared or read whole.
template <class Row>
bool forEachRow(sqlite3* db, const char* sql, Row&& row,
                const std::vector<std::string>& texts = {}) {
    sqlite3_stmt* stmt = nullptr;
    if (!db || sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return false;
    }
    for (size_t i = 0; i < texts.size(); ++i)
        sqlite3_bind_text(stmt, static_cast<int>(i + 1), texts[i].data(),
                          static_cast<int>(texts[i].size()), SQLITE_STATIC);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) row(stmt);
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

// The text of the first column of the first row, or empty.
inline std::string single(sqlite3* db, const char* sql) {
    std::string value;
    bool first = true;
    forEachRow(db, sql, [&](sqlite3_stmt* stmt) {
        if (std::exchange(first, false)) value = columnView(stmt, 0);
    });
    return value;
}

}  // namespace tablora::data
