// Finding a dish by typing its initials or a part of its name, and correcting its initials.
#include "core/shared_lists.h"
#include "settings/restaurant_settings_window.h"
#include "support/app_fixture.h"
#include "util/initials.h"

using namespace tablora;
using test::AppTest;

namespace {

class DishSearchTest : public AppTest {
  protected:
    void SetUp() override {
        start();
        ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    }
    std::vector<std::string> matches(const std::string& typed) {
        order().编辑框_检索.type(typed);
        return order().列表框_检索.items();
    }
};

}  // namespace

TEST_F(DishSearchTest, EveryDishIsFoundByItsInitialsAndEnterAddsItAsTheMenuDoes) {
    auto& menu = order().卷帘式菜单_点菜;
    for (int g = 0; g < menu.groupCount(); ++g)
        for (int i = 0; i < menu.itemCount(g); ++i) {
            const std::string text = menu.itemText(g, i);
            const auto found = matches(util::dishInitials(core::splitDish(text).name));
            ASSERT_FALSE(found.empty()) << text;
            EXPECT_NE(std::find(found.begin(), found.end(), text), found.end()) << text;
        }
    // Initials starting with the letters come first; a part of the name finds too.
    std::string names;
    for (const auto& found : matches("Y")) names += core::splitDish(found).name + " ";
    EXPECT_EQ(names, "鱼香肉丝 玉米排骨汤 扬州炒饭 水煮鱼 东北烤全羊 老鸭汤 葱油饼 ");
    EXPECT_EQ(matches("鸡丁"), std::vector<std::string>{"宫保鸡丁/28元"});
    EXPECT_TRUE(order().列表框_检索.visible());
    order().编辑框_检索.pressKey(ui::Window::kEscape);
    EXPECT_FALSE(order().列表框_检索.visible());

    matches("gbjd");
    order().编辑框_检索.pressKey(ui::EditBox::kEnter);
    EXPECT_EQ(order().超级列表框_点菜.cell(0, ordering::OrderWindow::菜品名称), "宫保鸡丁");
    EXPECT_EQ(order().编辑框_检索.text(), "");
    EXPECT_FALSE(order().列表框_检索.visible());
    matches("gbjd");
    order().列表框_检索.choose(0);
    EXPECT_EQ(lastMessage().text, "要添加的菜品已存在，如需增加数量请按 ‘ 数量+ ’ 按钮！");
    EXPECT_EQ(sql("SELECT count(*) FROM 明细"), "1");
}

TEST_F(DishSearchTest, InitialsAreMadeForANewDishAndAPersonCorrectsThem) {
    desktop.modalScripts.push_back([&](ui::Window& w) {
        auto& s = static_cast<settings::RestaurantSettingsWindow&>(w);
        auto& menu = s.卷帘式菜单_菜单;
        menu.setOpenGroup(0);
        s.编辑框_菜品.type("重庆小面");
        s.编辑框_单价.type("12");
        s.按钮_菜品添加.click();
        EXPECT_EQ(sql("SELECT 助记码 FROM 菜品助记码 WHERE 菜品 = '重庆小面'"), "zqxm");
        const int added = menu.itemCount(0) - 1;
        menu.clickItem(0, added);
        EXPECT_EQ(s.编辑框_助记码.text(), "zqxm");
        s.编辑框_助记码.type("c q-xm");
        s.按钮_菜品修改.click();
        EXPECT_EQ(lastMessage().text, "助记码只能是10个以内的字母或数字！");
        s.编辑框_助记码.type("CQXM");
        s.按钮_菜品修改.click();
        EXPECT_EQ(lastMessage().text, "菜品修改成功！");
    });
    desktop.menuChoices.push_back("餐厅设置");
    main().工具条1.clickItem(shell::MainWindow::kSettings);
    EXPECT_EQ(sql("SELECT group_concat(助记码) FROM 菜品助记码 WHERE 菜品 = '重庆小面'"), "cqxm");
    EXPECT_EQ(matches("cqxm"), std::vector<std::string>{"重庆小面/12元"});
}
