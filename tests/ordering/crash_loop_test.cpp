// Kills a real process in the middle of changing an order's lines, again and again: the file
// stays sound and every order's total is the sum of its lines.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "data/data_context.h"
#include "support/temp_db.h"
#include "util/gbk.h"

namespace {

const std::string kSuffix = "-crash-" + std::to_string(::getpid());

pid_t spawnDriver(const std::string& db, int& readyFd, const char* mode = nullptr) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        ::setenv("TABLORA_INSTANCE_SUFFIX", kSuffix.c_str(), 1);
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execl(TABLORA_CRASH_DRIVER, TABLORA_CRASH_DRIVER, db.c_str(), mode,
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    readyFd = fds[0];
    return pid;
}

// Starts the driver, lets it work `afterMs`, kills it, and opens the file again as the
// program would (rolling back what was left half done): it must be sound.
void runAndKill(const std::string& db, const char* mode, int afterMs) {
    int readyFd = -1;
    const pid_t pid = spawnDriver(db, readyFd, mode);
    ASSERT_GT(pid, 0);
    char ready[8] = {};
    ASSERT_GT(read(readyFd, ready, sizeof ready), 0);  // logged in, its window up
    close(readyFd);
    std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
    ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the driver ended by itself";
    ASSERT_TRUE(tablora::test::execSql(db, "SELECT count(*) FROM 流水"));
    ASSERT_EQ(tablora::test::querySql(db, "PRAGMA integrity_check"), "ok");
}

constexpr const char* kTotalsDisagreeing =
    "SELECT count(*) FROM 流水 j WHERE 金额 <> (SELECT coalesce(sum(金额), 0) FROM 明细 d "
    "WHERE d.单号 = j.单号)";

// When to kill: 20 to 140 ms in, for the first thirty rounds. A loaded machine may do nothing
// whole in that time, so the rounds past thirty (run only while too little was done) wait longer.
int laterOnASlowMachine(int kill, std::mt19937& random) {
    return (20 + static_cast<int>(random() % 120)) * (1 + kill / 30);
}

}  // namespace

TEST(CrashLoop, KilledMidChangeTheTotalsStillAgreeWithTheLines) {
    tablora::test::TempDir dir;
    const std::string db = tablora::test::makeDemoDatabase(dir);
    std::mt19937 random(7);
    int changesSeen = 0;
    for (int kill = 0; kill < 30; ++kill) {
        ASSERT_NO_FATAL_FAILURE(runAndKill(db, nullptr, 5 + static_cast<int>(random() % 40)));
        ASSERT_EQ(tablora::test::querySql(db, kTotalsDisagreeing), "0") << "after kill " << kill;
        changesSeen = std::stoi(tablora::test::querySql(db, "SELECT count(*) FROM 明细"));
    }
    EXPECT_GT(changesSeen, 0);  // the driver did change lines between kills
}

TEST(CrashLoop, KilledMidMoveOrMergeNoOrderLosesItsLinesAndNoTableHasTwoBills) {
    tablora::test::TempDir dir;
    const std::string db = tablora::test::makeDemoDatabase(dir);
    std::mt19937 random(13);
    for (int kill = 0; kill < 30; ++kill) {
        ASSERT_NO_FATAL_FAILURE(runAndKill(db, "board", 10 + static_cast<int>(random() % 60)));
        ASSERT_EQ(tablora::test::querySql(db, kTotalsDisagreeing), "0")
            << "a total that disagrees with its lines after kill " << kill;
        ASSERT_EQ(tablora::test::querySql(db,
                                          "SELECT count(*) FROM 明细 d WHERE NOT EXISTS (SELECT 1 "
                                          "FROM 流水 j WHERE j.单号 = d.单号)"),
                  "0")
            << "a line without its order after kill " << kill;
        ASSERT_EQ(tablora::test::querySql(db,
                                          "SELECT count(*) FROM (SELECT 台号 FROM 流水 WHERE "
                                          "状态 = 0 GROUP BY 台号 HAVING count(*) > 1)"),
                  "0")
            << "a table with two unpaid orders after kill " << kill;
    }
    // The driver did open, move and merge between kills.
    EXPECT_GT(std::stoi(tablora::test::querySql(db, "SELECT count(*) FROM 明细")), 0);
}

