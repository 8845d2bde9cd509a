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

    // Another connection writes an order line every few milliseconds throughout.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            test::execSql(
                path, "INSERT INTO 明细 VALUES ('W" + std::to_string(i) + "','米饭',2,1,2,'主食')");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
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
