#pragma once

#include <map>
#include <string>
#include <vector>

namespace tablora::data {

class SqliteDB;

// Creates the tables and triggers the kept report figures need, when any is missing; a cache
// that was kept without every trigger in place is forgotten then. False when they cannot be
// made (a read-only file): figures are then always worked out afresh.
bool addReportCache(SqliteDB& database);

// The newest day kept (yyyymmdd); 0 when none is, or it cannot be read.
int newestKeptDay(SqliteDB& database);

// Each past day's report figures, kept in 报表缓存 so a year is read as a few hundred rows,
// not a million lines. Once anything is kept, triggers on 流水, 明细 and 结账 note in 报表变动
// the opening time of every order changed by any program; a day so noted is worked out afresh.
// The keeping is only ever an addition: when it cannot be used, every figure is worked out.
class ReportCache {
  public:
    ~ReportCache();

    // Starts a read of one moment of the file and hands out the opening times noted since the
    // last report. False when nothing can be kept now (the triggers are missing, the
    // connection is within a transaction, the file cannot be read).
    bool begin(SqliteDB& database, std::vector<std::string>& changedTimes);
    // The kept figures of the days from..to (yyyymmdd).
    bool load(int from, int to, std::map<int, std::string>& kept);
    // Forgets the days in `forget` and the noted times, and keeps `keep` — unless another
    // program wrote to the file since begin (then nothing is written, and what was noted stays
    // noted). Ends the read in every case.
    void finish(const std::vector<int>& forget, const std::map<int, std::string>& keep);

  private:
    SqliteDB* m_db = nullptr;
    bool m_noted = false;
};

}  // namespace tablora::data