// Killed while voiding sent dishes: every line, total, send record and trace still agree, and
// no void is without its kitchen ticket (printed, or kept to print).
TEST(CrashLoop, KilledMidVoidTheLineTotalSendRecordAndTraceAgree) {
    tablora::test::TempDir dir;
    const std::string db = tablora::test::makeDemoDatabase(dir);
    const std::string kitchen = dir.path("kitchen.prn");
    ASSERT_TRUE(tablora::test::execSql(
        db, "INSERT INTO 打印机 VALUES ('热厨', 'file:" + kitchen + "', 80, '厨房', '')"));
    std::mt19937 random(31);
    const auto voids = [&] {
        return std::stoi(
            tablora::test::querySql(db, "SELECT count(*) FROM 操作记录 WHERE 动作 = '退菜'"));
    };
    for (int kill = 0; kill < 30 || (voids() <= 5 && kill < 200); ++kill) {
        ASSERT_NO_FATAL_FAILURE(runAndKill(db, "void", laterOnASlowMachine(kill, random)));
        ASSERT_EQ(tablora::test::querySql(db, kTotalsDisagreeing), "0") << "after kill " << kill;
        ASSERT_EQ(tablora::test::querySql(
                      db,
                      "SELECT count(*) FROM 送厨记录 s WHERE s.数量 > coalesce((SELECT "
                      "sum(d.数量) FROM 明细 d WHERE d.单号 = s.单号 AND d.菜品 = s.菜品), 0)"),
                  "0")
            << "the kitchen has more than the order after kill " << kill;
        std::ifstream in(kitchen, std::ios::binary);
        const std::string printed{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
        size_t tickets = 0;
        for (size_t at = 0;
             (at = printed.find(tablora::util::toGbk("退菜人："), at)) != std::string::npos; ++at)
            ++tickets;
        const size_t kept = std::stoul(
            tablora::test::querySql(db, "SELECT count(*) FROM 打印任务 WHERE 说明 LIKE '退菜单%'"));
        ASSERT_GE(tickets + kept, static_cast<size_t>(voids()))
            << "a void without its ticket after kill " << kill;
    }
    // The driver did void between kills (a slow or loaded build voids less in each round).
    EXPECT_GT(voids(), 5);
}

// Killed while splitting tables and settling bills paid two ways: no bill is half settled (its
// payments less change are what it was due, or it has none and is unpaid), no line is lost.
TEST(CrashLoop, KilledMidSplitOrMixedPaymentNoBillIsHalfWritten) {
    tablora::test::TempDir dir;
    const std::string db = tablora::test::makeDemoDatabase(dir);
    std::mt19937 random(41);
    const auto count = [&](const std::string& sql) {
        return std::stoi(tablora::test::querySql(db, "SELECT count(*) FROM " + sql));
    };
    const auto enoughDone = [&] {
        return count("结账 WHERE 付款方式 = '微信'") > 3 && count("流水 WHERE 台号 LIKE '%-1'") > 3;
    };
    for (int kill = 0; kill < 30 || (!enoughDone() && kill < 200); ++kill) {
        ASSERT_NO_FATAL_FAILURE(runAndKill(db, "split", laterOnASlowMachine(kill, random)));
        ASSERT_EQ(tablora::test::querySql(db, kTotalsDisagreeing), "0") << "after kill " << kill;
        ASSERT_EQ(
            tablora::test::querySql(
                db,
                "SELECT count(*) FROM 流水 j WHERE (状态 = 1) <> EXISTS (SELECT 1 FROM 结账 k "
                "WHERE k.单号 = j.单号) OR (状态 = 1 AND (SELECT sum(实收 - 找零) FROM 结账 k "
                "WHERE k.单号 = j.单号) <> 金额 + (SELECT coalesce(sum(金额), 0) FROM 账单调整 "
                "a WHERE a.单号 = j.单号))"),
            "0")
            << "a bill half settled after kill " << kill;
    }
    EXPECT_TRUE(enoughDone()) << "the driver did not split and settle two ways between kills";
}

// Other programs beside the till: tablora-backup, as cron runs it, and a second start of the
// program itself, refused, while the till (with the keeper of report days on a second
// connection) works. Whatever the till confirmed must be in the file after every kill.
TEST(CrashLoop, BesideABackupFromCronNoConfirmedSaleIsLost) {
    tablora::test::TempDir dir;
    const std::string db = tablora::test::makeDemoDatabase(dir);
    ASSERT_EQ(tablora::data::addHistory(db, 20000, {2025, 3, 6, 0, 0, 0}), "");
    const std::string folder = dir.path("备份");
    std::filesystem::create_directory(folder);
    // The real program finds its file beside itself.
    const std::string program = dir.path("tablora");
    std::filesystem::copy_file(TABLORA_BIN, program);
    const std::string secondStart =
        "QT_QPA_PLATFORM=offscreen TABLORA_UNATTENDED_MS=50 HOME=" + dir.path("") +
        " TABLORA_INSTANCE_SUFFIX=" + kSuffix + " '" + program + "' >/dev/null 2>&1";
    std::mt19937 random(29);
    size_t settledInAll = 0;
    for (int kill = 0; kill < 40; ++kill) {
        // The keeper opens its connection only while the past days are not kept yet.
        ASSERT_TRUE(tablora::test::execSql(db, "DELETE FROM 报表缓存"));
        int out = -1;
        const pid_t pid = spawnDriver(db, out, "settle");
        ASSERT_GT(pid, 0);
        // However this round ends, the till does not outlive it.
        const std::unique_ptr<const pid_t, void (*)(const pid_t*)> reaper(&pid, [](const pid_t* p) {
            ::kill(*p, SIGKILL);
            waitpid(*p, nullptr, 0);
        });
        std::string said;
        char buffer[4096];
        while (said.find("ready\n") == std::string::npos) {
            const ssize_t n = read(out, buffer, sizeof buffer);
            ASSERT_GT(n, 0) << "the driver ended before it was ready";
            said.append(buffer, static_cast<size_t>(n));
        }
        for (int copy = 0; copy < 2; ++copy) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 80));
            const std::string command =
                std::string(TABLORA_BACKUP_BIN) + " '" + db + "' '" + folder + "' >/dev/null 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0);
            if (copy == 0 && kill % 2 == 0) {
                ASSERT_EQ(std::system(secondStart.c_str()), 0)
                    << "the second start was not refused";
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 80));
        ::kill(pid, SIGKILL);
        for (ssize_t n; (n = read(out, buffer, sizeof buffer)) > 0;)
            said.append(buffer, static_cast<size_t>(n));
        close(out);
        std::set<std::string> opened, settled;
        std::istringstream lines(said);
        for (std::string what, number; lines >> what;) {
            if (what == "ready") continue;
            lines >> number;
            // A line cut short by the kill names no confirmed order.
            if (number.size() != 14 || lines.peek() != '\n') continue;
            (what == "opened" ? opened : settled).insert(number);
        }
        const auto listed = [](const std::set<std::string>& numbers) {
            std::string list = "''";
            for (const auto& n : numbers) list += ",'" + n + "'";
            return list;
        };
        EXPECT_EQ(tablora::test::querySql(
                      db, "SELECT count(*) FROM 流水 WHERE 单号 IN (" + listed(opened) + ")"),
                  std::to_string(opened.size()))
            << "an order confirmed opened is gone after kill " << kill;
        EXPECT_EQ(
            tablora::test::querySql(db, "SELECT count(*) FROM 流水 WHERE 状态 = 1 AND 单号 IN (" +
                                            listed(settled) + ")"),
            std::to_string(settled.size()))
            << "an order confirmed settled is not after kill " << kill;
        ASSERT_EQ(tablora::test::querySql(db, "PRAGMA integrity_check"), "ok");
        settledInAll += settled.size();
    }
    EXPECT_GT(settledInAll, 40u);  // the till did settle bills between kills
}
