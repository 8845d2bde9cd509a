#include "support/app_fixture.h"

using namespace tablora;
using test::AppTest;

namespace {

class OrderTest : public AppTest {
  protected:
    void SetUp() override { start(); }
    std::string row(int r) {
        std::string out;
        for (int c = 0; c < order().超级列表框_点菜.columnCount(); ++c)
            out += (c ? "|" : "") + order().超级列表框_点菜.cell(r, c);
        return out;
    }
    void selectLine(int r) { order().超级列表框_点菜.selectRow(r); }
};

}  // namespace

TEST_F(OrderTest, OpeningChecksTableAndGuestCount) {
    auto& o = order();
    EXPECT_EQ(o.left(), 50);
    EXPECT_EQ(o.top(), 155);
    o.组合框_人数.type("3");
    o.按钮_开台.click();
    EXPECT_EQ(lastMessage().text, "请选择预开台号！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
    for (const char* guests : {"0", "", "abc", "-2"})
        EXPECT_EQ(openTable("大厅1号", guests), "请正确输入人数！") << guests;
    EXPECT_EQ(sql("SELECT count(*) FROM 流水"), "0");
    EXPECT_EQ(o.标签_单号.text(), "");

    EXPECT_EQ(openTable("大厅1号", "3人"), "开台成功！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Information);
    EXPECT_EQ(sql("SELECT 人数 FROM 流水"), "3");
    EXPECT_EQ(o.标签_人数.text(), "3人");
    EXPECT_EQ(o.标签_当前操作.text(), "大厅1号");
    EXPECT_EQ(o.组合框_切换.selectedIndex(), 0);
    EXPECT_EQ(o.组合框_餐台.selectedIndex(), -1);
    EXPECT_EQ(o.组合框_人数.text(), "");
    EXPECT_EQ(o.标签_开台时间.text(), "2025年3月7日14时5分9秒");
    EXPECT_EQ(o.标签_菜品总数.text(), "0");
    EXPECT_EQ(o.标签_总金额.text(), "0");
}

TEST_F(OrderTest, AnOccupiedTableIsRefusedUntilItsOrderIsPaid) {
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    EXPECT_EQ(openTable("大厅1号", "2"), "您要开的台号已开或未结账，请更换台号！");
    EXPECT_EQ(sql("SELECT count(*) FROM 流水"), "1");
    auto& c = checkout();
    c.超级列表框_流水.selectRow(0);
    c.编辑框_金额.type("0");
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账成功！");
    EXPECT_EQ(openTable("大厅1号", "2"), "开台成功！");
}

TEST_F(OrderTest, OpeningsInTheSameSecondGetTheirOwnNumbersButTheClocksTime) {
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    ASSERT_EQ(openTable("大厅2号", "2"), "开台成功！");
    ASSERT_EQ(openTable("大厅3号", "2"), "开台成功！");
    EXPECT_EQ(sql("SELECT group_concat(单号 || '=' || 时间, ',') FROM 流水"),
              "20250307140509=2025年3月7日14时5分9秒,20250307140510=2025年3月7日14时5分9秒,"
              "20250307140511=2025年3月7日14时5分9秒");
    // At the day's last second the next number is tomorrow's; the time stays today's.
    desktop.clock = {2025, 3, 7, 23, 59, 59};
    ASSERT_EQ(openTable("大厅4号", "2"), "开台成功！");
    ASSERT_EQ(openTable("大厅5号", "2"), "开台成功！");
    EXPECT_EQ(sql("SELECT 单号 || '=' || 时间 FROM 流水 WHERE 台号='大厅5号'"),
              "20250308000000=2025年3月7日23时59分59秒");
    EXPECT_EQ(
        sql("SELECT 操作 || '/' || 金额 || '/' || 状态 || '/' || typeof(备注) FROM 流水 LIMIT 1"),
        "经理/0/0/text");
}

TEST_F(OrderTest, LinesQuantitiesAndTotalsReachTheJournal) {
    auto& o = order();
    addDish("热菜", "宫保鸡丁/28元");
    EXPECT_EQ(lastMessage().text, "请选择要操作的台号！");
    exec("INSERT INTO 菜品 VALUES ('清炒时蔬/15元','热菜')");
    o.RefreshOrderMenuDishes();
    ASSERT_EQ(openTable("大厅1号", "4"), "开台成功！");
    addDish("热菜", "宫保鸡丁/28元");
    addDish("热菜", "清炒时蔬/15元");
    EXPECT_EQ(row(0), "1|20250307140509|宫保鸡丁|28|1|28|热菜");
    selectLine(0);
    o.按钮_数量加.click();
    o.按钮_数量加.click();
    EXPECT_EQ(row(0), "1|20250307140509|宫保鸡丁|28|3|84|热菜");
    EXPECT_EQ(o.标签_菜品总数.text(), "4");
    EXPECT_EQ(o.标签_总金额.text(), "99");
    EXPECT_EQ(sql("SELECT 金额 FROM 流水"), "99");
    EXPECT_EQ(sql("SELECT group_concat(菜品||单价||'x'||数量||'='||金额, ',') FROM 明细"),
              "宫保鸡丁28x3=84,清炒时蔬15x1=15");
    selectLine(1);
    o.按钮_数量减.click();
    EXPECT_EQ(lastMessage().text, "菜品数量已经为 ‘ 1 ’ ，如还需减少请点击删除按钮！");
    EXPECT_EQ(sql("SELECT 数量 FROM 明细 WHERE 菜品='清炒时蔬'"), "1");
    selectLine(0);
    o.按钮_数量减.click();
    EXPECT_EQ(row(0), "1|20250307140509|宫保鸡丁|28|2|56|热菜");
    EXPECT_EQ(sql("SELECT 金额 FROM 流水"), "71");
}

TEST_F(OrderTest, GuardsOnLineButtons) {
    auto& o = order();
    o.按钮_数量加.click();
    EXPECT_EQ(lastMessage().text, "请选择要操作的台号！");
    ASSERT_EQ(openTable("大厅1号", "4"), "开台成功！");
    for (ui::Button* b : {&o.按钮_数量加, &o.按钮_数量减, &o.按钮_删除}) {
        b->click();
        EXPECT_EQ(lastMessage().text, "请在列表内选中要操作的菜品项目！");
    }
}

TEST_F(OrderTest, ADishOfTheSameNameInAnotherCategoryIsADuplicate) {
    exec("INSERT INTO 菜品 VALUES ('宫保鸡丁/30元','凉菜')");
    order().RefreshOrderMenuDishes();
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    addDish("热菜", "宫保鸡丁/28元");
    addDish("凉菜", "宫保鸡丁/30元");
    EXPECT_EQ(lastMessage().text, "要添加的菜品已存在，如需增加数量请按 ‘ 数量+ ’ 按钮！");
    EXPECT_EQ(order().超级列表框_点菜.rowCount(), 1);
    EXPECT_EQ(sql("SELECT count(*) FROM 明细"), "1");
}

TEST_F(OrderTest, DeletingClosesUpRowNumbersAndTheLastLineZeroesTheTotals) {
    auto& o = order();
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    addDish("凉菜", "拍黄瓜/12元");
    addDish("汤羹", "酸辣汤/18元");
    addDish("主食", "米饭/2元");
    selectLine(1);
    o.按钮_删除.click();
    EXPECT_EQ(row(0).substr(0, 2), "1|");
    EXPECT_EQ(row(1), "2|20250307140509|米饭|2|1|2|主食");
    EXPECT_EQ(sql("SELECT group_concat(菜品) FROM 明细"), "拍黄瓜,米饭");
    selectLine(0);
    o.按钮_删除.click();
    selectLine(0);
    o.按钮_删除.click();
    EXPECT_EQ(o.超级列表框_点菜.rowCount(), 0);
    EXPECT_EQ(o.标签_菜品总数.text(), "0");
    EXPECT_EQ(o.标签_总金额.text(), "0");
    EXPECT_EQ(sql("SELECT 金额 FROM 流水"), "0");
}

TEST_F(OrderTest, AmountsBeyondWhatIsStoredAreRefusedNotWrapped) {
    exec("INSERT INTO 菜品 VALUES ('金箔宴/99999999999元','热菜'), ('鲍鱼/2000000000元','热菜')");
    order().RefreshOrderMenuDishes();
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    addDish("热菜", "金箔宴/99999999999元");
    EXPECT_EQ(lastMessage().text, "菜品单价或总金额超出范围，无法添加！");
    addDish("热菜", "鲍鱼/2000000000元");
    order().超级列表框_点菜.selectRow(0);
    order().按钮_数量加.click();  // 2,000,000,000 x 2
    EXPECT_EQ(lastMessage().text, "数量或金额超出范围，无法修改！");
    addDish("热菜", "东北烤全羊/188元");
    addDish("汤羹", "酸辣汤/18元");
    EXPECT_EQ(sql("SELECT group_concat(数量 || '×' || 金额) FROM 明细"), "1×2000000000,1×188,1×18");
    EXPECT_EQ(order().标签_总金额.text(), sql("SELECT 金额 FROM 流水"));
    EXPECT_EQ(order().标签_总金额.text(), "2000000206");
}

TEST_F(OrderTest, ALineAndItsOrderTotalAreStoredTogetherOrNotAtAll) {
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    addDish("热菜", "宫保鸡丁/28元");
    exec("CREATE TRIGGER no_total BEFORE UPDATE ON 流水 BEGIN SELECT RAISE(ABORT, 'no'); END");
    addDish("汤羹", "酸辣汤/18元");
    EXPECT_EQ(lastMessage().text, "写流水数据库失败，请检查！");
    order().超级列表框_点菜.selectRow(0);
    order().按钮_数量加.click();
    order().按钮_删除.click();
    EXPECT_EQ(sql("SELECT group_concat(菜品 || '×' || 数量) FROM 明细"), "宫保鸡丁×1");
    EXPECT_EQ(sql("SELECT 金额 FROM 流水"), "28");
    ASSERT_EQ(order().超级列表框_点菜.rowCount(), 1);
    EXPECT_EQ(order().超级列表框_点菜.cell(0, 4), "1");
    EXPECT_EQ(order().标签_总金额.text(), "28");
}

TEST_F(OrderTest, FailedWritesLeaveListAndDatabaseInAgreement) {
    auto& o = order();
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    addDish("凉菜", "拍黄瓜/12元");

    exec("CREATE TRIGGER no_add BEFORE INSERT ON 明细 BEGIN SELECT RAISE(ABORT, 'full'); END");
    addDish("汤羹", "酸辣汤/18元");
    EXPECT_EQ(lastMessage().text, "添加明细数据库失败，请检查！");
    EXPECT_EQ(o.超级列表框_点菜.rowCount(), 1);
    EXPECT_EQ(o.标签_总金额.text(), "12");
    exec("DROP TRIGGER no_add");

    exec("CREATE TRIGGER no_change BEFORE UPDATE ON 明细 BEGIN SELECT RAISE(ABORT, 'locked'); END");
    selectLine(0);
    o.按钮_数量加.click();
    EXPECT_EQ(lastMessage().text, "添加明细数据库失败，请检查！");
    EXPECT_EQ(row(0), "1|20250307140509|拍黄瓜|12|1|12|凉菜");
    exec("DROP TRIGGER no_change");

    exec("CREATE TRIGGER no_delete BEFORE DELETE ON 明细 BEGIN SELECT RAISE(ABORT, 'kept'); END");
    o.按钮_删除.click();
    EXPECT_EQ(lastMessage().text, "删除菜品失败，请检查！");
    EXPECT_EQ(o.超级列表框_点菜.rowCount(), 1);
    EXPECT_EQ(o.标签_总金额.text(), "12");
    EXPECT_EQ(sql("SELECT count(*) FROM 明细"), "1");
    exec("DROP TRIGGER no_delete");

    // Once the database takes writes again the same cursor carries on.
    addDish("汤羹", "酸辣汤/18元");
    EXPECT_EQ(sql("SELECT group_concat(菜品) FROM 明细"), "拍黄瓜,酸辣汤");
    EXPECT_EQ(sql("SELECT 金额 FROM 流水"), "30");
}

TEST_F(OrderTest, AFailedOpeningSaysSoAndMakesNoOrderCurrent) {
    exec("CREATE TRIGGER no_open BEFORE INSERT ON 流水 BEGIN SELECT RAISE(ABORT, 'no'); END");
    EXPECT_EQ(openTable("大厅1号", "2"), "开台失败，请检查！");
    EXPECT_EQ(order().标签_当前操作.text(), "");
    EXPECT_EQ(order().组合框_切换.itemCount(), 0);
    exec("DROP TRIGGER no_open");
    EXPECT_EQ(openTable("大厅1号", "2"), "开台成功！");
    EXPECT_EQ(sql("SELECT count(*) FROM 流水"), "1");

    // A failed opening leaves the current order exactly as it was, and its dishes go to it.
    addDish("热菜", "宫保鸡丁/28元");
    const std::string number = order().标签_单号.text();
    exec("CREATE TRIGGER no_open BEFORE INSERT ON 流水 BEGIN SELECT RAISE(ABORT, 'no'); END");
    desktop.clock.minute += 1;
    EXPECT_EQ(openTable("大厅2号", "2"), "开台失败，请检查！");
    EXPECT_EQ(order().标签_单号.text(), number);
    EXPECT_EQ(order().标签_当前操作.text(), "大厅1号");
    EXPECT_EQ(order().超级列表框_点菜.rowCount(), 1);
    addDish("汤羹", "酸辣汤/18元");
    EXPECT_EQ(sql("SELECT count(*) FROM 明细 WHERE 单号='" + number + "'"), "2");
    EXPECT_EQ(sql("SELECT 金额 FROM 流水"), "46");
}

TEST_F(OrderTest, SwitchingBackAfterReopeningTheWindowReloadsLinesAndTotals) {
    ASSERT_EQ(openTable("大厅1号", "3"), "开台成功！");
    addDish("热菜", "宫保鸡丁/28元");
    order().超级列表框_点菜.selectRow(0);
    order().按钮_数量加.click();
    ASSERT_EQ(openTable("大厅2号", "5"), "开台成功！");
    addDish("酒水", "可乐/5元");
    order().destroy();
    EXPECT_EQ(app->orderWindow(), nullptr);

    auto& o = order();
    EXPECT_EQ(o.标签_当前操作.text(), "");
    o.按钮_切换.click();
    EXPECT_EQ(lastMessage().text, "请选择要切换的台号！");
    o.组合框_切换.choose(0);
    o.按钮_切换.click();
    EXPECT_EQ(o.标签_单号.text(), "20250307140509");
    EXPECT_EQ(o.标签_当前操作.text(), "大厅1号");
    EXPECT_EQ(o.标签_人数.text(), "3");
    EXPECT_EQ(o.标签_开台时间.text(), "2025年3月7日14时5分9秒");
    EXPECT_EQ(row(0), "1|20250307140509|宫保鸡丁|28|2|56|热菜");
    EXPECT_EQ(o.标签_菜品总数.text(), "2");
    EXPECT_EQ(o.标签_总金额.text(), "56");
}

TEST_F(OrderTest, AMenuItemWithoutPriceAndADishOfAMissingCategory) {
    exec("INSERT INTO 菜品 VALUES ('茶位','酒水'); INSERT INTO 菜品 VALUES ('鬼菜/9元','无此类')");
    auto& o = order();
    o.RefreshOrderMenuDishes();
    for (int g = 0; g < o.卷帘式菜单_点菜.groupCount(); ++g)
        for (int i = 0; i < o.卷帘式菜单_点菜.itemCount(g); ++i)
            EXPECT_NE(o.卷帘式菜单_点菜.itemText(g, i), "鬼菜/9元");
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    addDish("酒水", "茶位");
    EXPECT_EQ(row(0), "1|20250307140509|茶位|0|1|0|酒水");
}

TEST_F(OrderTest, LoginAsAnotherUserTogglesTheOpenButton) {
    addUser("服务员", "1", "0000000000");
    auto& o = order();
    EXPECT_TRUE(o.按钮_开台.enabled());
    switchUser("服务员", "1");
    EXPECT_FALSE(o.按钮_开台.enabled());
    switchUser("经理", "888888");
    EXPECT_TRUE(o.按钮_开台.enabled());
}
