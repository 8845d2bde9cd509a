// Voids of what the kitchen has, decreases of what it has not, and the rights they need.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ordering/number_pad_window.h"
#include "ordering/void_dish_window.h"
#include "printing/print_queue.h"
#include "rights/authorize_window.h"
#include "settings/extra_rights_window.h"
#include "settings/user_settings_window.h"
#include "support/app_fixture.h"
#include "util/gbk.h"

using namespace tablora;
using test::AppTest;

namespace {

class VoidTest : public AppTest {
  protected:
    void SetUp() override {
        exec("INSERT INTO 打印机 VALUES ('热厨', 'file:" + kitchen + "', 80, '厨房', '')");
        addUser("服务员", "1", "1000000000");
        start("服务员", "1");
        ASSERT_EQ(openTable("大厅1号", "4"), "开台成功！");
        addDish("热菜", "宫保鸡丁/28元");
        order().超级列表框_点菜.selectRow(0);
        order().按钮_数量加.click();
        order().按钮_数量加.click();
        order().按钮_送厨.click();
        app->printQueue().finishAll();
    }
    void authorize(const std::string& password) {
        desktop.modalScripts.push_back([password](ui::Window& w) {
            auto& a = static_cast<rights::AuthorizeWindow&>(w);
            EXPECT_EQ(a.组合框_用户.items(), std::vector<std::string>{"经理"});
            a.编辑框_密码.type(password);
            a.按钮_确定.click();
        });
    }
    void voidWith(const std::function<void(ordering::VoidDishWindow&)>& act) {
        desktop.modalScripts.push_back(
            [act](ui::Window& w) { act(static_cast<ordering::VoidDishWindow&>(w)); });
        order().超级列表框_点菜.selectRow(0);
        order().按钮_退菜.click();
    }
    std::string kitchenText() {
        std::ifstream in(kitchen, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string stored() {
        return sql(
            "SELECT d.数量 || '/' || j.金额 || '/' || s.数量 FROM 明细 d JOIN 流水 j USING "
            "(单号) JOIN 送厨记录 s USING (单号)");
    }
    std::string kitchen = dir.path("kitchen.prn");
};

}  // namespace

TEST_F(VoidTest, WhatTheKitchenHasIsVoidedWithAReasonAnApprovalATicketAndATrace) {
    ASSERT_EQ(stored(), "3/84/3");
    // More than was sent comes off freely, and leaves its trace; below what was sent does not.
    order().按钮_数量加.click();
    order().按钮_数量减.click();
    order().按钮_数量减.click();
    EXPECT_EQ(lastMessage().text, "该菜品已送厨3份，减少请使用‘退菜’！");
    order().按钮_删除.click();
    EXPECT_EQ(lastMessage().text, "该菜品已送厨3份，减少请使用‘退菜’！");
    EXPECT_EQ(stored(), "3/84/3");
    EXPECT_EQ(sql("SELECT 动作 || 菜品 || 数量 || '/' || 金额 || 操作员 FROM 操作记录"),
              "删菜宫保鸡丁1/28服务员");

    // A waiter without the right: a manager approves; a wrong password first.
    authorize("0");  // left open: closed as a person closes it
    order().超级列表框_点菜.selectRow(0);
    order().按钮_退菜.click();
    EXPECT_EQ(lastMessage().text, "密码错误，请重新输入！");
    EXPECT_EQ(stored(), "3/84/3");

    authorize("888888");
    voidWith([&](ordering::VoidDishWindow& w) {
        EXPECT_EQ(w.标签_可退.text(), "已点3份，已送厨3份");
        EXPECT_EQ(
            w.组合框_原因.items(),
            (std::vector<std::string>{"客人不要了", "上菜太慢", "点错了", "菜品质量问题", "估清"}));
        w.编辑框_退菜数量.type("4");
        w.按钮_确定.click();
        EXPECT_EQ(lastMessage().text, "退菜数量不能超过已点数量3！");
        w.编辑框_退菜数量.type("0");
        w.按钮_确定.click();
        EXPECT_EQ(lastMessage().text, "请输入正确的退菜数量！");
        w.编辑框_退菜数量.type("1");
        w.组合框_原因.type(" \t ");
        w.按钮_确定.click();
        EXPECT_EQ(lastMessage().text, "请选择或输入退菜原因！");
        w.组合框_原因.type("上菜<b>太慢\n");
        w.按钮_确定.click();
    });
    app->printQueue().finishAll();
    EXPECT_EQ(lastMessage().text, "退菜成功！");
    EXPECT_EQ(stored(), "2/56/2");
    EXPECT_EQ(order().标签_总金额.text(), "56");
    EXPECT_EQ(order().标签_待送厨.text(), "待送厨：0");
    EXPECT_EQ(sql("SELECT 动作 || 数量 || '/' || 金额 || 原因 || 操作员 || 授权人 || 已送厨 FROM "
                  "操作记录 WHERE 动作 = '退菜'"),
              "退菜1/28上菜<b>太慢服务员经理1");
    const std::string printed = kitchenText();
    for (const char* text :
         {"退菜", "台号：大厅1号", "原因：上菜<b>太慢", "退菜人：服务员（授权：经理）"})
        EXPECT_NE(printed.find(util::toGbk(text)), std::string::npos) << text;
    EXPECT_EQ(sql("SELECT count(*) FROM 打印任务"), "0");

    // Settled by another program while the window is open: nothing is written.
    authorize("888888");
    voidWith([&](ordering::VoidDishWindow& w) {
        exec("UPDATE 流水 SET 状态 = 1");
        w.组合框_原因.choose(0);
        w.按钮_确定.click();
        EXPECT_TRUE(w.destroyed());
    });
    EXPECT_EQ(lastMessage().text, "该单已结账或已被修改，请刷新后重试！");
    EXPECT_EQ(stored(), "2/56/2");
    exec("UPDATE 流水 SET 状态 = 0");

    // A trace that cannot be written: the void does not happen.
    exec("CREATE TRIGGER 拒绝 BEFORE INSERT ON 操作记录 BEGIN SELECT RAISE(ABORT, 'no'); END");
    authorize("888888");
    voidWith([&](ordering::VoidDishWindow& w) {
        w.组合框_原因.choose(2);
        w.按钮_确定.click();
        EXPECT_EQ(lastMessage().text, "退菜失败，请检查！");
    });
    EXPECT_EQ(stored(), "2/56/2");
    EXPECT_EQ(sql("SELECT count(*) FROM 打印任务"), "0");

    // Nobody left who may approve.
    exec("DELETE FROM 用户权限");
    order().超级列表框_点菜.selectRow(0);
    order().按钮_退菜.click();
    EXPECT_EQ(lastMessage().text, "没有可以授权的用户！");
}

TEST_F(VoidTest, ADecreaseWhoseTraceCannotBeWrittenDoesNotHappen) {
    order().按钮_数量加.click();
    exec("CREATE TRIGGER 拒绝 BEFORE INSERT ON 操作记录 BEGIN SELECT RAISE(ABORT, 'no'); END");
    order().按钮_数量减.click();
    EXPECT_EQ(lastMessage().text, "添加明细数据库失败，请检查！");
    EXPECT_EQ(order().超级列表框_点菜.cell(0, ordering::OrderWindow::数量), "4");
    EXPECT_EQ(sql("SELECT 数量 FROM 明细"), "4");
    // An unsent dish is deleted and voiding it is refused.
    addDish("汤羹", "酸辣汤/18元");
    order().超级列表框_点菜.selectRow(1);
    order().按钮_退菜.click();
    EXPECT_EQ(lastMessage().text, "该菜品尚未送厨，可直接删除或减少数量。");
    order().按钮_删除.click();
    EXPECT_EQ(lastMessage().text, "删除菜品失败，请检查！");
    EXPECT_EQ(sql("SELECT count(*) FROM 明细"), "2");
}

TEST_F(VoidTest, ExtraRightsAreSetPerUserAndFollowARenameAndADeletion) {
    switchUser("经理", "888888");
    desktop.modalScripts.push_back([&](ui::Window& w) {
        auto& users = static_cast<settings::UserSettingsWindow&>(w);
        users.组合框_用户.choose(1);
        desktop.modalScripts.push_back([&](ui::Window& x) {
            auto& r = static_cast<settings::ExtraRightsWindow&>(x);
            EXPECT_EQ(r.标签_用户.text(), "用户：服务员");
            EXPECT_FALSE(r.选择列表框_附加权限.ticked(0));
            r.选择列表框_附加权限.tick(0, true);
            r.编辑框_最低折扣.type("101");
            r.按钮_确定.click();
            EXPECT_EQ(lastMessage().text, "最低折扣应在0到100之间（80即8折，0不限）！");
            r.编辑框_最低折扣.type("80");
            r.编辑框_抹零上限.type("5");
            r.按钮_确定.click();
        });
        users.按钮_附加权限.click();
        EXPECT_EQ(lastMessage().text, "附加权限设置成功！");
        users.列表框_用户.choose(1);
        users.编辑框_用户.type("小王");
        users.按钮_修改.click();
    });
    desktop.menuChoices.push_back("用户设置");
    main().工具条1.clickItem(shell::MainWindow::kSettings);
    EXPECT_EQ(sql("SELECT 用户 || 退菜 || 赠送 || 最低折扣 || '/' || 抹零上限 FROM 用户权限 WHERE "
                  "用户 <> '经理'"),
              "小王1080/5");
    desktop.modalScripts.push_back([&](ui::Window& w) {
        auto& users = static_cast<settings::UserSettingsWindow&>(w);
        users.列表框_用户.choose(1);
        users.按钮_删除.click();
    });
    desktop.menuChoices.push_back("用户设置");
    main().工具条1.clickItem(shell::MainWindow::kSettings);
    EXPECT_EQ(sql("SELECT group_concat(用户) FROM 用户权限"), "经理");
}

TEST_F(VoidTest, TheKeypadSetsAQuantityInOneWriteAndKeepsWhatTheKitchenHas) {
    const auto pad = [&](const std::function<void(ordering::NumberPadWindow&)>& act) {
        desktop.modalScripts.push_back(
            [act](ui::Window& w) { act(static_cast<ordering::NumberPadWindow&>(w)); });
        order().超级列表框_点菜.selectRow(0);
        order().按钮_数量.click();
    };
    pad([&](ordering::NumberPadWindow& w) {
        EXPECT_EQ(w.标签_菜品.text(), "宫保鸡丁（已点3份）");
        for (const char* typed : {"0", "1000", "八"}) {
            w.编辑框_数量.type(typed);
            w.按钮_确定.click();
            EXPECT_EQ(lastMessage().text, "菜品数量应在1到999之间！") << typed;
        }
        w.按钮_清除.click();
        w.按钮_2.click();
        w.按钮_确定.click();
    });
    EXPECT_EQ(lastMessage().text, "该菜品已送厨3份，减少请使用‘退菜’！");
    pad([&](ordering::NumberPadWindow& w) {
        w.按钮_1.click();
        w.按钮_2.click();
        w.按钮_退格.click();
        w.按钮_确定.click();
    });
    EXPECT_EQ(order().标签_菜品总数.text(), "3");
    EXPECT_EQ(lastMessage().text, "该菜品已送厨3份，减少请使用‘退菜’！");
    pad([&](ordering::NumberPadWindow& w) {
        w.按钮_8.click();
        w.按钮_确定.click();
    });
    pad([&](ordering::NumberPadWindow& w) {
        w.按钮_5.click();
        w.按钮_确定.click();
    });
    EXPECT_EQ(order().标签_总金额.text(), "140");
    EXPECT_EQ(sql("SELECT d.数量 || '/' || j.金额 FROM 明细 d JOIN 流水 j USING (单号)"), "5/140");
    EXPECT_EQ(sql("SELECT 动作 || 数量 || '/' || 金额 FROM 操作记录"), "删菜3/84");
    EXPECT_EQ(order().标签_待送厨.text(), "待送厨：2");
}

TEST_F(VoidTest, AVoidTicketThePrinterRefusesIsKeptToPrintAgainAndTheVoidStands) {
    switchUser("经理", "888888");
    exec("UPDATE 打印机 SET 连接 = 'file:/dev/nonexistent-printer'");
    voidWith([&](ordering::VoidDishWindow& w) {
        w.组合框_原因.choose(0);
        w.按钮_确定.click();
    });
    app->printQueue().finishAll();
    EXPECT_EQ(lastMessage().text, "打印机“热厨”打印失败，请检查！");
    EXPECT_EQ(stored(), "2/56/2");
    EXPECT_EQ(sql("SELECT 说明 FROM 打印任务"), "退菜单 " + order().标签_单号.text());
    EXPECT_EQ(sql("SELECT 授权人 FROM 操作记录 WHERE 动作 = '退菜'"), "");
    // The bill lists the void after the lines, without an amount.
    exec("INSERT INTO 打印机 VALUES ('前台', 'file:" + dir.path("bill.prn") + "', 80, '账单', '')");
    checkout().超级列表框_流水.selectRow(0);
    checkout().按钮_打印账单.click();
    app->printQueue().finishAll();
    std::ifstream in(dir.path("bill.prn"), std::ios::binary);
    const std::string bill{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(bill.find(util::toGbk("退菜：宫保鸡丁×1（客人不要了）")), std::string::npos);
}
