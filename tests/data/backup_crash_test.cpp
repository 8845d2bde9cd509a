// Kills tablora-backup at random moments of its copy, again and again, while orders are being
// written to the file: the file keeps every committed order and every named copy is good.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "data/backup.h"
#include "data/data_context.h"
#include "support/temp_db.h"

namespace {

pid_t spawnBackup(const std::string& db, const std::string& folder) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(TABLORA_BACKUP_BIN, TABLORA_BACKUP_BIN, db.c_str(), folder.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

}  // namespace

TEST(BackupCrashLoop, KilledMidCopyTheFileKeepsEveryOrderAndEveryNamedCopyIsGood) {
    using namespace tablora;
    test::TempDir dir;
    const std::string db = test::makeDemoDatabase(dir);
    ASSERT_TRUE(data::addHistory(db, 20000, {2026, 12, 8, 0, 0, 0}).empty());
    const std::string folder = dir.path("备份");
    std::filesystem::create_directory(folder);

    // The program's connection: write-ahead log, an order committed every few milliseconds.
    data::SqliteDB program;
    ASSERT_TRUE(program.open(db));
    ASSERT_TRUE(program.useWriteAheadLog());
    std::atomic<bool> stop{false};
    std::atomic<int> committed{0};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            const std::string sql = "INSERT INTO 流水 VALUES ('W" + std::to_string(i) +
                                    "','2026年12月9日','大厅1号',2,30,0,'经理','')";
            if (sqlite3_exec(program.handle(), sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK)
                ++committed;
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });

    std::mt19937 random(11);
    int killed = 0, finished = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t pid = spawnBackup(db, folder);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 120));
        ::kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        (WIFSIGNALED(status) ? killed : finished) += 1;
        ASSERT_EQ(test::querySql(db, "PRAGMA integrity_check"), "ok") << "round " << round;
        for (const auto& copy : data::listBackups(folder))
            ASSERT_EQ(test::querySql(copy.path, "PRAGMA integrity_check"), "ok") << copy.path;
    }
    stop = true;
    writer.join();
    program.close();
    EXPECT_GE(killed, 30);
    EXPECT_EQ(test::querySql(db, "SELECT count(*) FROM 流水 WHERE 单号 LIKE 'W%'"),
              std::to_string(committed.load()));
    EXPECT_EQ(test::querySql(db, "PRAGMA integrity_check"), "ok");
    std::printf("%d copies killed, %d finished, %d orders committed meanwhile\n", killed, finished,
                committed.load());
}
