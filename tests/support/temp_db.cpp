#include "support/temp_db.h"
#include <cstdio>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>

#include "data/data_context.h"

namespace tablora::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tablora-XXXXXX").string();
    m_dir = ::mkdtemp(pattern.data());
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_dir, ec);
}

bool execSql(const std::string& dbPath, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    // As a well-behaved other program: it waits a moment for a write of the program's.
    sqlite3_busy_timeout(db, 2000);
    const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

std::string querySql(const std::string& dbPath, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string result = "<error>";
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
            const int rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                const auto* text = sqlite3_column_text(stmt, 0);
                result = text ? reinterpret_cast<const char*>(text) : "";
            } else if (rc == SQLITE_DONE) {
                result = "";
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

OutsideLock::OutsideLock(const std::string& dbPath, bool exclusive) {
    if (sqlite3_open_v2(dbPath.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return;
    if (exclusive)
        m_held = sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    else
        sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
}

OutsideLock::~OutsideLock() {
    if (m_held) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

void damageFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) std::abort();
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 4096, SEEK_SET);
    for (long at = 4096; at < size; ++at) std::fputc(static_cast<int>((at * 7919) & 0xFF), f);
    std::fclose(f);
}

std::string makeDemoDatabase(const TempDir& dir, const std::string& name) {
    const std::string path = dir.path(name);
    if (!data::createDemoDatabase(path, "经理", "888888").empty()) std::abort();
    return path;
}

}  // namespace tablora::test
