#include <filesystem>

#include "shell/data_location.h"
#include "support/app_fixture.h"

using namespace tablora;
using test::AppTest;

TEST_F(AppTest, MissingDatabaseStillStartsAndCancelEndsWithoutCreatingIt) {
    std::filesystem::remove(db);
    desktop.modalScripts.push_back([this](ui::Window& w) {
        auto& login = static_cast<shell::LoginWindow&>(w);
        EXPECT_EQ(login.组合框_用户.itemCount(), 0);
        login.编辑框_密码.type("888888");
        login.按钮_登录.click();
        EXPECT_EQ(lastMessage().text, "密码错误，请重新输入！");
        login.按钮_取消.click();
    });
    app = std::make_unique<shell::App>(desktop, db);
    app->start();
    ASSERT_GE(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "没有找到数据库文件，请检查！");
    EXPECT_EQ(desktop.messages[0].icon, ui::Icon::Error);
    EXPECT_EQ(desktop.messages[0].title, "信息：");
    EXPECT_FALSE(app->running());
    EXPECT_TRUE(desktop.quitCalled);
    EXPECT_FALSE(std::filesystem::exists(db));
}

TEST_F(AppTest, MissingUserTableIsReported) {
    exec("DROP TABLE 用户");
    desktop.modalScripts.push_back(
        [](ui::Window& w) { static_cast<shell::LoginWindow&>(w).按钮_取消.click(); });
    app = std::make_unique<shell::App>(desktop, db);
    app->start();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "用户数据表打开失败，请检查！");
    EXPECT_EQ(desktop.messages[0].icon, ui::Icon::Error);
}

TEST_F(AppTest, EmptyPasswordByButtonAndByEnterAndOnlyEnterLogsIn) {
    desktop.modalScripts.push_back([this](ui::Window& w) {
        auto& login = static_cast<shell::LoginWindow&>(w);
        login.按钮_登录.click();
        EXPECT_EQ(lastMessage().text, "密码不能为空！");
        EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
        login.编辑框_密码.pressKey(ui::EditBox::kEnter);
        EXPECT_EQ(desktop.messages.size(), 2u);
        login.编辑框_密码.type("888888");
        login.编辑框_密码.pressKey('A');
        EXPECT_FALSE(login.destroyed());
        login.编辑框_密码.pressKey(ui::EditBox::kEnter);
        EXPECT_TRUE(login.destroyed());
    });
    app = std::make_unique<shell::App>(desktop, db);
    app->start();
    EXPECT_EQ(main().标签_用户.text(), "经理");
}

TEST_F(AppTest, SameNamedUsersTheFirstMatchingPasswordWinsAndSkinGoesToTheFirstRecord) {
    addUser("小王", "aaa", "1000000000", 1);
    addUser("小王", "bbb", "0100000000", 2);
    start("小王", "bbb");
    // The second record's permissions...
    EXPECT_EQ(app->session().permissions.开台, 0);
    EXPECT_EQ(app->session().permissions.结账, 1);
    // ...but its skin is the one read, then stored into the first record of that name.
    EXPECT_EQ(main().组合框_皮肤.selectedIndex(), 2);
    EXPECT_EQ(desktop.attachedSkins.back(), 2);
    EXPECT_EQ(sql("SELECT group_concat(皮肤) FROM 用户 WHERE 用户='小王'"), "2,2");
    main().组合框_皮肤.choose(4);
    EXPECT_EQ(sql("SELECT group_concat(皮肤) FROM 用户 WHERE 用户='小王'"), "4,2");
}

TEST_F(AppTest, SkinOutsideTheRangeAttachesNothingAndStoresMinusOne) {
    addUser("小李", "1", "0000000000", 7);
    start("小李", "1");
    EXPECT_EQ(main().组合框_皮肤.selectedIndex(), -1);
    EXPECT_TRUE(desktop.attachedSkins.empty());
    EXPECT_EQ(sql("SELECT 皮肤 FROM 用户 WHERE 用户='小李'"), "-1");
}

