#pragma once

#include <string>
#include <vector>

#include "util/date_time.h"

struct sqlite3;

namespace tablora::data {

class SqliteDB;

struct BackupResult {
    bool ok = false;
    std::string path;   // the copy, when made
    std::string error;  // why not, in Chinese, for the person
    long long journalRecords = 0;
};

// A backup of the database file as it was at one moment. begin() opens the file and, in
// write-ahead-log mode, fixes that moment at once (the writes that follow go on without waiting
// and are not in the copy); copyInto() then reads the whole file, on any one thread. A copy is
// written under a name that does not end in ".db", checked (integrity_check, and its journal
// records counted against the file's) and only then named cysj-YYYYMMDD-HHMMSS.db: every
// cysj-*.db in a backup folder is a good copy.
class BackupCopy {
  public:
    BackupCopy() = default;
    ~BackupCopy();
    BackupCopy(const BackupCopy&) = delete;
    BackupCopy& operator=(const BackupCopy&) = delete;

    // False, with error() saying why, when there is no file to copy or it cannot be read.
    bool begin(const std::string& source);
    const std::string& error() const { return m_error; }
    // One checked copy into `folder`, named by `now`; may be called for several folders.
    BackupResult copyInto(const std::string& folder, const util::CalendarTime& now);

  private:
    sqlite3* m_source = nullptr;
    std::string m_path, m_error;
    bool m_pinned = false;  // the moment is fixed by an open read
    long long m_journalRecords = -1;
};

// begin() and copyInto() in one: what tablora-backup does.
BackupResult backupDatabase(const std::string& source, const std::string& folder,
                            const util::CalendarTime& now);

// The copies in a folder (exactly cysj-YYYYMMDD-HHMMSS.db), newest first.
struct BackupFile {
    std::string path;
    util::CalendarTime time;
    long long bytes = 0;
};
std::vector<BackupFile> listBackups(const std::string& folder);
// The journal records of a copy; -1 when it cannot be read.
long long journalRecordsOf(const std::string& copy);

// Deletes the copies of a folder but the newest `keep` and the first copy of each of the last
// `months` months up to `now`; also what a copy cut short left behind, once a day old.
// `spared` (a copy about to be restored) is never deleted. Returns the copies deleted.
std::vector<std::string> pruneBackups(const std::string& folder, const util::CalendarTime& now,
                                      int keep = 14, int months = 12,
                                      const std::string& spared = {});

enum class FileCheck { Good, Missing, Damaged };
// PRAGMA quick_check on the file; an empty file or one that is not a database is damaged. A
// file that is busy or cannot be opened for another reason (permissions) is not called damaged.
// Not `whole`: only what opening costs (the header and the schema), milliseconds at any size.
FileCheck checkDatabaseFile(const std::string& path, bool whole = true);

// The newest copy in the folders that passes quick_check; empty when there is none.
std::string newestGoodBackup(const std::vector<std::string>& folders);

// Start-up, nothing open: the damaged file (with its write-ahead log) is kept beside it as
// cysj-已损坏-YYYYMMDD-HHMMSS.db and the copy is written in its place. Returns an error text,
// empty on success; `keptAs` gets the damaged file's new name.
std::string replaceWithBackup(const std::string& path, const std::string& copy,
                              const util::CalendarTime& now, std::string* keptAs = nullptr);

// The running program: everything in `live` replaced by the copy's content in one
// transaction (other readers and writers of the file see the change as any other). Every
// cursor on `live` is closed first. Returns an error text, empty on success.
std::string restoreInto(SqliteDB& live, const std::string& copy);

}  // namespace tablora::data
