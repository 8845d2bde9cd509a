#include "data/backup.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "data/sqlite_db.h"
#include "data/statements.h"

namespace tablora::data {
namespace fs = std::filesystem;
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

long long count(sqlite3* db) {
    const std::string n = single(db, "SELECT count(*) FROM 流水");
    return n.empty() ? -1 : std::stoll(n);
}

bool openReadOnly(const std::string& path, Connection& c) {
    if (sqlite3_open_v2(path.c_str(), &c.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return false;
    // The program may be writing: wait for it as it waits for others.
    sqlite3_busy_timeout(c.db, 2000);
    return true;
}

bool isBusy(sqlite3* db) {
    const int code = sqlite3_errcode(db) & 0xFF;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

// "cysj-YYYYMMDD-HHMMSS.db" read back; nothing for any other name.
std::optional<util::CalendarTime> timeOfName(const std::string& name) {
    if (name.size() != 23 || name.compare(0, 5, "cysj-") != 0 || name[13] != '-' ||
        name.compare(20, 3, ".db") != 0)
        return std::nullopt;
    for (int i : {5, 6, 7, 8, 9, 10, 11, 12, 14, 15, 16, 17, 18, 19})
        if (name[i] < '0' || name[i] > '9') return std::nullopt;
    const auto number = [&](int at, int digits) { return std::stoi(name.substr(at, digits)); };
    return util::CalendarTime{number(5, 4),  number(9, 2),  number(11, 2),
                              number(14, 2), number(16, 2), number(18, 2)};
}

// Copies everything of `from` into `to`. From a file whose moment is fixed, in one go; else a
// few hundred pages a step with the file let go between steps, so a writer waits a few
// milliseconds at most. A write by another connection restarts the copy, and a till writing
// every few milliseconds would restart it for ever: after a few steps that got no nearer the
// end, the rest goes in one step, holding writers up for that once (they wait their timeout).
bool copyAll(sqlite3* to, sqlite3* from, bool pinned) {
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) return false;
    constexpr int kStalledSteps = 3;
    int stalled = 0;
    int nearest = -1;
    int rc;
    do {
        rc = sqlite3_backup_step(backup, pinned || stalled >= kStalledSteps ? -1 : 256);
        const int left = sqlite3_backup_remaining(backup);
        if (nearest < 0 || left < nearest)
            nearest = left;
        else
            ++stalled;
        if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) sqlite3_sleep(2);
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    return sqlite3_backup_finish(backup) == SQLITE_OK && rc == SQLITE_DONE;
}

// Puts a written file on the disk a few megabytes at a time. One flush of the whole copy would
// fill the disk's queue for a while, and the program's next commit would wait behind it.
bool flushGently(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    constexpr off_t kChunk = 4 << 20;
    for (off_t at = 0; at < size; at += kChunk)
        ::sync_file_range(
            fd, at, kChunk,
            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    const bool ok = ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

BackupCopy::~BackupCopy() {
    if (m_source) {
        sqlite3_exec(m_source, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_source);
    }
}

bool BackupCopy::begin(const std::string& source) {
    m_path = source;
    std::error_code error;
    if (!fs::is_regular_file(source, error)) {
        m_error = "数据库文件不存在：" + source;
        return false;
    }
    // Opened for writing where it may be (nothing is written): the last connection to close
    // then tidies the write-ahead log away, as the program's own does.
    Connection c;
    bool opened =
        sqlite3_open_v2(source.c_str(), &c.db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    if (opened)
        sqlite3_busy_timeout(c.db, 2000);
    else {
        sqlite3_close_v2(c.db);
        c.db = nullptr;
        opened = openReadOnly(source, c);
    }
    const std::string mode = opened ? single(c.db, "PRAGMA journal_mode") : "";
    if (mode.empty() || single(c.db, "SELECT count(*) FROM sqlite_master").empty()) {
        m_error = opened && isBusy(c.db) ? "数据库文件正忙，请稍后再备份：" + source
                                         : "数据库文件已损坏，无法备份：" + source;
        return false;
    }
    // In write-ahead-log mode an open read fixes the moment and holds up no writer. In the old
    // mode it would hold every writer up for the whole copy, so the copy goes a step at a time.
    if (mode == "wal") {
        m_pinned = sqlite3_exec(c.db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK &&
                   (m_journalRecords = count(c.db)) >= 0;
        if (!m_pinned) sqlite3_exec(c.db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (!m_pinned) m_journalRecords = -1;  // what the copy holds is known only once made
    m_source = c.db;
    c.db = nullptr;
    return true;
}

BackupResult BackupCopy::copyInto(const std::string& folder, const util::CalendarTime& now) {
    BackupResult result;
    std::error_code error;
    if (!m_source) {
        result.error = m_error.empty() ? "没有要备份的数据库文件。" : m_error;
        return result;
    }
    if (!fs::is_directory(folder, error)) {
        result.error = "备份文件夹不存在：" + folder;
        return result;
    }
    const std::string name = "cysj-" + stamp(now) + ".db";
    const fs::path target = fs::path(folder) / name;
    const fs::path part = fs::path(folder) / ("." + name + ".part");
    fs::remove(part, error);
    enum { Copied, WriteFailed, SourceBad } outcome = WriteFailed;
    {
        Connection to;
        if (sqlite3_open_v2(part.c_str(), &to.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) == SQLITE_OK &&
            sqlite3_exec(to.db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr) == SQLITE_OK &&
            copyAll(to.db, m_source, m_pinned)) {
            // The copy carries the file's write-ahead-log mark; a copy is one file on its own.
            sqlite3_close_v2(to.db);
            to.db = nullptr;
            if (sqlite3_open_v2(part.c_str(), &to.db, SQLITE_OPEN_READWRITE, nullptr) ==
                    SQLITE_OK &&
                sqlite3_exec(to.db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr) ==
                    SQLITE_OK &&
                single(to.db, "PRAGMA journal_mode=DELETE") == "delete") {
                const long long records = count(to.db);
                if (single(to.db, "PRAGMA integrity_check") != "ok" || records < 0 ||
                    (m_journalRecords >= 0 && records != m_journalRecords)) {
                    outcome = SourceBad;
                } else {
                    outcome = Copied;
                    result.journalRecords = records;
                }
            }
        } else if (to.db && (sqlite3_errcode(m_source) & 0xFF) == SQLITE_CORRUPT) {
            outcome = SourceBad;
        }
    }
    // On the disk before it gets its name, the name then a good copy even after a power cut.
    if (outcome == Copied && !flushGently(part)) outcome = WriteFailed;
    if (outcome == Copied) fs::rename(part, target, error);
    if (outcome != Copied || error) {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            fs::remove(part.string() + suffix, error);
        result.error = outcome == SourceBad
                           ? "数据库文件已损坏，无法备份：" + m_path
                           : "备份失败，请检查备份文件夹是否可写、空间是否足够：" + folder;
        return result;
    }
    result.ok = true;
    result.path = target.string();
    return result;
}

BackupResult backupDatabase(const std::string& source, const std::string& folder,
                            const util::CalendarTime& now) {
    BackupCopy copy;
    if (!copy.begin(source)) return {false, "", copy.error(), 0};
    return copy.copyInto(folder, now);
}

std::vector<BackupFile> listBackups(const std::string& folder) {
    std::vector<BackupFile> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const auto time = timeOfName(it->path().filename().string());
        if (!time || !it->is_regular_file(error)) continue;
        const auto bytes = it->file_size(error);
        files.push_back({it->path().string(), *time, error ? 0 : static_cast<long long>(bytes)});
    }
    // The names sort as the times do.
    std::sort(files.begin(), files.end(), [](const BackupFile& a, const BackupFile& b) {
        return fs::path(a.path).filename() > fs::path(b.path).filename();
    });
    return files;
}

long long journalRecordsOf(const std::string& copy) {
    Connection c;
    return openReadOnly(copy, c) ? count(c.db) : -1;
}

std::vector<std::string> pruneBackups(const std::string& folder, const util::CalendarTime& now,
                                      int keep, int months, const std::string& spared) {
    const auto files = listBackups(folder);  // newest first
    std::vector<bool> kept(files.size(), false);
    for (size_t i = 0; i < files.size() && static_cast<int>(i) < keep; ++i) kept[i] = true;
    // The first copy of each month: the last one met walking from the newest.
    std::map<int, size_t> firstOfMonth;
    for (size_t i = 0; i < files.size(); ++i)
        firstOfMonth[files[i].time.year * 12 + files[i].time.month - 1] = i;
    const int thisMonth = now.year * 12 + now.month - 1;
    for (const auto& [month, index] : firstOfMonth)
        if (month <= thisMonth && month > thisMonth - months) kept[index] = true;
    std::error_code error;
    for (size_t i = 0; i < files.size(); ++i)
        if (!spared.empty() && fs::equivalent(files[i].path, spared, error)) kept[i] = true;
    std::vector<std::string> deleted;
    for (size_t i = 0; i < files.size(); ++i)
        if (!kept[i] && fs::remove(files[i].path, error)) deleted.push_back(files[i].path);
    // A copy cut short (the program killed while copying) leaves its part; another copy may be
    // under way now, so only a day-old one is taken away.
    const auto dayAgo = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code timeError;
        if (name.rfind(".cysj-", 0) == 0 && name.find(".part") != std::string::npos &&
            it->last_write_time(timeError) < dayAgo && !timeError)
            fs::remove(it->path(), timeError);
    }
    return deleted;
}

FileCheck checkDatabaseFile(const std::string& path, bool whole) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return FileCheck::Missing;
    // SQLite takes an empty file for an empty database and would write its tables into it; a
    // cysj.db that lost its content is damaged all the same.
    if (fs::file_size(path, error) == 0 && !error) return FileCheck::Damaged;
    Connection c;
    if (!openReadOnly(path, c)) return FileCheck::Good;  // not ours to judge: it is not readable
    const std::string check = whole ? single(c.db, "PRAGMA quick_check")
                                    : single(c.db, "SELECT count(*) FROM sqlite_master");
    if (check == "ok" || (!whole && !check.empty())) return FileCheck::Good;
    if (check.empty() && isBusy(c.db)) return FileCheck::Good;
    const int code = sqlite3_errcode(c.db) & 0xFF;
    if (check.empty() && code != SQLITE_CORRUPT && code != SQLITE_NOTADB) return FileCheck::Good;
    return FileCheck::Damaged;
}

std::string newestGoodBackup(const std::vector<std::string>& folders) {
    std::vector<BackupFile> all;
    for (const auto& folder : folders) {
        auto files = listBackups(folder);
        all.insert(all.end(), files.begin(), files.end());
    }
    std::stable_sort(all.begin(), all.end(), [](const BackupFile& a, const BackupFile& b) {
        return fs::path(a.path).filename() > fs::path(b.path).filename();
    });
    for (const auto& file : all) {
        Connection c;
        if (openReadOnly(file.path, c) && single(c.db, "PRAGMA quick_check") == "ok")
            return file.path;
    }
    return {};
}

std::string replaceWithBackup(const std::string& path, const std::string& copy,
                              const util::CalendarTime& now, std::string* keptAs) {
    const fs::path file(path);
    const fs::path kept = file.parent_path() / ("cysj-已损坏-" + stamp(now) + ".db");
    const fs::path part = file.parent_path() / ("." + file.filename().string() + ".restore");
    std::error_code error;
    fs::remove(part, error);
    // The copy is written first: the damaged file is moved only once there is one to put back.
    {
        Connection from, to;
        if (!openReadOnly(copy, from) ||
            sqlite3_open_v2(part.c_str(), &to.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK ||
            !copyAll(to.db, from.db, true)) {
            sqlite3_close_v2(to.db);
            to.db = nullptr;
            for (const char* suffix : {"", "-journal"}) fs::remove(part.string() + suffix, error);
            return "备份文件无法读取：" + copy;
        }
    }
    fs::rename(file, kept, error);
    if (error) {
        fs::remove(part, error);
        return "数据库文件无法改名：" + path;
    }
    // Its log belongs to it: left beside the restored file it would be read into it.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        std::error_code ignored;
        if (fs::exists(path + suffix, ignored))
            fs::rename(path + suffix, kept.string() + suffix, ignored);
    }
    fs::rename(part, file, error);
    if (error) return "数据库文件无法恢复：" + path;
    if (keptAs) *keptAs = kept.string();
    return {};
}

std::string restoreInto(SqliteDB& live, const std::string& copy) {
    if (!live.isOpen()) return "数据库没有打开。";
    Connection from;
    if (!openReadOnly(copy, from) || single(from.db, "PRAGMA quick_check") != "ok")
        return "备份文件已损坏或无法读取：" + copy;
    live.closeCursors();
    if (!copyAll(live.handle(), from.db, true)) return "恢复失败：" + copy;
    return {};
}

}  // namespace tablora::data