TEST_F(AppTest, PermissionsGovernButtonsAndMenuEntriesAtEveryLogin) {
    addUser("服务员", "1", "0000000000");
    addUser("收银员", "2", "2200000002");
    start("服务员", "1");
    auto& o = order();
    auto& c = checkout();
    EXPECT_FALSE(o.按钮_开台.enabled());
    EXPECT_FALSE(c.按钮_结账.enabled());
    EXPECT_TRUE(c.按钮_计算.enabled());
    EXPECT_FALSE(main().工具菜单.entryEnabled(main().工具菜单.indexOf("用户设置")));
    EXPECT_FALSE(main().工具菜单.entryEnabled(main().工具菜单.indexOf("公告设置")));
    EXPECT_TRUE(main().工具菜单.entryEnabled(main().工具菜单.indexOf("餐厅设置")));
    EXPECT_FALSE(o.按钮_开台.click());

    switchUser("收银员", "2");  // flags of 2 count as granted
    EXPECT_EQ(main().标签_用户.text(), "收银员");
    EXPECT_TRUE(o.按钮_开台.enabled());
    EXPECT_TRUE(c.按钮_结账.enabled());
    EXPECT_TRUE(main().工具菜单.entryEnabled(main().工具菜单.indexOf("公告设置")));
    EXPECT_FALSE(main().工具菜单.entryEnabled(main().工具菜单.indexOf("用户设置")));
}

TEST_F(AppTest, CancelledSwitchKeepsTheUserAndLeavesTheDatabaseClosed) {
    addUser("服务员", "1", "0000000000", 3);
    start();
    auto& o = order();
    desktop.modalScripts.push_back([](ui::Window& w) {
        auto& login = static_cast<shell::LoginWindow&>(w);
        login.组合框_用户.choose(1);
        login.编辑框_密码.type("1");
        login.按钮_取消.click();
    });
    main().工具条1.clickItem(shell::MainWindow::kSwitchUser);
    EXPECT_TRUE(app->running());
    EXPECT_EQ(main().标签_用户.text(), "经理");
    EXPECT_TRUE(o.按钮_开台.enabled());
    EXPECT_EQ(main().组合框_皮肤.selectedIndex(), 0);
    EXPECT_FALSE(app->session().switchUser);
    EXPECT_FALSE(app->data().database.isOpen());
    // The next operation reopens it on demand.
    EXPECT_EQ(openTable("大厅1号", "2"), "开台成功！");
}

TEST_F(AppTest, ClosingTheLoginWindowIsACancel) {
    start();
    desktop.modalScripts.push_back([](ui::Window& w) { w.requestClose(); });
    main().工具条1.clickItem(shell::MainWindow::kSwitchUser);
    EXPECT_EQ(main().标签_用户.text(), "经理");
    EXPECT_EQ(app->session().permissions.开台, 1);

    shell::App second(desktop, db);
    desktop.modalScripts.push_back([](ui::Window& w) { w.requestClose(); });
    second.start();
    EXPECT_FALSE(second.running());
}

TEST_F(AppTest, AnnouncementComesFromTheFirstUserRecord) {
    exec("UPDATE 用户 SET 公告内容='今日特价：水煮鱼八折' WHERE rowid=1");
    addUser("服务员", "1", "0000000000");
    exec("UPDATE 用户 SET 公告内容='不该显示' WHERE 用户='服务员'");
    start("服务员", "1");
    EXPECT_EQ(main().状态条_公告.paneText(0), " 公告：");
    EXPECT_EQ(main().状态条_公告.paneText(1), "今日特价：水煮鱼八折");
}

