// Backups are good copies or nothing, made while the file is being written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "data/backup.h"
#include "data/data_context.h"
#include "support/temp_db.h"

using namespace tablora;

TEST(Backup, ACheckedCopyAppearsUnderItsNameWhileTheProgramWrites) {
    test::TempDir dir;
    const std::string path = test::makeDemoDatabase(dir);
    ASSERT_TRUE(data::addHistory(path, 5000, {2026, 12, 8, 0, 0, 0}).empty());
    const std::string folder = dir.path("备份");
    std::filesystem::create_directory(folder);

    // Another connection writes an order line every millisecond or so throughout: each write
    // restarts a copy made a step at a time, which must still end.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            test::execSql(
                path, "INSERT INTO 明细 VALUES ('W" + std::to_string(i) + "','米饭',2,1,2,'主食')");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const auto made = data::backupDatabase(path, folder, {2026, 12, 9, 21, 5, 3});
    stop = true;
    writer.join();
    ASSERT_TRUE(made.ok) << made.error;
    EXPECT_EQ(made.path, (std::filesystem::path(folder) / "cysj-20261209-210503.db").string());
    EXPECT_EQ(made.journalRecords, 5000);
    EXPECT_EQ(test::querySql(made.path, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(test::querySql(made.path, "SELECT count(*) FROM 流水"), "5000");
    // Nothing but the copy is left in the folder.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(Backup, NoGoodCopyMeansNoCopyAndAReason) {
    test::TempDir dir;
    const std::string folder = dir.path("备份");
    std::filesystem::create_directory(folder);
    const util::CalendarTime now{2026, 12, 9, 21, 0, 0};

    auto r = data::backupDatabase(dir.path("none.db"), folder, now);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("不存在"), std::string::npos);

    const std::string damaged = dir.path("damaged.db");
    std::ofstream(damaged) << std::string(8192, 'x');
    r = data::backupDatabase(damaged, folder, now);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("已损坏"), std::string::npos);

    const std::string path = test::makeDemoDatabase(dir);
    r = data::backupDatabase(path, dir.path("no-folder"), now);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("备份文件夹不存在"), std::string::npos);

    if (::geteuid() != 0) {  // root writes anywhere
        ::chmod(folder.c_str(), 0555);
        r = data::backupDatabase(path, folder, now);
        EXPECT_FALSE(r.ok);
        ::chmod(folder.c_str(), 0755);
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(Backup, PruningKeepsTheNewestFourteenAndTheFirstOfEachOfTwelveMonths) {
    test::TempDir dir;
    const std::string folder = dir.path("备份");
    std::filesystem::create_directory(folder);
    const auto touch = [&](const std::string& name) { std::ofstream(folder + "/" + name) << "x"; };
    // A copy a day from 2025-10-01 to 2026-12-09 at 21:00, and some files that are no copies.
    std::vector<std::string> copies;
    for (util::DateTime d = util::fromCalendar({2025, 10, 1, 21, 0, 0});
         d <= util::fromCalendar({2026, 12, 9, 21, 0, 0}) + 0.001; d += 1) {
        const auto t = *util::toCalendar(d);
        char name[40];
        std::snprintf(name, sizeof name, "cysj-%04d%02d%02d-210000.db", t.year, t.month, t.day);
        touch(name);
        copies.push_back(name);
    }
    for (const char* other : {"cysj.db", "cysj-2025.db", "notes.txt", "cysj-20250101-210000.db.x"})
        touch(other);

    data::pruneBackups(folder, {2026, 12, 9, 22, 0, 0});
    std::vector<std::string> left;
    for (const auto& f : data::listBackups(folder))
        left.push_back(std::filesystem::path(f.path).filename().string());
    std::vector<std::string> expected;
    for (int i = 0; i < 14; ++i) expected.push_back(copies[copies.size() - 1 - i]);
    // 2026-12 (its first copy is among the newest), back to 2026-01; 2025-12 is 13 months off.
    for (int month = 11; month >= 1; --month) {
        char name[40];
        std::snprintf(name, sizeof name, "cysj-2026%02d01-210000.db", month);
        expected.push_back(name);
    }
    EXPECT_EQ(left, expected);
    for (const char* other : {"cysj.db", "cysj-2025.db", "notes.txt", "cysj-20250101-210000.db.x"})
        EXPECT_TRUE(std::filesystem::exists(folder + "/" + other)) << other;
}

TEST(Backup, ACopyIsOneFileOnItsOwnAndRestoresIntoAnOpenConnection) {
    test::TempDir dir;
    const std::string path = test::makeDemoDatabase(dir);
    const std::string folder = dir.path("备份");
    std::filesystem::create_directory(folder);
    data::DataContext context(path);
    ASSERT_EQ(context.openForLogin(), data::DataContext::LoginOpen::Ok);
    ASSERT_TRUE(test::execSql(path, "INSERT INTO 用户 (用户, 密码) VALUES ('收银', '1')"));
    const auto made = data::backupDatabase(path, folder, {2026, 12, 9, 21, 0, 0});
    ASSERT_TRUE(made.ok) << made.error;
    // The live file keeps its log; the copy is in the plain mode, nothing beside it.
    EXPECT_EQ(test::querySql(path, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(test::querySql(made.path, "PRAGMA journal_mode"), "delete");
    EXPECT_FALSE(std::filesystem::exists(made.path + "-wal"));

    ASSERT_TRUE(test::execSql(path, "DELETE FROM 菜品; INSERT INTO 用户 (用户) VALUES ('新人')"));
    auto& dishes = context.openOnDemand(context.dishCursor);
    ASSERT_FALSE(dishes.moveFirst());
    EXPECT_EQ(data::restoreInto(context.database, made.path), "");
    EXPECT_FALSE(context.dishCursor.isOpen());  // no cursor reads what was there before
    EXPECT_EQ(test::querySql(path, "SELECT group_concat(用户) FROM 用户"), "经理,收银");
    EXPECT_EQ(test::querySql(path, "SELECT count(*) FROM 菜品"),
              test::querySql(made.path, "SELECT count(*) FROM 菜品"));
    EXPECT_EQ(test::querySql(path, "PRAGMA journal_mode"), "wal");
    EXPECT_NE(data::restoreInto(context.database, dir.path("none.db")), "");
}

TEST(Backup, ADamagedFileIsToldAndReplacedByTheCopyButKept) {
    test::TempDir dir;
    const std::string path = test::makeDemoDatabase(dir);
    const std::string folder = dir.path("备份");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(data::checkDatabaseFile(path), data::FileCheck::Good);
    EXPECT_EQ(data::checkDatabaseFile(dir.path("none.db")), data::FileCheck::Missing);
    ASSERT_TRUE(data::backupDatabase(path, folder, {2026, 12, 8, 21, 0, 0}).ok);
    ASSERT_TRUE(test::execSql(path, "INSERT INTO 用户 (用户) VALUES ('新人')"));
    ASSERT_TRUE(data::backupDatabase(path, folder, {2026, 12, 9, 21, 0, 0}).ok);
    // The newest copy itself damaged on its disk: the one before it is the newest good one.
    const std::string newest = folder + "/cysj-20261209-210000.db";
    test::damageFile(newest);
    EXPECT_EQ(data::newestGoodBackup({folder, dir.path("no-folder")}),
              folder + "/cysj-20261208-210000.db");

    test::damageFile(path);
    EXPECT_EQ(data::checkDatabaseFile(path), data::FileCheck::Damaged);
    std::string kept;
    EXPECT_EQ(data::replaceWithBackup(path, folder + "/cysj-20261208-210000.db",
                                      {2026, 12, 10, 9, 0, 0}, &kept),
              "");
    EXPECT_EQ(kept, dir.path("cysj-已损坏-20261210-090000.db"));
    EXPECT_EQ(data::checkDatabaseFile(path), data::FileCheck::Good);
    EXPECT_EQ(data::checkDatabaseFile(kept), data::FileCheck::Damaged);
    EXPECT_EQ(test::querySql(path, "SELECT count(*) FROM 用户 WHERE 用户='新人'"), "0");
}
