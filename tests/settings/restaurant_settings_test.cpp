#include <functional>

#include "settings/restaurant_settings_window.h"
#include "support/app_fixture.h"

using namespace tablora;
using settings::RestaurantSettingsWindow;
using test::AppTest;

namespace {

class SettingsTest : public AppTest {
  protected:
    void SetUp() override { start(); }
    // Opens the window from the tools menu, as a manager would, and acts in it.
    void inSettings(const std::function<void(RestaurantSettingsWindow&)>& act) {
        desktop.modalScripts.push_back(
            [act](ui::Window& w) { act(static_cast<RestaurantSettingsWindow&>(w)); });
        desktop.menuChoices.push_back("餐厅设置");
        main().工具条1.clickItem(shell::MainWindow::kSettings);
    }
    static int groupOf(const ui::RollMenu& menu, const std::string& title) {
        for (int g = 0; g < menu.groupCount(); ++g)
            if (menu.groupTitle(g) == title) return g;
        return -1;
    }
    static void open(RestaurantSettingsWindow& w, const std::string& category) {
        w.卷帘式菜单_菜单.setOpenGroup(groupOf(w.卷帘式菜单_菜单, category));
    }
    static void pick(RestaurantSettingsWindow& w, const std::string& category,
                     const std::string& dish) {
        open(w, category);
        const auto& items =
            w.卷帘式菜单_菜单.groups()[static_cast<size_t>(w.卷帘式菜单_菜单.openGroup())].items;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == dish)
                w.卷帘式菜单_菜单.clickItem(w.卷帘式菜单_菜单.openGroup(), static_cast<int>(i));
    }
    std::string said() { return lastMessage().text; }
};

}  // namespace

TEST_F(SettingsTest, DiningTablesAddRenameDeleteAndTheOrderWindowFollows) {
    order();  // loaded while the manager works
    inSettings([&](RestaurantSettingsWindow& w) {
        EXPECT_EQ(w.列表框_餐台.itemCount(), 12);
        EXPECT_EQ(w.编辑框_分类.text(), "");
        w.按钮_餐台修改.click();
        EXPECT_EQ(said(), "请选择要修改的餐台！");
        w.按钮_餐台删除.click();
        EXPECT_EQ(said(), "请选择要删除的餐台！");
        for (const char* blank : {"", "   ", "\u3000\u3000"}) {
            w.编辑框_餐台.type(blank);
            w.按钮_餐台添加.click();
            EXPECT_EQ(said(), "餐台不能为空，请修改！");
            EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
        }
        w.编辑框_餐台.type("大厅1号");
        w.按钮_餐台添加.click();
        EXPECT_EQ(said(), "餐台已存在，请修改！");
        w.编辑框_餐台.type("大厅1号 ");  // a trailing space makes another table
        const size_t before = mark();
        w.按钮_餐台添加.click();
        EXPECT_EQ(mark(), before);  // no success message
        EXPECT_EQ(w.列表框_餐台.itemText(12), "大厅1号 ");
        EXPECT_EQ(w.编辑框_餐台.text(), "");
        EXPECT_EQ(w.列表框_餐台.selectedIndex(), -1);
        EXPECT_EQ(order().组合框_餐台.itemText(12), "大厅1号 ");

        w.列表框_餐台.choose(12);
        EXPECT_EQ(w.编辑框_餐台.text(), "大厅1号 ");
        w.按钮_餐台修改.click();  // unchanged
        EXPECT_EQ(said(), "餐台已存在，请修改！");
        w.编辑框_餐台.type(" ");
        w.按钮_餐台修改.click();
        EXPECT_EQ(said(), "餐台不能为空，请修改！");
        w.编辑框_餐台.type("<b>VIP</b>");
        w.按钮_餐台修改.click();
        EXPECT_EQ(w.列表框_餐台.itemText(12), "<b>VIP</b>");
        EXPECT_EQ(order().组合框_餐台.itemText(12), "<b>VIP</b>");
        EXPECT_EQ(w.编辑框_餐台.text(), "");

        w.列表框_餐台.choose(0);
        w.按钮_餐台删除.click();
        EXPECT_EQ(said(), "删除成功！");
        EXPECT_EQ(lastMessage().icon, ui::Icon::Information);
        EXPECT_EQ(w.列表框_餐台.itemText(0), "大厅2号");
        EXPECT_EQ(w.编辑框_餐台.text(), "");
        EXPECT_EQ(order().组合框_餐台.itemCount(), 12);
        w.按钮10.click();
    });
    EXPECT_EQ(sql("SELECT group_concat(餐台, ',') FROM 餐台 WHERE rowid > 11"),
              "包间4号,<b>VIP</b>");
    EXPECT_FALSE(app->restaurantSettingsWindow());
}

