#pragma once

#include <filesystem>
#include <string>

struct sqlite3;

namespace tablora::test {

// A temporary folder that goes away with the test; `path(name)` names a file inside it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    const std::filesystem::path& dir() const { return m_dir; }

  private:
    std::filesystem::path m_dir;
};

// Runs SQL straight on a file, for preparing fixtures and checking what was stored.
bool execSql(const std::string& dbPath, const std::string& sql);
// The first column of the first row as text ("" when there is none); "<error>" on failure.
std::string querySql(const std::string& dbPath, const std::string& sql);

// Another program holding the file exclusively (no one else can read it) while it lives; or,
// not `exclusive`, merely having it open (a database tool left open), so the program's
// connection is not the last one to close.
class OutsideLock {
  public:
    explicit OutsideLock(const std::string& dbPath, bool exclusive = true);
    ~OutsideLock();
    OutsideLock(const OutsideLock&) = delete;
    OutsideLock& operator=(const OutsideLock&) = delete;
    bool held() const { return m_held; }

  private:
    sqlite3* m_db = nullptr;
    bool m_held = false;
};

// A fresh demo cysj.db (manager 经理 / 888888) in the folder.
// Overwrites a database file's pages after the first with noise, as a failing disk would:
// it still opens, but quick_check fails.
void damageFile(const std::string& path);

std::string makeDemoDatabase(const TempDir& dir, const std::string& name = "cysj.db");

}  // namespace tablora::test
