// The restaurant's copies through the program: made by themselves and on request, restored,
// offered at start-up for a damaged file, and a folder that takes none told once.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "backup/backup_service.h"
#include "backup/backup_window.h"
#include "data/backup.h"
#include "data/data_context.h"
#include "reports/past_days.h"
#include "support/app_fixture.h"

using namespace tablora;
using backup::BackupWindow;
using test::AppTest;

namespace {

// True while this process holds a lock on the file, as /proc/locks shows the system's view.
bool processLocks(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    std::ifstream locks("/proc/locks");
    const std::string inode = ":" + std::to_string(st.st_ino);
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, advisory, mode, pid, where;
        fields >> number >> kind;
        if (kind == "->") fields >> kind;  // a waiter
        fields >> advisory >> mode >> pid >> where;
        if (pid == std::to_string(::getpid()) && where.size() > inode.size() &&
            where.compare(where.size() - inode.size(), inode.size(), inode) == 0)
            return true;
    }
    return false;
}

class BackupTest : public AppTest {
  protected:
    std::string folder() const { return dir.path("备份"); }
    std::vector<std::string> copies(const std::string& in) const {
        std::vector<std::string> names;
        for (const auto& f : data::listBackups(in))
            names.push_back(std::filesystem::path(f.path).filename().string());
        return names;
    }
    void inBackups(const std::function<void(BackupWindow&)>& act) {
        desktop.modalScripts.push_back([act](ui::Window& w) {
            auto& b = static_cast<BackupWindow&>(w);
            act(b);
            b.destroy();
        });
        desktop.menuChoices.push_back("数据备份");
        main().工具条1.clickItem(shell::MainWindow::kSettings);
    }
    // What a restore must bring back, for comparing one file with another.
    std::string everything(const std::string& path) const {
        std::string all;
        for (const char* table : {"用户", "流水", "明细", "菜品", "餐台", "分类", "打印设置"})
            all += test::querySql(path, std::string("SELECT count(*) FROM ") + table) + ";";
        for (const char* rows :
             {"SELECT group_concat(用户 || 密码 || 皮肤 || 设置用户) FROM 用户",
              "SELECT group_concat(单号 || 台号 || 人数 || 金额 || 状态) FROM 流水",
              "SELECT group_concat(单号 || 菜品 || 数量 || 金额) FROM 明细",
              "SELECT group_concat(菜品 || 分类) FROM 菜品",
              "SELECT group_concat(店名 || 页脚) FROM 打印设置"})
            all += test::querySql(path, rows) + ";";
        return all;
    }
};

TEST_F(BackupTest, CopiesComeByThemselvesAfterTheDaysFirstLoginAndAtClose) {
    start();
    app->backups().finishAll();
    EXPECT_EQ(copies(folder()), std::vector<std::string>{"cysj-20250307-140509.db"});
    // Another login the same day makes none; the next day's first does.
    desktop.clock.hour = 20;
    switchUser("经理", "888888");
    app->backups().finishAll();
    EXPECT_EQ(copies(folder()).size(), 1u);
    desktop.clock = {2025, 3, 8, 10, 0, 0};
    switchUser("经理", "888888");
    app->backups().finishAll();
    EXPECT_EQ(copies(folder()).front(), "cysj-20250308-100000.db");
    EXPECT_EQ(openTable("大厅1号", "4"), "开台成功！");
    desktop.clock.hour = 23;
    app->endProgram(0);
    app.reset();  // the copy begun at close is finished before the program is gone
    const auto made = copies(folder());
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(made.front(), "cysj-20250308-230000.db");
    EXPECT_EQ(test::querySql(folder() + "/" + made.front(), "SELECT count(*) FROM 流水"),
              sql("SELECT count(*) FROM 流水"));
    EXPECT_EQ(test::querySql(folder() + "/" + made[1], "SELECT count(*) FROM 流水"),
              std::to_string(std::stoi(sql("SELECT count(*) FROM 流水")) - 1));
    for (const auto& m : desktop.messages) EXPECT_NE(m.text, "数据备份失败，请检查备份文件夹！");
}

