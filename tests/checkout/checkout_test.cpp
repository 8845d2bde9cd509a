#include "support/app_fixture.h"

using namespace tablora;
using test::AppTest;

namespace {

// Two open tables: 大厅1号 due 99 (宫保鸡丁 ×3 + 清炒时蔬), 大厅2号 due 18.
class CheckoutTest : public AppTest {
  protected:
    void SetUp() override {
        exec("INSERT INTO 菜品 VALUES ('清炒时蔬/15元','热菜')");
        start();
        ASSERT_EQ(openTable("大厅1号", "4"), "开台成功！");
        addDish("热菜", "宫保鸡丁/28元");
        addDish("热菜", "清炒时蔬/15元");
        order().超级列表框_点菜.selectRow(0);
        order().按钮_数量加.click();
        order().按钮_数量加.click();
        ASSERT_EQ(openTable("大厅2号", "2"), "开台成功！");
        addDish("汤羹", "酸辣汤/18元");
    }
    void pick(int row) { checkout().超级列表框_流水.selectRow(row); }
};

}  // namespace

TEST_F(CheckoutTest, ListsUnpaidOrdersAndShowsTheSelectedOne) {
    auto& c = checkout();
    EXPECT_EQ(c.top(), 155);
    ASSERT_EQ(c.超级列表框_流水.rowCount(), 2);
    EXPECT_EQ(c.超级列表框_流水.currentRow(), -1);
    EXPECT_EQ(c.标签_台号.text(), "");
    EXPECT_FALSE(c.编辑框_金额.focusRequested());
    pick(0);
    EXPECT_EQ(c.标签_台号.text(), "大厅1号");
    EXPECT_EQ(c.标签_金额.text(), "99");
    EXPECT_TRUE(c.编辑框_金额.focusRequested());  // the keyboard goes to the amount
    ASSERT_EQ(c.超级列表框_明细.rowCount(), 2);
    EXPECT_EQ(c.超级列表框_明细.cell(0, 0), "1");
    EXPECT_EQ(c.超级列表框_明细.cell(0, 4), "3");
    EXPECT_EQ(c.超级列表框_明细.cell(1, 0), "2");
}

TEST_F(CheckoutTest, ChangeByButtonAndEnterMayBeNegative) {
    auto& c = checkout();
    c.按钮_计算.click();
    EXPECT_EQ(lastMessage().text, "请选择要结账的台号！");
    pick(0);
    c.按钮_计算.click();
    EXPECT_EQ(lastMessage().text, "请正确输入金额！");
    c.编辑框_金额.type("1x0-0");  // only digits and "-" get in
    EXPECT_EQ(c.编辑框_金额.text(), "10-0");
    c.编辑框_金额.type("100");
    c.按钮_计算.click();
    EXPECT_EQ(c.标签_找零.text(), "1");
    c.编辑框_金额.type("90");
    c.编辑框_金额.pressKey(ui::EditBox::kEnter);
    EXPECT_EQ(c.标签_找零.text(), "-9");
}

TEST_F(CheckoutTest, SettlingStoresStatusAndRemarkAndFreesTheTable) {
    auto& c = checkout();
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "请选择要结账的台号！");
    pick(0);
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "请正确输入金额！");
    c.编辑框_金额.type("0");  // nothing compares it with the amount due
    c.编辑框_备注.type("老板朋友\n免单");
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账成功！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Information);
    EXPECT_EQ(sql("SELECT 状态 || '/' || 备注 FROM 流水 WHERE 台号='大厅1号'"), "1/老板朋友\n免单");
    EXPECT_EQ(c.超级列表框_流水.rowCount(), 1);
    EXPECT_EQ(c.编辑框_金额.text(), "");

    pick(0);
    c.编辑框_金额.type("20");
    c.按钮_结账.click();
    EXPECT_EQ(sql("SELECT 状态 || typeof(备注) || length(备注) FROM 流水 WHERE 台号='大厅2号'"),
              "1text0");
    EXPECT_EQ(openTable("大厅1号", "2"), "开台成功！");
}

