// The first start of an installed copy: a new restaurant of its own, or the demo; never a
// file overwritten, and the build's copy keeps the described missing-file message.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/app_fixture.h"

using namespace tablora;

namespace {

class FirstStartTest : public test::AppTest {
  protected:
    void SetUp() override { std::filesystem::remove(db); }
    void startInstalled() {
        app = std::make_unique<shell::App>(desktop, db);
        app->setOffersNewRestaurant(true);
        app->start();
    }
};

}  // namespace

TEST_F(FirstStartTest, ANewRestaurantHasItsManagerAndNoDemoMenu) {
    desktop.answers.push_back(ui::Answer::Yes);
    desktop.inputs.push_back(std::string("老板"));
    desktop.inputs.push_back(std::string("2468"));
    queueLogin("老板", "2468");
    startInstalled();
    ASSERT_TRUE(app->running());
    EXPECT_EQ(desktop.messages.front().text,
              "没有找到数据文件。要开始一家新餐厅吗？\n选“是”新建空白餐厅，选“否”先用演示数据试一试。");
    EXPECT_EQ(desktop.messages.front().icon, ui::Icon::Question);
    EXPECT_EQ(desktop.messages[1].text, "新建餐厅成功！请用经理的用户名和密码登录。");
    EXPECT_EQ(main().标签_用户.text(), "老板");
    EXPECT_EQ(sql("SELECT count(*) FROM 菜品"), "0");
    EXPECT_EQ(sql("SELECT count(*) FROM 餐台"), "0");
    EXPECT_EQ(sql("SELECT 设置用户 || 设置菜品 || 皮肤 FROM 用户"), "110");
}

TEST_F(FirstStartTest, TheDemoOrNothingAndNeverAnOverwrite) {
    // No: the demo restaurant.
    desktop.answers.push_back(ui::Answer::No);
    queueLogin("经理", "888888");
    startInstalled();
    ASSERT_TRUE(app->running());
    EXPECT_EQ(desktop.messages[1].text, "创建演示餐厅成功！用户“经理”，密码“888888”。");
    EXPECT_NE(sql("SELECT count(*) FROM 菜品"), "0");
    app.reset();
    // A file that is there is never touched, and nothing is asked.
    desktop.messages.clear();
    exec("INSERT INTO 餐台 VALUES ('露台')");
    queueLogin("经理", "888888");
    startInstalled();
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(sql("SELECT count(*) FROM 餐台 WHERE 餐台='露台'"), "1");
    app.reset();
    // Yes, then no name: nothing is made and the missing file is told as described.
    std::filesystem::remove(db);
    desktop.messages.clear();
    desktop.answers.push_back(ui::Answer::Yes);
    desktop.inputs.push_back(std::nullopt);
    startInstalled();
    EXPECT_FALSE(std::filesystem::exists(db));
    ASSERT_GE(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].text, "没有找到数据库文件，请检查！");
}
