#include "support/app_fixture.h"

namespace tablora::test {

void AppTest::queueLogin(const std::string& user, const std::string& password) {
    desktop.modalScripts.push_back([user, password](ui::Window& w) {
        auto& login = static_cast<shell::LoginWindow&>(w);
        for (int i = 0; i < login.组合框_用户.itemCount(); ++i) {
            if (login.组合框_用户.itemText(i) == user) {
                login.组合框_用户.choose(i);
                break;
            }
        }
        login.编辑框_密码.type(password);
        login.按钮_登录.click();
    });
}

void AppTest::start(const std::string& user, const std::string& password) {
    queueLogin(user, password);
    app = std::make_unique<shell::App>(desktop, db);
    app->start();
    ASSERT_TRUE(app->running());
}

void AppTest::switchUser(const std::string& user, const std::string& password) {
    queueLogin(user, password);
    main().工具条1.clickItem(shell::MainWindow::kSwitchUser);
}

void AppTest::addUser(const std::string& name, const std::string& password,
                      const std::string& flags, int skin) {
    std::string values;
    for (char f : flags) values += std::string(",") + f;
    exec(
        "INSERT INTO 用户 (用户, 密码, 皮肤, 开台, 结账, 查询, 删除, 流水导出, 单台导出, 设置用户, "
        "设置餐台, "
        "设置菜品, 设置公告) VALUES ('" +
        name + "','" + password + "'," + std::to_string(skin) + values + ")");
}

ordering::OrderWindow& AppTest::order() {
    if (!app->orderWindow()) main().工具条1.clickItem(shell::MainWindow::kOrder);
    return *app->orderWindow();
}

checkout::CheckoutWindow& AppTest::checkout() {
    if (!app->checkoutWindow()) main().工具条1.clickItem(shell::MainWindow::kCheckout);
    return *app->checkoutWindow();
}

std::string AppTest::openTable(const std::string& table, const std::string& guests) {
    auto& w = order();
    w.组合框_餐台.select(-1);
    for (int i = 0; i < w.组合框_餐台.itemCount(); ++i)
        if (w.组合框_餐台.itemText(i) == table) w.组合框_餐台.choose(i);
    w.组合框_人数.type(guests);
    const size_t before = mark();
    w.按钮_开台.click();
    return mark() > before ? lastMessage().text : std::string("<no message>");
}

void AppTest::addDish(const std::string& group, const std::string& dish) {
    auto& menu = order().卷帘式菜单_点菜;
    for (int g = 0; g < menu.groupCount(); ++g) {
        if (menu.groupTitle(g) != group) continue;
        for (int i = 0; i < menu.itemCount(g); ++i) {
            if (menu.itemText(g, i) == dish) {
                menu.clickItem(g, i);
                return;
            }
        }
    }
    ADD_FAILURE() << "no dish " << group << " / " << dish;
}

const MessageRecord& AppTest::lastMessage() const {
    static const MessageRecord none{"<none>"};
    return desktop.messages.empty() ? none : desktop.messages.back();
}

}  // namespace tablora::test
