// A waiter who never stops: changes the lines of one order over and over on the database
// named, until the process is killed. The crash-loop test kills it at random moments.
#include <cstdio>

#include "ordering/order_window.h"
#include "shell/app.h"
#include "shell/login_window.h"
#include "shell/main_window.h"
#include "support/scripted_desktop.h"

using namespace tablora;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    test::ScriptedDesktop desktop;
    desktop.modalScripts.push_back([](ui::Window& w) {
        auto& login = static_cast<shell::LoginWindow&>(w);
        login.编辑框_密码.type("888888");
        login.按钮_登录.click();
    });
    shell::App app(desktop, argv[1]);
    app.start();
    app.openOrderWindow();
    auto& order = *app.orderWindow();
    if (order.组合框_切换.itemCount() > 0) {
        order.组合框_切换.choose(0);
        order.按钮_切换.click();
    } else {
        order.组合框_餐台.choose(0);
        order.组合框_人数.type("4");
        order.按钮_开台.click();
    }
    std::printf("ready\n");
    std::fflush(stdout);
    auto& menu = order.卷帘式菜单_点菜;
    auto& lines = order.超级列表框_点菜;
    for (unsigned i = 0;; ++i) {
        menu.clickItem(1, static_cast<int>(i % static_cast<unsigned>(menu.itemCount(1))));
        lines.selectRow(0);
        order.按钮_数量加.click();
        lines.selectRow(lines.rowCount() - 1);
        order.按钮_数量加.click();
        order.按钮_数量减.click();
        if (lines.rowCount() > 4) {
            lines.selectRow(1);
            order.按钮_删除.click();
        }
        desktop.messages.clear();
    }
}