TEST_F(CheckoutTest, TheTypedAmountSurvivesSelectingAnotherOrder) {
    auto& c = checkout();
    pick(0);
    c.编辑框_金额.type("100");
    c.编辑框_备注.type("会员");
    c.按钮_计算.click();
    pick(1);
    EXPECT_EQ(c.标签_台号.text(), "大厅2号");
    EXPECT_EQ(c.编辑框_金额.text(), "100");
    EXPECT_EQ(c.编辑框_备注.text(), "会员");
    EXPECT_EQ(c.标签_找零.text(), "1");
}

TEST_F(CheckoutTest, NewOrdersAppearOnlyAfterARefreshAndLineChangesRefresh) {
    auto& c = checkout();
    pick(0);
    c.编辑框_金额.type("100");
    ASSERT_EQ(openTable("大厅3号", "2"), "开台成功！");
    EXPECT_EQ(c.超级列表框_流水.rowCount(), 2);
    EXPECT_EQ(c.编辑框_金额.text(), "100");
    addDish("主食", "米饭/2元");
    EXPECT_EQ(c.超级列表框_流水.rowCount(), 3);
    EXPECT_EQ(c.编辑框_金额.text(), "");
    EXPECT_EQ(c.超级列表框_流水.cell(2, 5), "2");
}

TEST_F(CheckoutTest, SettlingAnotherTableClearsTheCurrentOrderWhichCanBeSwitchedBack) {
    auto& o = order();
    o.组合框_切换.choose(0);
    o.按钮_切换.click();
    ASSERT_EQ(o.标签_当前操作.text(), "大厅1号");
    auto& c = checkout();
    pick(1);
    c.编辑框_金额.type("18");
    c.按钮_结账.click();
    EXPECT_EQ(o.标签_单号.text(), "");
    EXPECT_EQ(o.标签_当前操作.text(), "");
    EXPECT_EQ(o.标签_开台时间.text(), "");
    EXPECT_EQ(o.标签_人数.text(), "0");
    EXPECT_EQ(o.标签_总金额.text(), "0");
    EXPECT_EQ(o.超级列表框_点菜.rowCount(), 0);
    EXPECT_EQ(o.组合框_切换.items(), std::vector<std::string>{"大厅1号"});
    o.组合框_切换.choose(0);
    o.按钮_切换.click();
    EXPECT_EQ(o.标签_总金额.text(), "99");
}

TEST_F(CheckoutTest, AnOrderPaidBehindTheWindowsBackMatchesNothing) {
    auto& c = checkout();
    pick(0);
    c.编辑框_金额.type("99");
    exec("UPDATE 流水 SET 状态=1, 备注='别处' WHERE 台号='大厅1号'");
    const size_t before = mark();
    c.按钮_结账.click();
    EXPECT_EQ(mark(), before);  // no message
    EXPECT_EQ(sql("SELECT 备注 FROM 流水 WHERE 台号='大厅1号'"), "别处");
    EXPECT_EQ(c.超级列表框_流水.rowCount(), 1);
    EXPECT_EQ(order().组合框_切换.items(), std::vector<std::string>{"大厅2号"});
}

TEST_F(CheckoutTest, AFailedSettlementSaysSoAndTheOrderStaysUnpaid) {
    auto& c = checkout();
    pick(0);
    c.编辑框_金额.type("99");
    exec("CREATE TRIGGER no_pay BEFORE UPDATE ON 流水 BEGIN SELECT RAISE(ABORT, 'no'); END");
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账失败，请检查！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
    EXPECT_EQ(sql("SELECT 状态 FROM 流水 WHERE 台号='大厅1号'"), "0");
    EXPECT_EQ(c.超级列表框_流水.rowCount(), 2);
}

TEST_F(CheckoutTest, AReceivedAmountTooLargeToReckonWithIsRefused) {
    auto& c = checkout();
    pick(0);
    c.编辑框_金额.type("99999999999");
    c.按钮_计算.click();
    EXPECT_EQ(lastMessage().text, "实收金额超出范围，请正确输入金额！");
    EXPECT_EQ(c.标签_找零.text(), "");
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "实收金额超出范围，请正确输入金额！");
    EXPECT_EQ(sql("SELECT 状态 FROM 流水 WHERE 台号='大厅1号'"), "0");
}