TEST_F(SettingsTest, AnEmptyTableListAndAFailedWriteKeepListAndFileInAgreement) {
    exec("DELETE FROM 餐台");
    exec("CREATE TRIGGER no_tables BEFORE INSERT ON 餐台 BEGIN SELECT RAISE(ABORT, 'no'); END;");
    inSettings([&](RestaurantSettingsWindow& w) {
        EXPECT_EQ(w.列表框_餐台.itemCount(), 0);
        w.编辑框_餐台.type("露台");
        w.按钮_餐台添加.click();
        EXPECT_EQ(said(), "添加餐台失败，请检查！");
        EXPECT_EQ(w.编辑框_餐台.text(), "露台");
        EXPECT_EQ(w.列表框_餐台.itemCount(), 0);
    });
    EXPECT_EQ(sql("SELECT count(*) FROM 餐台"), "0");
}

TEST_F(SettingsTest, DishesAddShowModifyDeleteWithinTheirOwnCategory) {
    exec("INSERT INTO 菜品 VALUES ('宫保鸡丁/30元','凉菜')");  // a namesake in another category
    order();
    inSettings([&](RestaurantSettingsWindow& w) {
        w.按钮_菜品添加.click();
        EXPECT_EQ(said(), "请选择要添加菜品的分类！");
        open(w, "热菜");
        EXPECT_EQ(w.编辑框_分类.text(), "热菜");
        w.编辑框_菜品.type("东北烤全羊");
        w.编辑框_单价.type("188");
        w.按钮_菜品添加.click();
        EXPECT_EQ(said(), "菜品已存在，请修改！");  // already on the demo menu
        w.编辑框_菜品.type("烤全兔");
        w.按钮_菜品添加.click();
        const int hot = groupOf(w.卷帘式菜单_菜单, "热菜");
        EXPECT_EQ(w.卷帘式菜单_菜单.itemText(hot, w.卷帘式菜单_菜单.itemCount(hot) - 1),
                  "烤全兔/188元");
        EXPECT_EQ(w.编辑框_菜品.text(), "烤全兔");
        EXPECT_EQ(w.卷帘式菜单_菜单.openGroup(), hot);
        EXPECT_EQ(w.卷帘式菜单_菜单.selectedItem(), -1);
        const auto& menu = order().卷帘式菜单_点菜;
        EXPECT_EQ(menu.itemText(hot, menu.itemCount(hot) - 1), "烤全兔/188元");

        for (const char* price : {"-5", "5-3", "99999999999"}) {
            w.编辑框_菜品.type("烤鸭");
            w.编辑框_单价.type(price);
            w.按钮_菜品添加.click();
            EXPECT_EQ(said(), "单价须为0到2147483647之间的整数，请修改！") << price;
        }
        w.编辑框_菜品.type("烤/鸭");
        w.编辑框_单价.type("5");
        w.按钮_菜品添加.click();
        EXPECT_EQ(said(), "菜品名称不能包含特殊字符‘ / ’");

        w.按钮_菜品修改.click();
        EXPECT_EQ(said(), "请选择要修改的菜品！");
        pick(w, "热菜", "宫保鸡丁/28元");
        EXPECT_EQ(w.编辑框_菜品.text(), "宫保鸡丁");
        EXPECT_EQ(w.编辑框_单价.text(), "28");
        w.按钮_菜品修改.click();
        EXPECT_EQ(said(), "菜品已存在，请修改！");  // unchanged
        w.编辑框_单价.type("32");
        w.按钮_菜品修改.click();
        EXPECT_EQ(said(), "菜品修改成功！");
        EXPECT_EQ(lastMessage().icon, ui::Icon::Information);
        EXPECT_EQ(w.编辑框_菜品.text(), "");
        EXPECT_EQ(menu.itemText(hot, 0), "宫保鸡丁/32元");

        pick(w, "热菜", "宫保鸡丁/32元");
        w.按钮_菜品删除.click();
        EXPECT_EQ(said(), "删除修改成功！");
        EXPECT_EQ(w.卷帘式菜单_菜单.itemText(hot, 0), "鱼香肉丝/26元");
    });
    EXPECT_EQ(sql("SELECT group_concat(菜品 || '@' || 分类) FROM 菜品 WHERE 菜品 LIKE '宫保鸡丁%'"),
              "宫保鸡丁/30元@凉菜");
    EXPECT_EQ(sql("SELECT 分类 FROM 菜品 WHERE 菜品='烤全兔/188元'"), "热菜");
}