TEST_F(BackupTest, ARestoreBringsBackEveryOrderUserAndSettingAndCanItselfBeUndone) {
    start();
    app->backups().finishAll();
    EXPECT_EQ(openTable("大厅1号", "4"), "开台成功！");
    addDish("热菜", "宫保鸡丁/28元");
    desktop.clock.minute = 30;
    std::string before;
    inBackups([&](BackupWindow& w) {
        EXPECT_EQ(w.caption(), "数据备份");
        EXPECT_EQ(w.标签_备份文件夹.text(), folder());
        EXPECT_EQ(w.超级列表框_备份.rowCount(), 1);
        w.按钮_立即备份.click();
        EXPECT_FALSE(w.按钮_恢复.enabled());  // while the copy is made
        app->backups().finishAll();
        EXPECT_EQ(lastMessage().text, "数据备份成功！");
        EXPECT_TRUE(w.按钮_恢复.enabled());
        ASSERT_EQ(w.超级列表框_备份.rowCount(), 2);
        EXPECT_EQ(w.超级列表框_备份.cell(0, 0), "2025-03-07 14:30:09");
        EXPECT_EQ(w.超级列表框_备份.cell(0, 2), sql("SELECT count(*) FROM 流水"));
        before = everything(db);
    });
    // The evening goes on: a new order, a new user, a changed setting.
    EXPECT_EQ(openTable("大厅2号", "2"), "开台成功！");
    addUser("收银", "1", "1100000000");
    exec("UPDATE 菜品 SET 菜品='宫保鸡丁/30元' WHERE 菜品='宫保鸡丁/28元'");
    exec("INSERT INTO 打印设置 VALUES ('小馆', '谢谢')");
    const std::string after = everything(db);
    ASSERT_NE(after, before);
    desktop.clock.minute = 45;
    inBackups([&](BackupWindow& w) {
        w.按钮_恢复.click();
        EXPECT_EQ(lastMessage().text, "请选择要恢复的备份！");
        w.超级列表框_备份.selectRow(0);
        desktop.answers.push_back(ui::Answer::No);
        w.按钮_恢复.click();
        EXPECT_EQ(lastMessage().text, "恢复后，当前数据将被替换为所选备份。是否继续？");
        EXPECT_EQ(lastMessage().icon, ui::Icon::Question);
        EXPECT_EQ(everything(db), after);
        desktop.answers.push_back(ui::Answer::Yes);
        w.按钮_恢复.click();
        app->backups().finishAll();
        EXPECT_EQ(lastMessage().text, "恢复成功！");
        // The data of 14:30, and a copy of what was replaced on top of the list.
        EXPECT_EQ(everything(db), before);
        ASSERT_EQ(w.超级列表框_备份.rowCount(), 3);
        EXPECT_EQ(w.超级列表框_备份.cell(0, 0), "2025-03-07 14:45:09");
    });
    // The loaded windows show the restored data: one open table, not two.
    EXPECT_EQ(order().组合框_切换.itemCount(), 1);
    // Undone: the copy made before the restore brings the evening back.
    desktop.clock.minute = 50;
    inBackups([&](BackupWindow& w) {
        w.超级列表框_备份.selectRow(0);
        desktop.answers.push_back(ui::Answer::Yes);
        w.按钮_恢复.click();
        app->backups().finishAll();
        EXPECT_EQ(lastMessage().text, "恢复成功！");
    });
    EXPECT_EQ(everything(db), after);
    EXPECT_EQ(order().组合框_切换.itemCount(), 2);
}