TEST_F(CheckoutTest, SettlingWithoutAStatusFieldIsAFailureNotASuccess) {
    auto& c = checkout();
    pick(0);
    c.编辑框_金额.type("99");
    exec("DROP INDEX 索引_流水_状态; ALTER TABLE 流水 DROP COLUMN 状态");
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账失败，请检查！");
    EXPECT_EQ(sql("SELECT 备注 FROM 流水 WHERE 台号='大厅1号'"), "");
}

TEST_F(CheckoutTest, TheSettleButtonFollowsThePermission) {
    addUser("服务员", "1", "1000000000");
    auto& c = checkout();
    EXPECT_TRUE(c.按钮_结账.enabled());
    switchUser("服务员", "1");
    EXPECT_FALSE(c.按钮_结账.enabled());
    EXPECT_TRUE(c.按钮_计算.enabled());
    switchUser("经理", "888888");
    EXPECT_TRUE(c.按钮_结账.enabled());
}

// A file another program holds: neither a bill nor a new order is taken on what could not be
// read, and the person is told.
TEST_F(CheckoutTest, AFileHeldByAnotherProgramNeitherSettlesNorOpensSilently) {
    auto& c = checkout();
    pick(1);
    c.编辑框_金额.type("20");
    {
        test::OutsideLock lock(db);
        ASSERT_TRUE(lock.held());
        c.按钮_结账.click();
        EXPECT_EQ(lastMessage().text, "结账失败，请检查！");
        EXPECT_EQ(c.超级列表框_流水.rowCount(), 2);  // as it was, read again
    }
    EXPECT_EQ(sql("SELECT count(*) FROM 流水 WHERE 状态=0"), "2");
    {
        test::OutsideLock lock(db);
        order().组合框_餐台.choose(2);
        order().组合框_人数.choose(1);
        order().按钮_开台.click();
        EXPECT_EQ(lastMessage().text, "开台失败，请检查！");
    }
    EXPECT_EQ(sql("SELECT count(*) FROM 流水"), "2");
}

TEST_F(CheckoutTest, AWholeNumberBoxNeverJoinsTheDigitsAfterAPoint) {
    auto& c = checkout();
    for (const auto& [typed, kept] : std::vector<std::pair<std::string, std::string>>{
             {"6.5", "6"}, {"130.5", "130"}, {"12．9", "12"}, {"7。5", "7"}, {"1.5-2", "1-2"}}) {
        c.编辑框_金额.type(typed);
        EXPECT_EQ(c.编辑框_金额.text(), kept) << typed;
    }
}

TEST_F(CheckoutTest, ASettlementKeepsHowItWasPaidOrFailsWhole) {
    auto& c = checkout();
    EXPECT_EQ(c.组合框_付款方式.items(),
              (std::vector<std::string>{"现金", "微信", "支付宝", "银行卡", "挂账"}));
    EXPECT_EQ(c.组合框_付款方式.text(), "现金");
    // The 结账 row cannot be written: the order stays unpaid, nothing is recorded.
    exec("CREATE TRIGGER 不许记 BEFORE INSERT ON 结账 BEGIN SELECT RAISE(ABORT, 'no'); END");
    pick(1);
    c.组合框_付款方式.choose(1);
    c.编辑框_金额.type("100");
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账失败，请检查！");
    EXPECT_EQ(sql("SELECT count(*) FROM 流水 WHERE 状态=0"), "2");
    EXPECT_EQ(c.组合框_付款方式.text(), "现金");  // back after the refresh
    exec("DROP TRIGGER 不许记");
    // By WeChat, then on account with nothing received.
    pick(1);
    c.组合框_付款方式.choose(1);
    c.编辑框_金额.type("100");
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账成功！");
    EXPECT_EQ(c.组合框_付款方式.text(), "现金");
    pick(0);
    c.组合框_付款方式.choose(4);
    c.编辑框_金额.type("0");
    c.按钮_结账.click();
    EXPECT_EQ(lastMessage().text, "结账成功！");
    EXPECT_EQ(
        sql("SELECT group_concat(单号||'/'||付款方式||'/'||实收||'/'||找零||'/'||收银员||'/'||"
            "结账时间, ';') FROM 结账"),
        "20250307140510/微信/100/82/经理/2025年3月7日14时5分9秒;"
        "20250307140509/挂账/0/-99/经理/2025年3月7日14时5分9秒");
}