TEST_F(SettingsTest, CategoriesRenameAndDeleteCarryTheirDishesInBothWindows) {
    // Kitchen printers follow a category's new name; one whose only category goes keeps it.
    exec(
        "INSERT INTO 打印机 VALUES ('热厨', 'file:/dev/null', 80, '厨房', '热菜|汤羹');"
        "INSERT INTO 打印机 VALUES ('面点', 'file:/dev/null', 80, '厨房', '主食')");
    order();
    inSettings([&](RestaurantSettingsWindow& w) {
        w.按钮_菜品分类修改.click();
        EXPECT_EQ(said(), "请选择要修改的分类！");
        w.编辑框_分类.type("\u3000");
        w.按钮_菜品分类添加.click();
        EXPECT_EQ(said(), "分类不能为空，请修改！");
        w.编辑框_分类.type("烟&酒");
        w.按钮_菜品分类添加.click();
        EXPECT_EQ(w.卷帘式菜单_菜单.groupTitle(5), "烟&酒");
        EXPECT_EQ(w.卷帘式菜单_菜单.openGroup(), -1);
        EXPECT_EQ(order().卷帘式菜单_点菜.groupTitle(5), "烟&酒");

        open(w, "汤羹");
        w.按钮_菜品分类修改.click();
        EXPECT_EQ(said(), "分类已存在，请修改！");  // its own name
        w.编辑框_分类.type(" ");
        w.按钮_菜品分类修改.click();
        EXPECT_EQ(said(), "分类不能为空，请修改！");
        w.编辑框_分类.type("汤");
        w.按钮_菜品分类修改.click();
        EXPECT_EQ(w.卷帘式菜单_菜单.groupTitle(w.卷帘式菜单_菜单.openGroup()), "汤");
        EXPECT_EQ(w.编辑框_分类.text(), "汤");
        EXPECT_EQ(w.卷帘式菜单_菜单.itemCount(2), 5);
        EXPECT_EQ(order().卷帘式菜单_点菜.groupTitle(2), "汤");
        EXPECT_EQ(order().卷帘式菜单_点菜.itemCount(2), 5);

        // Deleting takes the open category's dishes, whatever the field was edited to.
        open(w, "主食");
        w.编辑框_分类.type("酒水");
        w.按钮_菜品分类删除.click();
        EXPECT_EQ(said(), "分类删除成功！");
        EXPECT_EQ(lastMessage().icon, ui::Icon::Information);
        EXPECT_EQ(groupOf(w.卷帘式菜单_菜单, "主食"), -1);
        EXPECT_EQ(groupOf(order().卷帘式菜单_点菜, "主食"), -1);
        EXPECT_EQ(w.卷帘式菜单_菜单.openGroup(), -1);
    });
    EXPECT_EQ(sql("SELECT count(*) FROM 菜品 WHERE 分类='汤'"), "5");
    EXPECT_EQ(sql("SELECT count(*) FROM 菜品 WHERE 分类='主食'"), "0");
    EXPECT_EQ(sql("SELECT count(*) FROM 菜品 WHERE 分类='酒水'"), "5");
    EXPECT_EQ(sql("SELECT group_concat(分类, ';') FROM 打印机"), "热菜|汤;主食");
}