TEST_F(BackupTest, ADamagedFileAtStartUpIsOfferedTheNewestGoodCopyAndKept) {
    std::filesystem::create_directory(folder());
    ASSERT_TRUE(data::backupDatabase(db, folder(), {2025, 3, 6, 22, 0, 0}).ok);
    const std::string good = everything(db);
    test::damageFile(db);
    // No: start-up goes on as it does for any damaged file, which is left as it was.
    desktop.answers.push_back(ui::Answer::No);
    app = std::make_unique<shell::App>(desktop, db);
    app->start();
    ASSERT_GE(desktop.messages.size(), 1u);
    const auto question = desktop.messages.front();
    EXPECT_EQ(question.text, "数据库文件已损坏，是否从最近的备份恢复？");
    EXPECT_EQ(question.title, "信息：");
    EXPECT_EQ(question.icon, ui::Icon::Question);
    EXPECT_EQ(question.buttons, ui::Buttons::YesNo);
    EXPECT_EQ(data::checkDatabaseFile(db), data::FileCheck::Damaged);
    app.reset();

    // Yes: the copy is put in its place and the login window comes, with nothing more said.
    desktop.messages.clear();
    desktop.answers.push_back(ui::Answer::Yes);
    start();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(everything(db), good);
    EXPECT_EQ(main().标签_用户.text(), "经理");
    EXPECT_EQ(data::checkDatabaseFile(dir.path("cysj-已损坏-20250307-140509.db")),
              data::FileCheck::Damaged);
    app.reset();

    // A good file, or none at all, is asked nothing.
    desktop.messages.clear();
    start();
    EXPECT_TRUE(desktop.messages.empty());
    app.reset();
    std::filesystem::remove(db);
    app = std::make_unique<shell::App>(desktop, db);
    app->start();
    ASSERT_FALSE(desktop.messages.empty());
    EXPECT_NE(desktop.messages.front().text, question.text);
}

TEST_F(BackupTest, AnEmptyOrForeignFileIsDamagedAndNothingIsWrittenIntoIt) {
    for (const std::string content : {"", "not a database, just some text of somebody's"}) {
        std::filesystem::remove_all(folder());
        std::ofstream(db, std::ios::trunc) << content;
        desktop.messages.clear();
        app = std::make_unique<shell::App>(desktop, db);
        app->start();
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].text, "数据库文件已损坏，且没有可用的备份，请检查！");
        EXPECT_EQ(desktop.messages[0].icon, ui::Icon::Error);
        EXPECT_FALSE(app->running());
        app.reset();
        EXPECT_EQ(std::filesystem::file_size(db), content.size());
    }
    // With a copy, the empty file is offered it.
    std::filesystem::create_directory(folder());
    const std::string good = test::makeDemoDatabase(dir, "good.db");
    ASSERT_TRUE(data::backupDatabase(good, folder(), {2025, 3, 6, 22, 0, 0}).ok);
    std::ofstream(db, std::ios::trunc).flush();
    desktop.messages.clear();
    desktop.answers.push_back(ui::Answer::Yes);
    start();
    EXPECT_EQ(desktop.messages.front().text, "数据库文件已损坏，是否从最近的备份恢复？");
    EXPECT_EQ(main().标签_用户.text(), "经理");
}

