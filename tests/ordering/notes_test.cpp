// Notes for the kitchen: chosen and typed, on the ticket under their dish, changes sent as
// 改口味, kept per line, and the notes offered set up in 口味设置.
#include <fstream>
#include <sstream>

#include "ordering/taste_window.h"
#include "printing/print_queue.h"
#include "settings/taste_settings_window.h"
#include "support/app_fixture.h"
#include "util/gbk.h"

using namespace tablora;
using test::AppTest;

namespace {

class NotesTest : public AppTest {
  protected:
    void SetUp() override {
        exec("INSERT INTO 打印机 VALUES ('热厨', 'file:" + kitchen + "', 80, '厨房', '')");
        start();
        ASSERT_EQ(openTable("大厅1号", "4"), "开台成功！");
        addDish("热菜", "宫保鸡丁/28元");
    }
    void note(const std::function<void(ordering::TasteWindow&)>& act) {
        desktop.modalScripts.push_back(
            [act](ui::Window& w) { act(static_cast<ordering::TasteWindow&>(w)); });
        order().超级列表框_点菜.selectRow(0);
        order().按钮_口味.click();
    }
    // What the kitchen printer got since the last look, as GBK bytes.
    std::string printed() {
        order().按钮_送厨.click();
        app->printQueue().finishAll();
        std::ifstream in(kitchen, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        std::string all = s.str(), fresh = all.substr(seen);
        seen = all.size();
        return fresh;
    }
    static bool holds(const std::string& bytes, const std::string& utf8) {
        return bytes.find(util::toGbk(utf8)) != std::string::npos;
    }
    std::string kitchen = dir.path("kitchen.prn");
    size_t seen = 0;
};

}  // namespace

TEST_F(NotesTest, ANoteGoesUnderItsDishAndAChangedOneGoesAgainAsAChange) {
    note([&](ordering::TasteWindow& w) {
        EXPECT_EQ(w.caption(), "口味/做法");
        EXPECT_EQ(w.选择列表框_口味.itemText(2), "少辣");
        w.选择列表框_口味.tick(2, true);
        w.选择列表框_口味.tick(0, true);
        w.编辑框_其他.type("一二三四五六七八九十一二三四五六七八九十一");
        w.按钮_确定.click();
        EXPECT_EQ(lastMessage().text, "其他口味不能超过20个字！");
        for (int k = 0; k < w.选择列表框_口味.itemCount(); ++k) w.选择列表框_口味.tick(k, true);
        w.编辑框_其他.type("多放一点花生");
        w.按钮_确定.click();
        EXPECT_EQ(lastMessage().text, "备注不能超过40个字！");
        for (int k = 1; k < w.选择列表框_口味.itemCount(); ++k) w.选择列表框_口味.tick(k, k == 2);
        w.编辑框_其他.type("<b>多放花生\t");
        EXPECT_EQ(w.标签_预览.text(), "不要香菜，少辣，<b>多放花生");
        w.按钮_确定.click();
    });
    EXPECT_EQ(order().标签_口味.text(), "口味：不要香菜，少辣，<b>多放花生");
    EXPECT_EQ(sql("SELECT 口味 || '/' || 已送口味 FROM 菜品口味"), "不要香菜，少辣，<b>多放花生/");
    std::string ticket = printed();
    EXPECT_TRUE(holds(ticket, "厨房单"));
    EXPECT_TRUE(holds(ticket, "  ※不要香菜，少辣，<b>多放花生"));
    EXPECT_EQ(order().标签_待送厨.text(), "待送厨：0");

    // Changed after it was sent: it counts as a change and goes as 改口味.
    note([&](ordering::TasteWindow& w) {
        EXPECT_TRUE(w.选择列表框_口味.ticked(2));
        EXPECT_EQ(w.编辑框_其他.text(), "<b>多放花生");
        w.按钮_清除.click();
        w.选择列表框_口味.tick(4, true);
        w.按钮_确定.click();
    });
    EXPECT_EQ(order().标签_待送厨.text(), "待送厨：1");
    ticket = printed();
    EXPECT_TRUE(holds(ticket, "改口味"));
    EXPECT_TRUE(holds(ticket, "  ※加辣"));
    EXPECT_FALSE(holds(ticket, "加菜"));
    note([&](ordering::TasteWindow& w) {
        w.按钮_清除.click();
        w.按钮_确定.click();
    });
    EXPECT_TRUE(holds(printed(), "  取消：加辣"));
    EXPECT_EQ(order().标签_口味.text(), "");

    // Notes never print on bills.
    exec("INSERT INTO 打印机 VALUES ('前台', 'file:" + dir.path("bill.prn") + "', 80, '账单', '')");
    note([&](ordering::TasteWindow& w) {
        w.选择列表框_口味.tick(2, true);
        w.按钮_确定.click();
    });
    checkout().超级列表框_流水.selectRow(0);
    checkout().超级列表框_明细.selectRow(0);
    EXPECT_EQ(checkout().标签_口味.text(), "口味：少辣");
    checkout().按钮_打印账单.click();
    app->printQueue().finishAll();
    std::ifstream bill(dir.path("bill.prn"), std::ios::binary);
    std::stringstream bytes;
    bytes << bill.rdbuf();
    EXPECT_TRUE(holds(bytes.str(), "宫保鸡丁"));
    EXPECT_FALSE(holds(bytes.str(), "少辣"));
}

TEST_F(NotesTest, ANoteIsNotKeptForAnOrderSettledMeanwhileOrWhenItsRowCannotBeWritten) {
    note([&](ordering::TasteWindow& w) {
        exec("UPDATE 流水 SET 状态 = 1");
        w.选择列表框_口味.tick(2, true);
        w.按钮_确定.click();
        EXPECT_TRUE(w.destroyed());
    });
    EXPECT_EQ(lastMessage().text, "该单已结账或已被修改，请刷新后重试！");
    exec("UPDATE 流水 SET 状态 = 0");
    exec("CREATE TRIGGER 拒绝 BEFORE INSERT ON 菜品口味 BEGIN SELECT RAISE(ABORT, 'no'); END");
    note([&](ordering::TasteWindow& w) {
        w.选择列表框_口味.tick(2, true);
        w.按钮_确定.click();
        EXPECT_EQ(lastMessage().text, "口味保存失败，请检查！");
    });
    EXPECT_EQ(sql("SELECT count(*) FROM 菜品口味"), "0");
    EXPECT_EQ(order().标签_口味.text(), "");
}

TEST_F(NotesTest, TheNotesOfferedAreUniquePerCategoryAndADishSeesItsOwnCategorys) {
    desktop.modalScripts.push_back([&](ui::Window& w) {
        auto& s = static_cast<settings::TasteSettingsWindow&>(w);
        s.编辑框_口味.type("少辣");
        s.按钮_添加.click();
        EXPECT_EQ(lastMessage().text, "口味已存在，请修改！");
        s.组合框_分类.choose(2);  // 热菜
        s.按钮_添加.click();
        EXPECT_EQ(lastMessage().text, "添加口味成功！");
        s.编辑框_口味.type("多放花生");
        s.按钮_添加.click();
        EXPECT_EQ(s.列表框_口味.items().back(), "多放花生（热菜）");
        s.列表框_口味.choose(s.列表框_口味.itemCount() - 2);
        s.按钮_删除.click();
        EXPECT_EQ(lastMessage().text, "删除口味成功！");
        s.pressKey(ui::Window::kEscape);
        EXPECT_TRUE(s.destroyed());
    });
    desktop.menuChoices.push_back("口味设置");
    main().工具条1.clickItem(shell::MainWindow::kSettings);
    note([&](ordering::TasteWindow& w) {
        EXPECT_EQ(w.选择列表框_口味.itemCount(), 12);
        EXPECT_EQ(w.选择列表框_口味.itemText(11), "多放花生");
    });
    addDish("汤羹", "酸辣汤/18元");
    desktop.modalScripts.push_back([&](ui::Window& w) {
        EXPECT_EQ(static_cast<ordering::TasteWindow&>(w).选择列表框_口味.itemCount(), 11);
    });
    order().超级列表框_点菜.selectRow(1);
    order().按钮_口味.click();
}
