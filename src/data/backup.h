#pragma once

#include <string>

#include "util/date_time.h"

namespace tablora::data {

// One checked copy of the database file at `source` in `folder`, named
// cysj-YYYYMMDD-HHMMSS.db by `now`. The copy is made through SQLite's online backup a few
// hundred pages at a time (the program keeps writing meanwhile), written under a name that does
// not end in ".db", checked (integrity_check, and its journal records counted) and only then
// given its name: every cysj-*.db in a backup folder is a good copy.
struct BackupResult {
    bool ok = false;
    std::string path;   // the copy, when made
    std::string error;  // why not, in Chinese, for the person
    long long journalRecords = 0;
};
BackupResult backupDatabase(const std::string& source, const std::string& folder,
                            const util::CalendarTime& now);

}  // namespace tablora::data
