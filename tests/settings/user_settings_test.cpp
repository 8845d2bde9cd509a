#include <functional>

#include "settings/display_scale_window.h"
#include "settings/user_settings_window.h"
#include "support/app_fixture.h"

using namespace tablora;
using settings::UserSettingsWindow;
using test::AppTest;

namespace {

class UserSettingsTest : public AppTest {
  protected:
    void SetUp() override { start(); }
    void inUsers(const std::function<void(UserSettingsWindow&)>& act) {
        desktop.modalScripts.push_back(
            [act](ui::Window& w) { act(static_cast<UserSettingsWindow&>(w)); });
        desktop.menuChoices.push_back("用户设置");
        main().工具条1.clickItem(shell::MainWindow::kSettings);
    }
    void announce(std::optional<std::string> text) {
        desktop.inputs.push_back(std::move(text));
        desktop.menuChoices.push_back("公告设置");
        main().工具条1.clickItem(shell::MainWindow::kSettings);
    }
    static std::string ticks(UserSettingsWindow& w) {
        std::string out;
        for (int k = 0; k < 10; ++k) out += w.选择列表框_权限.ticked(k) ? '1' : '0';
        return out;
    }
    std::string said() { return lastMessage().text; }
};

}  // namespace

TEST_F(UserSettingsTest, AddingAUserGivesNoPermissionsAndTheManagerEntryOnlyResetsTheForm) {
    inUsers([&](UserSettingsWindow& w) {
        EXPECT_EQ(w.caption(), "用户设置");
        EXPECT_EQ(w.编辑框_密码.mode(), ui::EditMode::Password);
        EXPECT_EQ(w.选择列表框_权限.items().front(), "开台");
        w.列表框_用户.choose(0);
        EXPECT_FALSE(w.编辑框_用户.enabled());
        EXPECT_FALSE(w.按钮_删除.enabled());
        EXPECT_EQ(w.编辑框_密码.text(), "888888");
        const size_t before = mark();
        w.按钮_添加.click();  // the manager is selected: only the form is reset
        EXPECT_EQ(mark(), before);
        EXPECT_TRUE(w.编辑框_用户.enabled());
        EXPECT_EQ(w.编辑框_用户.text(), "");
        EXPECT_EQ(w.列表框_用户.selectedIndex(), -1);

        for (const char* blank : {"", " ", "\u3000"}) {
            w.编辑框_用户.type("小李");
            w.编辑框_密码.type(blank);
            w.按钮_添加.click();
            EXPECT_EQ(said(), "用户或密码不能为空，请检查！");
        }
        w.编辑框_密码.type("123");
        w.按钮_添加.click();
        EXPECT_EQ(said(), "用户添加成功！");
        EXPECT_EQ(lastMessage().icon, ui::Icon::Information);
        EXPECT_EQ(w.列表框_用户.items(), (std::vector<std::string>{"经理", "小李"}));
        EXPECT_EQ(w.组合框_用户.items(), w.列表框_用户.items());
        EXPECT_EQ(w.编辑框_用户.text(), "");

        w.列表框_用户.choose(1);
        w.按钮_添加.click();
        EXPECT_EQ(said(), "要添加的用户已存在。请修改！");
        w.组合框_用户.choose(1);
        EXPECT_EQ(ticks(w), "0000000000");
    });
    EXPECT_EQ(sql("SELECT 皮肤||开台||结账||查询||删除||流水导出||单台导出||设置用户||设置餐台||"
                  "设置菜品||设置公告 FROM 用户 WHERE 用户='小李'"),
              "00000000000");
    EXPECT_EQ(sql("SELECT count(*) FROM 用户"), "2");
}

TEST_F(UserSettingsTest, TheManagersPasswordChangesButNotItsNamePermissionsOrExistence) {
    inUsers([&](UserSettingsWindow& w) {
        w.按钮_修改.click();
        EXPECT_EQ(said(), "请先选择要修改的用户！");
        w.按钮_删除.click();
        EXPECT_EQ(said(), "请先选择要删除的用户！");
        w.列表框_用户.choose(0);
        w.编辑框_密码.type("666");
        w.按钮_修改.click();
        EXPECT_EQ(said(), "修改成功！");
        w.组合框_用户.choose(0);
        EXPECT_EQ(ticks(w), "1111111111");
        for (ui::Control* c : std::initializer_list<ui::Control*>{&w.选择列表框_权限, &w.按钮_全选,
                                                                  &w.按钮_反选, &w.按钮_确定})
            EXPECT_FALSE(c->enabled()) << c->name();
    });
    EXPECT_EQ(sql("SELECT 用户||'/'||密码 FROM 用户 WHERE rowid=1"), "经理/666");
}

