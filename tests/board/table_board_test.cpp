// The board against what another program or another window does meanwhile, and who may use it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "board/table_board_window.h"
#include "settings/restaurant_settings_window.h"
#include "support/app_fixture.h"
#include "util/gbk.h"

using namespace tablora;
using board::TableBoardWindow;
using test::AppTest;

namespace {

class BoardTest : public AppTest {
  protected:
    TableBoardWindow& board() {
        if (!app->window("TableBoardWindow")) main().工具条1.clickItem(shell::MainWindow::kBoard);
        return *static_cast<TableBoardWindow*>(app->window("TableBoardWindow"));
    }
    std::string tile(const std::string& table) {
        auto& tiles = board().图块框_餐台;
        return tiles.tileText(tiles.indexOf(table));
    }
    void touch(const std::string& table) {
        auto& tiles = board().图块框_餐台;
        tiles.touch(tiles.indexOf(table));
    }
    void menu(const std::string& table, const std::string& entry) {
        desktop.menuChoices.push_back(entry);
        auto& tiles = board().图块框_餐台;
        tiles.askMenu(tiles.indexOf(table));
    }
    std::string journal() const {
        return sql(
            "SELECT group_concat(单号||'/'||台号||'/'||人数||'/'||金额||'/'||状态, ';') "
            "FROM 流水");
    }
    std::string lines() const {
        return sql("SELECT group_concat(单号||'/'||菜品||'/'||数量||'/'||金额, ';') FROM 明细");
    }
    // Two tables eating: 大厅1号 (宫保鸡丁) and 大厅2号 (宫保鸡丁, 酸辣汤).
    void twoTables() {
        start();
        EXPECT_EQ(openTable("大厅1号", "4"), "开台成功！");
        addDish("热菜", "宫保鸡丁/28元");
        desktop.clock.second = 30;
        EXPECT_EQ(openTable("大厅2号", "2"), "开台成功！");
        addDish("热菜", "宫保鸡丁/28元");
        addDish("汤羹", "酸辣汤/18元");
        board();
    }
};

TEST_F(BoardTest, AMoveToATableAnotherProgramOpenedMeanwhileWritesNothing) {
    twoTables();
    EXPECT_EQ(tile("包间1号"), "包间1号|空闲");
    // Another till opens 包间1号 after the board was read.
    exec(
        "INSERT INTO 流水 VALUES ('20250307140600','2025年3月7日14时6分','包间1号',3,0,0,"
        "'收银','')");
    const std::string before = journal();
    menu("大厅2号", "换台");
    touch("包间1号");
    EXPECT_EQ(lastMessage().text, "目标餐台已开台，请更换台号！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
    EXPECT_EQ(journal(), before);
    EXPECT_EQ(tile("包间1号"), "包间1号|就餐中|3人|0分钟|0元");  // the board read it again
    EXPECT_EQ(board().标签_提示.text(), "");
    // Touching the picked tile itself, or Esc, gives the move up without a word.
    const size_t said = mark();
    menu("大厅2号", "换台");
    touch("大厅2号");
    menu("大厅2号", "换台");
    board().pressKey(27);
    touch("包间2号");  // no longer picking: the order window takes the table
    EXPECT_EQ(mark(), said);
    EXPECT_EQ(journal(), before);
    EXPECT_EQ(order().组合框_餐台.text(), "包间2号");
}

TEST_F(BoardTest, AMergeWithAnOrderSettledOrChangedMeanwhileWritesNothing) {
    twoTables();
    const std::string journalBefore = journal(), linesBefore = lines();
    // Settled at another till after the board was read.
    exec("UPDATE 流水 SET 状态=1 WHERE 台号='大厅2号'");
    menu("大厅1号", "并台");
    touch("大厅2号");
    EXPECT_EQ(lastMessage().text, "并台失败，请检查！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
    EXPECT_EQ(lines(), linesBefore);
    EXPECT_EQ(tile("大厅2号"), "大厅2号|空闲");
    // A dish added at another till since the board was read.
    exec("UPDATE 流水 SET 状态=0 WHERE 台号='大厅2号'");
    board().refresh();
    exec("UPDATE 流水 SET 金额=金额+8 WHERE 台号='大厅2号'");
    menu("大厅1号", "并台");
    touch("大厅2号");
    EXPECT_EQ(lastMessage().text, "并台失败，请检查！");
    EXPECT_EQ(lines(), linesBefore);
    // A free table cannot be merged.
    menu("大厅1号", "并台");
    touch("大厅3号");
    EXPECT_EQ(lastMessage().text, "并台失败，请检查！");
    EXPECT_EQ(lines(), linesBefore);
}

TEST_F(BoardTest, DishesSentToTheKitchenAreNotSentAgainAfterAMerge) {
    exec("INSERT INTO 打印机 VALUES ('厨房','file:" + dir.path("kitchen.bin") + "',80,'厨房','')");
    twoTables();
    touch("大厅1号");
    order().按钮_送厨.click();
    touch("大厅2号");
    exec("INSERT INTO 菜品口味 VALUES ('20250307140530', '酸辣汤', '少辣', '少辣')");
    order().按钮_送厨.click();
    app->printQueue().finishAll();
    EXPECT_EQ(order().标签_待送厨.text(), "待送厨：0");
    // The kitchen is told where a party went, and which tables became one; a note follows.
    menu("大厅2号", "换台");
    touch("包间1号");
    menu("大厅1号", "并台");
    touch("包间1号");
    app->printQueue().finishAll();
    std::ifstream in(dir.path("kitchen.bin"), std::ios::binary);
    const std::string printed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (const char* text : {"转台", "大厅2号 → 包间1号", "并台", "包间1号 → 大厅1号"})
        EXPECT_NE(printed.find(util::toGbk(text)), std::string::npos) << text;
    EXPECT_EQ(sql("SELECT count(*) FROM 打印任务"), "0");
    EXPECT_EQ(sql("SELECT 单号 || 菜品 || 口味 FROM 菜品口味"), "20250307140509酸辣汤少辣");
    touch("大厅1号");
    EXPECT_EQ(order().超级列表框_点菜.rowCount(), 2);
    EXPECT_EQ(order().标签_待送厨.text(), "待送厨：0");
    EXPECT_EQ(sql("SELECT count(*) FROM 送厨记录 WHERE 单号='20250307140530'"), "0");
    // Both had sent 宫保鸡丁: one record of two. One more goes as one more, and nothing waits.
    EXPECT_EQ(sql("SELECT group_concat(菜品 || '×' || 数量) FROM 送厨记录 WHERE 菜品='宫保鸡丁'"),
              "宫保鸡丁×2");
    order().超级列表框_点菜.selectRow(0);
    order().按钮_数量加.click();
    EXPECT_EQ(order().标签_待送厨.text(), "待送厨：1");
    order().按钮_送厨.click();
    app->printQueue().finishAll();
    EXPECT_EQ(order().标签_待送厨.text(), "待送厨：0");
    order().按钮_送厨.click();
    EXPECT_EQ(lastMessage().text, "没有需要送厨的菜品！");
    // A file an older copy merged in keeps its sends, added up, under one record a dish.
    app.reset();
    exec(
        "DROP INDEX 索引_送厨记录_菜品; INSERT INTO 送厨记录 VALUES ('X', '米饭', '主食', 1); "
        "INSERT INTO 送厨记录 VALUES ('X', '米饭', '主食', 2)");
    start();
    EXPECT_EQ(sql("SELECT group_concat(数量) FROM 送厨记录 WHERE 单号='X'"), "3");
    EXPECT_FALSE(test::execSql(db, "INSERT INTO 送厨记录 VALUES ('X', '米饭', '主食', 1)"));
}

TEST_F(BoardTest, TheBoardFollowsTheOtherWindowsAndTheClock) {
    twoTables();
    // Settled at the cash desk.
    checkout().超级列表框_流水.selectRow(0);
    checkout().编辑框_金额.type("100");
    checkout().按钮_结账.click();
    EXPECT_EQ(tile("大厅1号"), "大厅1号|空闲");
    // A table added in the settings.
    desktop.modalScripts.push_back([](ui::Window& w) {
        auto& s = static_cast<settings::RestaurantSettingsWindow&>(w);
        s.编辑框_餐台.type("露台1号");
        s.按钮_餐台添加.click();
        s.destroy();
    });
    desktop.menuChoices.push_back("餐厅设置");
    main().工具条1.clickItem(shell::MainWindow::kSettings);
    EXPECT_EQ(board().图块框_餐台.tiles().back().name, "露台1号");
    // Another program's change shows at the next minute.
    exec("UPDATE 流水 SET 人数=5 WHERE 台号='大厅2号'");
    EXPECT_EQ(tile("大厅2号"), "大厅2号|就餐中|2人|0分钟|46元");
    desktop.clock.minute += 1;
    board().时钟_刷新.tick();
    EXPECT_EQ(tile("大厅2号"), "大厅2号|就餐中|5人|1分钟|46元");
}

TEST_F(BoardTest, WithoutTheRightsATouchDoesNothingAndTheEntriesAreDisabled) {
    addUser("传菜", "1", "0000000000");
    start("传菜", "1");
    exec("INSERT INTO 流水 VALUES ('20250307140000','2025年3月7日14时','大厅1号',3,0,0,'经理','')");
    board().refresh();
    touch("大厅1号");
    touch("大厅2号");
    EXPECT_EQ(app->orderWindow(), nullptr);
    menu("大厅1号", "换台");
    EXPECT_EQ(board().标签_提示.text(), "");
    auto& entries = board().餐台菜单;
    for (const char* entry : {"换台", "并台", "结账"})
        EXPECT_FALSE(entries.entryEnabled(entries.indexOf(entry))) << entry;
    // A cashier may settle from the board but not move.
    addUser("收银", "1", "0100000000");
    switchUser("收银", "1");
    menu("大厅1号", "结账");
    ASSERT_NE(app->checkoutWindow(), nullptr);
    EXPECT_EQ(app->checkoutWindow()->超级列表框_流水.currentRow(), 0);
    EXPECT_FALSE(entries.entryEnabled(entries.indexOf("换台")));
    // A free tile's entries are all disabled.
    menu("大厅2号", "结账");
    EXPECT_FALSE(entries.entryEnabled(entries.indexOf("结账")));
}

}  // namespace

TEST_F(BoardTest, APartyAtADeletedTableStaysOnTheBoardUntilItPays) {
    twoTables();
    exec("DELETE FROM 餐台 WHERE 餐台='大厅2号'");
    board().refresh();
    const auto& tiles = board().图块框_餐台.tiles();
    ASSERT_EQ(tiles.back().name, "大厅2号");
    EXPECT_EQ(tiles.back().lines.front(), "就餐中（已删除）");
    // Touched, it is the order of that table; settled, it leaves the board.
    touch("大厅2号");
    EXPECT_EQ(order().标签_当前操作.text(), "大厅2号");
    exec("UPDATE 流水 SET 状态 = 1 WHERE 台号='大厅2号'");
    board().refresh();
    EXPECT_EQ(board().图块框_餐台.indexOf("大厅2号"), -1);
}
