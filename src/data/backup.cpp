#include "data/backup.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>

namespace tablora::data {
namespace {

// Closes a connection however it was left.
struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
};

std::string stamp(const util::CalendarTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

// The single text a statement gives, or empty.
std::string single(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        if (text) value = text;
    }
    sqlite3_finalize(stmt);
    return value;
}

}  // namespace

BackupResult backupDatabase(const std::string& source, const std::string& folder,
                            const util::CalendarTime& now) {
    namespace fs = std::filesystem;
    BackupResult result;
    std::error_code error;
    if (!fs::is_regular_file(source, error)) {
        result.error = "数据库文件不存在：" + source;
        return result;
    }
    if (!fs::is_directory(folder, error)) {
        result.error = "备份文件夹不存在：" + folder;
        return result;
    }
    Connection from;
    const bool opened =
        sqlite3_open_v2(source.c_str(), &from.db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
    // The program may be writing: wait for it as it waits for others, so a busy file is not
    // taken for a damaged one.
    if (opened) sqlite3_busy_timeout(from.db, 2000);
    const std::string check = opened ? single(from.db, "PRAGMA quick_check") : "";
    if (check != "ok") {
        const int code = opened ? sqlite3_errcode(from.db) & 0xFF : SQLITE_CANTOPEN;
        result.error = code == SQLITE_BUSY || code == SQLITE_LOCKED
                           ? "数据库文件正忙，请稍后再备份：" + source
                           : "数据库文件已损坏，无法备份：" + source;
        return result;
    }
    const std::string name = "cysj-" + stamp(now) + ".db";
    const fs::path target = fs::path(folder) / name;
    const fs::path part = fs::path(folder) / ("." + name + ".part");
    fs::remove(part, error);
    bool copied = false;
    {
        Connection to;
        if (sqlite3_open_v2(part.c_str(), &to.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) == SQLITE_OK) {
            if (sqlite3_backup* backup = sqlite3_backup_init(to.db, "main", from.db, "main")) {
                // A few hundred pages a step, the file let go between steps, so the program's
                // own writes wait a few milliseconds at most.
                int rc;
                do {
                    rc = sqlite3_backup_step(backup, 256);
                    if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                        sqlite3_sleep(2);
                } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
                copied = sqlite3_backup_finish(backup) == SQLITE_OK && rc == SQLITE_DONE;
            }
            copied = copied && single(to.db, "PRAGMA integrity_check") == "ok";
            const std::string count = copied ? single(to.db, "SELECT count(*) FROM 流水") : "";
            copied = copied && !count.empty();
            if (copied) result.journalRecords = std::stoll(count);
        }
    }
    if (!copied) {
        fs::remove(part, error);
        result.error = "备份失败，请检查备份文件夹是否可写、空间是否足够：" + folder;
        return result;
    }
    fs::rename(part, target, error);
    if (error) {
        fs::remove(part, error);
        result.error = "备份失败，请检查备份文件夹：" + folder;
        return result;
    }
    result.ok = true;
    result.path = target.string();
    return result;
}

}  // namespace tablora::data