TEST_F(UserSettingsTest, PermissionsAreWrittenAsZeroOrOneAndTakeEffectAtTheNextLogin) {
    addUser("小王", "1", "2000000000");  // a 2 grants the right: shown ticked, rewritten as 1
    addUser("小王", "2", "0000000000");  // a namesake: the list's second 小王 is its own record
    inUsers([&](UserSettingsWindow& w) {
        w.按钮_全选.click();
        EXPECT_EQ(said(), "请选择要设置权限的用户！");
        w.按钮_确定.click();
        EXPECT_EQ(said(), "请选择要设置权限的用户！");
        w.组合框_用户.choose(1);
        EXPECT_TRUE(w.按钮_确定.enabled());
        EXPECT_EQ(ticks(w), "1000000000");
        w.选择列表框_权限.tick(2, true);
        w.选择列表框_权限.tick(4, true);
        w.按钮_确定.click();
        EXPECT_EQ(said(), "权限设置成功！");
        EXPECT_EQ(w.组合框_用户.selectedIndex(), -1);
        EXPECT_EQ(ticks(w), "0000000000");

        w.组合框_用户.choose(2);
        w.按钮_全选.click();
        EXPECT_EQ(ticks(w), "1111111111");
        w.按钮_反选.click();  // clears, does not invert
        EXPECT_EQ(ticks(w), "0000000000");
        w.选择列表框_权限.tick(0, true);
        w.按钮_确定.click();

        w.列表框_用户.choose(2);
        EXPECT_EQ(w.编辑框_密码.text(), "2");
        w.编辑框_密码.type("22");
        w.按钮_修改.click();
    });
    EXPECT_EQ(sql("SELECT group_concat(开台||结账||查询||删除||流水导出||'/'||密码, ',') FROM 用户 "
                  "WHERE 用户='小王'"),
              "10101/1,10000/22");
    // The running session keeps its permissions; the next login takes the new ones.
    EXPECT_EQ(app->session().permissions.查询, 1);
    switchUser("小王", "1");
    EXPECT_EQ(app->session().permissions.查询, 1);
    EXPECT_EQ(app->session().permissions.开台, 1);
    EXPECT_EQ(app->session().permissions.设置用户, 0);
    EXPECT_FALSE(main().工具菜单.entryEnabled(main().工具菜单.indexOf("用户设置")));
    EXPECT_FALSE(main().工具菜单.entryEnabled(main().工具菜单.indexOf("公告设置")));
}

TEST_F(UserSettingsTest, DeletingTheLoggedInUserKeepsTheSessionUntilTheNextLogin) {
    addUser("店长", "9", "0000001000");
    switchUser("店长", "9");
    inUsers([&](UserSettingsWindow& w) {
        w.列表框_用户.choose(1);
        w.按钮_删除.click();
        EXPECT_EQ(said(), "删除成功！");
        EXPECT_EQ(w.列表框_用户.items(), std::vector<std::string>{"经理"});
    });
    EXPECT_EQ(app->session().currentUser, "店长");
    EXPECT_EQ(sql("SELECT count(*) FROM 用户"), "1");
}