TEST_F(SettingsTest, AFailedCascadeChangesNothingAndTheMenuShowsTheFile) {
    exec(
        "CREATE TRIGGER keep_dish BEFORE UPDATE ON 菜品 WHEN OLD.菜品='酸辣汤/18元' BEGIN "
        "SELECT RAISE(ABORT, 'kept'); END;"
        "CREATE TRIGGER keep_category BEFORE DELETE ON 分类 WHEN OLD.分类='主食' BEGIN "
        "SELECT RAISE(ABORT, 'kept'); END;");
    inSettings([&](RestaurantSettingsWindow& w) {
        open(w, "汤羹");
        w.编辑框_分类.type("汤");
        const size_t before = mark();
        w.按钮_菜品分类修改.click();
        EXPECT_EQ(mark(), before + 1);
        EXPECT_EQ(said(), "修改分类失败，请检查！");
        EXPECT_EQ(w.卷帘式菜单_菜单.groupTitle(2), "汤羹");
        EXPECT_EQ(w.卷帘式菜单_菜单.itemCount(2), 5);
        // A failed step leaves the fields as they were: the typed name, the open category.
        EXPECT_EQ(w.编辑框_分类.text(), "汤");
        EXPECT_EQ(w.卷帘式菜单_菜单.openGroup(), 2);

        open(w, "主食");
        w.按钮_菜品分类删除.click();
        EXPECT_EQ(said(), "删除分类失败，请检查！");
        EXPECT_EQ(w.卷帘式菜单_菜单.itemCount(groupOf(w.卷帘式菜单_菜单, "主食")), 5);
    });
    EXPECT_EQ(sql("SELECT count(*) FROM 菜品 WHERE 分类='汤羹'"), "5");
    EXPECT_EQ(sql("SELECT count(*) FROM 分类 WHERE 分类 IN ('汤羹','主食')"), "2");
    EXPECT_EQ(sql("SELECT count(*) FROM 菜品 WHERE 分类='主食'"), "5");
}

TEST_F(SettingsTest, WithoutThePermissionsTheButtonsAreOffButBrowsingWorks) {
    addUser("服务员", "1", "1100000000");
    switchUser("服务员", "1");
    inSettings([&](RestaurantSettingsWindow& w) {
        for (ui::Button* b : {&w.按钮_餐台添加, &w.按钮_餐台修改, &w.按钮_餐台删除,
                              &w.按钮_菜品分类添加, &w.按钮_菜品分类修改, &w.按钮_菜品分类删除,
                              &w.按钮_菜品添加, &w.按钮_菜品修改, &w.按钮_菜品删除})
            EXPECT_FALSE(b->enabled()) << b->name();
        EXPECT_TRUE(w.列表框_餐台.enabled());
        w.列表框_餐台.choose(3);
        EXPECT_EQ(w.编辑框_餐台.text(), "大厅4号");
        pick(w, "热菜", "东北烤全羊/188元");
        EXPECT_EQ(w.编辑框_单价.text(), "188");
        w.requestClose();  // the system's close command
    });
    EXPECT_FALSE(app->restaurantSettingsWindow());
    addUser("厨师长", "2", "0000000010");
    switchUser("厨师长", "2");
    inSettings([&](RestaurantSettingsWindow& w) {
        EXPECT_FALSE(w.按钮_餐台添加.enabled());
        EXPECT_TRUE(w.按钮_菜品删除.enabled());
    });
}