TEST_F(BackupTest, DamageOnlyTheWholeFileShowsIsOfferedWhenThePersonLogsIn) {
    ASSERT_TRUE(data::addHistory(db, 3000, {2025, 3, 6, 0, 0, 0}).empty());
    std::filesystem::create_directory(folder());
    ASSERT_TRUE(data::backupDatabase(db, folder(), {2025, 3, 6, 22, 0, 0}).ok);
    const std::string good = everything(db);
    {
        // The last pages (the journal's newest records) ruined; the schema opens as ever.
        std::fstream f(db, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(-16384, std::ios::end);
        for (int i = 0; i < 16384; ++i) f.put(static_cast<char>((i * 7919) & 0xFF));
    }
    ASSERT_EQ(data::checkDatabaseFile(db, false), data::FileCheck::Good);
    desktop.answers.push_back(ui::Answer::Yes);
    start();
    ASSERT_FALSE(desktop.messages.empty());
    EXPECT_EQ(desktop.messages.front().text, "数据库文件已损坏，是否从最近的备份恢复？");
    EXPECT_EQ(main().标签_用户.text(), "经理");
    EXPECT_EQ(everything(db), good);
}

TEST_F(BackupTest, AFolderThatTakesNoCopyIsToldOnceAndWorkGoesOn) {
    start();
    app->backups().finishAll();
    // The second folder is a USB stick that is not plugged in.
    ASSERT_TRUE(app->backups().setSecondFolder(dir.path("U盘/备份")));
    inBackups([&](BackupWindow& w) {
        EXPECT_EQ(w.编辑框_第二文件夹.text(), dir.path("U盘/备份"));
        w.编辑框_第二文件夹.type(dir.path("nowhere"));
        w.按钮_保存.click();
        EXPECT_EQ(lastMessage().text, "备份文件夹不存在，请检查！");
    });
    for (int day = 8; day <= 9; ++day) {
        desktop.clock = {2025, 3, day, 10, 0, 0};
        switchUser("经理", "888888");
        app->backups().finishAll();
        EXPECT_EQ(openTable(day == 8 ? "大厅1号" : "大厅2号", "2"), "开台成功！");
    }
    int told = 0;
    for (const auto& m : desktop.messages)
        if (m.text == "数据备份失败，请检查备份文件夹！") {
            ++told;
            EXPECT_EQ(m.icon, ui::Icon::Exclamation);
        }
    EXPECT_EQ(told, 1);
    // The folder beside the file still got its copies.
    EXPECT_EQ(copies(folder()).size(), 3u);
    // A folder that is there takes them too.
    std::filesystem::create_directories(dir.path("U盘/备份"));
    inBackups([&](BackupWindow& w) {
        w.按钮_立即备份.click();
        app->backups().finishAll();
        EXPECT_EQ(lastMessage().text, "数据备份成功！");
    });
    EXPECT_EQ(copies(dir.path("U盘/备份")).size(), 1u);
}

TEST_F(BackupTest, OnlyAUserWhoKeepsTheUsersMayOpenTheBackups) {
    addUser("服务员", "1", "1100000000");
    start("服务员", "1");
    auto& menu = main().工具菜单;
    EXPECT_FALSE(menu.entryEnabled(menu.indexOf("数据备份")));
    EXPECT_FALSE(menu.entryEnabled(menu.indexOf("打印设置")));
}

TEST_F(BackupTest, NoOtherConnectionOfTheProgramLetsGoOfItsLockOnTheFile) {
    start();
    app->backups().finishAll();
    ASSERT_TRUE(processLocks(db));
    // What the program opens beside its window connection: the keeper of report days, a copy,
    // the start-up check, the display scale, a restore (which reopens its own connection).
    std::atomic<bool> stop{false};
    report::keepPastDays(db, desktop.clock, stop);
    EXPECT_TRUE(processLocks(db)) << "keeper";
    app->backups().copyNow();
    app->backups().finishAll();
    EXPECT_TRUE(processLocks(db)) << "copy";
    EXPECT_EQ(data::checkDatabaseFile(db), data::FileCheck::Good);
    EXPECT_EQ(data::readDisplayScale(db), 100);
    EXPECT_TRUE(processLocks(db)) << "check, scale";
    bool restored = false;
    app->backups().restore(data::listBackups(folder()).back().path,
                           [&](bool ok) { restored = ok; });
    app->backups().finishAll();
    EXPECT_TRUE(restored);
    EXPECT_EQ(openTable("大厅3号", "2"), "开台成功！");
    EXPECT_TRUE(processLocks(db)) << "restore";
}

TEST_F(BackupTest, AClosedProgramLeavesEverythingInTheFileItself) {
    // A database tool keeps the file open, so the program's connection is not the last.
    test::OutsideLock tool(db, false);
    start();
    app->backups().finishAll();
    EXPECT_EQ(openTable("大厅3号", "2"), "开台成功！");
    app->endProgram(0);
    app.reset();
    // cysj.db alone, as copied by hand without its log.
    std::filesystem::copy_file(db, dir.path("hand.db"));
    EXPECT_EQ(test::querySql(dir.path("hand.db"), "SELECT count(*) FROM 流水 WHERE 台号='大厅3号'"),
              "1");
}

TEST_F(BackupTest, TheCopyChosenForARestoreIsNeverPrunedAway) {
    std::filesystem::create_directory(folder());
    // Fourteen copies: the one before the restore makes fifteen, one more than kept.
    for (int minute = 0; minute < 14; ++minute)
        ASSERT_TRUE(data::backupDatabase(db, folder(), {2025, 3, 7, 13, minute, 0}).ok);
    start();
    app->backups().finishAll();
    const std::string oldest = data::listBackups(folder()).back().path;
    bool restored = false;
    app->backups().restore(oldest, [&](bool ok) { restored = ok; });
    app->backups().finishAll();
    EXPECT_TRUE(restored);
    EXPECT_TRUE(std::filesystem::exists(oldest));
}

}  // namespace