TEST_F(UserSettingsTest, TheAnnouncementIsShownOnlyOnceStored) {
    exec("UPDATE 用户 SET 公告内容='旧公告' WHERE rowid=1");
    addUser("小王", "1", "0000000000");
    exec("UPDATE 用户 SET 公告内容='别人的' WHERE 用户='小王'");
    switchUser("经理", "888888");
    EXPECT_EQ(main().状态条_公告.paneText(1), "旧公告");

    const size_t before = mark();
    announce(std::nullopt);  // cancelled
    EXPECT_EQ(mark(), before);
    EXPECT_EQ(main().状态条_公告.paneText(1), "旧公告");

    announce("今晚八折");
    EXPECT_EQ(said(), "公告设置成功！");
    EXPECT_EQ(main().状态条_公告.paneText(1), "今晚八折");
    EXPECT_EQ(app->session().announcement, "今晚八折");
    EXPECT_EQ(sql("SELECT group_concat(公告内容, ',') FROM 用户"), "今晚八折,别人的");

    exec("CREATE TRIGGER keep BEFORE UPDATE ON 用户 BEGIN SELECT RAISE(ABORT, 'no'); END;");
    announce("不会生效");
    EXPECT_EQ(said(), "公告设置失败，请检查！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
    EXPECT_EQ(main().状态条_公告.paneText(1), "今晚八折");
    EXPECT_EQ(app->session().announcement, "今晚八折");
    exec("DROP TRIGGER keep");

    announce("");  // an empty text clears the line and is stored
    EXPECT_EQ(main().状态条_公告.paneText(1), "");
    EXPECT_EQ(sql("SELECT 公告内容 FROM 用户 WHERE rowid=1"), "");
}

TEST_F(UserSettingsTest, AnotherProgramsChangesNeverRedirectAWrite) {
    addUser("小王", "1", "0000000000");
    addUser("小李", "2", "0000000000");
    addUser("小张", "3", "0000000000");
    inUsers([&](UserSettingsWindow& w) {
        exec("DELETE FROM 用户 WHERE 用户='小王'");
        w.组合框_用户.choose(2);  // 小李, now the file's second record
        w.按钮_全选.click();
        w.按钮_确定.click();
        EXPECT_EQ(said(), "权限设置成功！");

        w.列表框_用户.choose(2);
        w.编辑框_密码.type("22");
        w.按钮_修改.click();
        EXPECT_EQ(said(), "修改成功！");

        w.组合框_用户.choose(2);  // 小张
        exec("UPDATE 用户 SET 用户='老张' WHERE 用户='小张'");
        w.按钮_全选.click();
        w.按钮_确定.click();
        EXPECT_EQ(said(), "修改失败，请检查！");
        EXPECT_EQ(w.列表框_用户.itemText(2), "老张");
        w.列表框_用户.choose(2);
        exec("DELETE FROM 用户 WHERE 用户='老张'");
        w.按钮_删除.click();
        EXPECT_EQ(said(), "删除失败，请检查！");
        EXPECT_EQ(w.列表框_用户.itemCount(), 2);
    });
    EXPECT_EQ(sql("SELECT group_concat(用户||开台||设置公告||密码, ',') FROM 用户 WHERE rowid > 1"),
              "小李1122");
}

TEST_F(UserSettingsTest, TheDisplayScaleIsKeptInTheFileForTheNextStart) {
    EXPECT_EQ(data::readDisplayScale(db), 100);
    EXPECT_EQ(sql("SELECT count(*) FROM 显示设置"), "0");  // made at open, empty
    desktop.modalScripts.push_back([](ui::Window& w) {
        auto& scale = static_cast<settings::DisplayScaleWindow&>(w);
        EXPECT_EQ(scale.组合框_比例.text(), "100%");
        scale.组合框_比例.choose(2);
        scale.按钮_确定.click();
    });
    desktop.menuChoices.push_back("显示比例");
    main().工具条1.clickItem(shell::MainWindow::kSettings);
    EXPECT_EQ(said(), "显示比例设置成功，重新启动程序后生效！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Information);
    EXPECT_EQ(data::readDisplayScale(db), 150);
    exec("UPDATE 显示设置 SET 比例 = 130");  // not one of the four: the default
    EXPECT_EQ(data::readDisplayScale(db), 100);
    // Only what fits the screen is offered, and the window says why.
    for (const auto& [screen, offered] : std::vector<std::pair<ui::Desktop::ScreenSize, int>>{
             {{1366, 768}, 1}, {{1920, 1080}, 2}, {{3840, 2160}, 4}}) {
        desktop.screen = screen;
        desktop.modalScripts.push_back([offered](ui::Window& w) {
            auto& scale = static_cast<settings::DisplayScaleWindow&>(w);
            EXPECT_EQ(scale.组合框_比例.itemCount(), offered);
            EXPECT_EQ(scale.标签_说明.text().empty(), offered == 4);
            w.destroy();
        });
        desktop.menuChoices.push_back("显示比例");
        main().工具条1.clickItem(shell::MainWindow::kSettings);
    }

    addUser("服务员", "1", "1100000000");
    switchUser("服务员", "1");
    EXPECT_FALSE(main().工具菜单.entryEnabled(main().工具菜单.indexOf("显示比例")));
}