// Another program (a second copy sharing the file, a database tool) changes the rows while the
// window is open: every write reaches the very record the list showed, or fails and says so.
TEST_F(SettingsTest, AnotherProgramsChangesNeverRedirectAWrite) {
    order();
    inSettings([&](RestaurantSettingsWindow& w) {
        exec("DELETE FROM 餐台 WHERE 餐台='大厅3号'");
        w.列表框_餐台.choose(2);  // still shows 大厅3号
        w.按钮_餐台删除.click();
        EXPECT_EQ(said(), "删除失败，请检查！");
        EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
        EXPECT_EQ(w.列表框_餐台.itemCount(), 11);  // refilled from the file
        EXPECT_EQ(w.列表框_餐台.itemText(2), "大厅4号");
        EXPECT_EQ(order().组合框_餐台.itemCount(), 11);

        exec("UPDATE 餐台 SET 餐台='露台' WHERE 餐台='大厅5号'");
        w.列表框_餐台.choose(3);  // shows 大厅5号, which the file no longer holds
        w.编辑框_餐台.type("大厅五号");
        w.按钮_餐台修改.click();
        EXPECT_EQ(said(), "修改失败，请检查！");
        EXPECT_EQ(w.列表框_餐台.itemText(3), "露台");
        EXPECT_EQ(w.编辑框_餐台.text(), "大厅五号");

        // A row gone before the listed one moves no write onto a neighbour.
        exec("INSERT INTO 餐台 VALUES ('外卖')");
        exec("DELETE FROM 餐台 WHERE 餐台='大厅1号'");
        w.列表框_餐台.choose(2);  // 大厅4号
        w.按钮_餐台删除.click();
        EXPECT_EQ(said(), "删除成功！");

        exec("DELETE FROM 分类 WHERE 分类='凉菜'");
        open(w, "汤羹");
        w.编辑框_分类.type("汤品");
        w.按钮_菜品分类修改.click();
        EXPECT_EQ(w.卷帘式菜单_菜单.groupTitle(w.卷帘式菜单_菜单.openGroup()), "汤品");

        exec("DELETE FROM 分类 WHERE 分类='主食'");
        open(w, "主食");
        w.按钮_菜品分类删除.click();
        EXPECT_EQ(said(), "删除分类失败，请检查！");
        EXPECT_EQ(groupOf(w.卷帘式菜单_菜单, "主食"), -1);

        pick(w, "热菜", "宫保鸡丁/28元");
        exec("UPDATE 菜品 SET 菜品='宫保鸡丁/32元' WHERE 菜品='宫保鸡丁/28元'");
        w.编辑框_单价.type("30");
        w.按钮_菜品修改.click();
        EXPECT_EQ(said(), "添加菜品失败，请检查！");
        pick(w, "热菜", "宫保鸡丁/32元");
        exec("DELETE FROM 菜品 WHERE 菜品='宫保鸡丁/32元'");
        w.按钮_菜品删除.click();
        EXPECT_EQ(said(), "删除菜品失败，请检查！");
    });
    EXPECT_EQ(sql("SELECT group_concat(餐台, ',') FROM 餐台 WHERE 餐台 LIKE '大厅%'"),
              "大厅2号,大厅6号,大厅7号,大厅8号");
    EXPECT_EQ(sql("SELECT count(*) FROM 菜品 WHERE 分类='汤品'"), "5");
    EXPECT_EQ(sql("SELECT count(*) FROM 菜品 WHERE 分类='主食'"), "5");  // left to its owner
}

TEST_F(SettingsTest, AFileHeldByAnotherProgramLeavesTheListsAsTheyWere) {
    inSettings([&](RestaurantSettingsWindow& w) {
        test::OutsideLock lock(db);
        ASSERT_TRUE(lock.held());
        w.列表框_餐台.choose(0);
        w.编辑框_餐台.type("大厅一号");
        w.按钮_餐台修改.click();
        // The lists are read again while the other program writes: no read failure.
        EXPECT_EQ(said(), "修改失败，请检查！");
        for (const auto& m : desktop.messages) EXPECT_NE(m.text, "数据读取失败，请检查！");
        EXPECT_EQ(w.列表框_餐台.itemCount(), 12);
        EXPECT_EQ(w.卷帘式菜单_菜单.groupCount(), 5);
    });
    EXPECT_EQ(sql("SELECT count(*) FROM 餐台 WHERE 餐台='大厅1号'"), "1");
}