TEST_F(AppTest, AStoredEmptyPasswordNeverLogsIn) {
    addUser("空", "", "1111111111");
    desktop.modalScripts.push_back([this](ui::Window& w) {
        auto& login = static_cast<shell::LoginWindow&>(w);
        login.组合框_用户.choose(1);
        login.按钮_登录.click();
        EXPECT_EQ(lastMessage().text, "密码不能为空！");
        login.编辑框_密码.type(" ");
        login.按钮_登录.click();
        EXPECT_EQ(lastMessage().text, "密码错误，请重新输入！");
        login.按钮_取消.click();
    });
    app = std::make_unique<shell::App>(desktop, db);
    app->start();
    EXPECT_FALSE(app->running());
}

TEST_F(AppTest, WorkWindowsFollowTheMainWindowAndSeparatorsDoNothing) {
    start();
    main().userMove(200, 30);
    EXPECT_EQ(order().left(), 200);
    EXPECT_EQ(order().top(), 135);
    main().userMove(10, 20);
    EXPECT_EQ(order().left(), 10);
    EXPECT_EQ(order().top(), 125);
    EXPECT_EQ(checkout().top(), 125);
    for (int separator : {0, 2, 5}) main().工具条1.clickItem(separator);
    EXPECT_EQ(desktop.shownWindows.size(), 4u);  // login, main, order, checkout
    EXPECT_TRUE(desktop.messages.empty());
    main().工具条1.clickItem(shell::MainWindow::kOrder);  // at most once, brought forward
    EXPECT_EQ(desktop.shownWindows.size(), 4u);
    EXPECT_EQ(desktop.broughtForward, std::vector<std::string>{"OrderWindow"});
}

TEST_F(AppTest, ClosingTheMainWindowClosesEverythingAndTheDatabase) {
    start();
    order();
    checkout();
    main().按钮1.click();
    EXPECT_FALSE(app->running());
    EXPECT_EQ(app->orderWindow(), nullptr);
    EXPECT_EQ(app->checkoutWindow(), nullptr);
    EXPECT_FALSE(app->data().database.isOpen());
    EXPECT_TRUE(desktop.quitCalled);
}

TEST_F(AppTest, ToolsMenuPopsUpFromTheToolbar) {
    start();
    desktop.menuChoices.push_back("餐厅设置");
    main().工具条1.clickItem(shell::MainWindow::kSettings);
    EXPECT_TRUE(desktop.menuChoices.empty());
    main().按钮2.click();
    ASSERT_EQ(desktop.minimized.size(), 1u);
    EXPECT_EQ(desktop.minimized[0], "MainWindow");
}

TEST(DataLocation, OnlyAnInstallPrefixsBinCountsAsInstalled) {
    test::TempDir dir;
    const auto build = dir.dir() / "build/default/bin";
    const auto prefix = dir.dir() / "opt/tablora";
    std::filesystem::create_directories(build);
    std::filesystem::create_directories(prefix / "bin");
    std::filesystem::create_directories(dir.dir() / "root/usr/bin");
    std::filesystem::create_directories(dir.dir() / "bin");
    // A build keeps its data beside itself, whatever its folder's name ends in.
    EXPECT_FALSE(shell::isInstalledFolder(build, "/usr/local"));
    EXPECT_EQ(shell::databasePathFor(build, false), (build / "cysj.db").string());
    // The prefix the build was configured with, /usr and /usr/local are installed.
    EXPECT_TRUE(shell::isInstalledFolder(prefix / "bin", prefix.string()));
    EXPECT_TRUE(shell::isInstalledFolder("/usr/bin", "/opt/x"));
    EXPECT_TRUE(shell::isInstalledFolder("/usr/local/bin", ""));
    EXPECT_TRUE(shell::isInstalledFolder(dir.dir() / "root/usr/bin", ""));  // a package unpacked
    EXPECT_FALSE(shell::isInstalledFolder(dir.dir() / "bin", "/usr/local"));
    ::setenv("XDG_DATA_HOME", dir.path("data").c_str(), 1);
    EXPECT_EQ(shell::databasePathFor(prefix / "bin", true), dir.path("data") + "/tablora/cysj.db");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("data") + "/tablora"));
    ::unsetenv("XDG_DATA_HOME");
}
