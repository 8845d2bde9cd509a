// A copy of a 200,000-order cysj.db made by the program while the waiter keeps adding dishes
// (a line every 0.2 s): how long the copy holds the window thread when it begins, how long the
// waiter's writes take meanwhile, how long the whole copy takes; and tablora-backup's way, the
// start-up check of the file. The scripted desktop, the real file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "backup/backup_service.h"
#include "data/backup.h"
#include "data/data_context.h"
#include "ordering/order_window.h"
#include "shell/app.h"
#include "shell/login_window.h"
#include "support/scripted_desktop.h"
#include "support/temp_db.h"

using namespace tablora;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int orders = argc > 1 ? std::atoi(argv[1]) : 200'000;
    test::TempDir dir;
    const std::string path = dir.path("cysj.db");
    data::createDemoDatabase(path, "经理", "888888");
    data::addHistory(path, orders, {2026, 12, 8, 0, 0, 0});

    test::ScriptedDesktop desktop;
    desktop.clock = {2026, 12, 9, 18, 0, 0};
    desktop.modalScripts.push_back([](ui::Window& w) {
        auto& login = static_cast<shell::LoginWindow&>(w);
        login.编辑框_密码.type("888888");
        login.按钮_登录.click();
    });
    shell::App app(desktop, path);
    app.start();
    app.backups().finishAll();  // the day's copy
    app.openOrderWindow();
    auto& order = *app.orderWindow();
    order.组合框_餐台.choose(0);
    order.组合框_人数.type("4");
    order.按钮_开台.click();

    std::vector<double> holds, writes, wholes;
    for (int round = 0; round < 5; ++round) {
        desktop.clock.minute = round + 1;
        bool done = false, ok = false, first = true;
        const auto t0 = Clock::now();
        app.backups().copyNow([&](bool made, const std::string&) { done = true, ok = made; });
        holds.push_back(ms(t0, Clock::now()));
        // The waiter adds a dish every 0.2 s until the copy is made.
        while (app.backups().busy()) {
            const auto w0 = Clock::now();
            // A new dish at each copy's first, one more of it after.
            if (first)
                order.卷帘式菜单_点菜.clickItem(1, round % order.卷帘式菜单_点菜.itemCount(1));
            else {
                order.超级列表框_点菜.selectRow(order.超级列表框_点菜.rowCount() - 1);
                order.按钮_数量加.click();
            }
            first = false;
            writes.push_back(ms(w0, Clock::now()));
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        app.backups().finishAll();
        wholes.push_back(ms(t0, Clock::now()));
        if (!done || !ok) std::printf("copy %d failed\n", round);
    }
    std::printf("lines of the order: %s; messages: %zu%s\n",
                test::querySql(path, "SELECT count(*) || '/' || sum(数量) FROM 明细 WHERE 单号='" +
                                         order.标签_单号.text() + "'")
                    .c_str(),
                desktop.messages.size(),
                desktop.messages.empty() ? "" : (" " + desktop.messages.back().text).c_str());
    const auto t0 = Clock::now();
    const bool good = data::checkDatabaseFile(path) == data::FileCheck::Good;
    const double check = ms(t0, Clock::now());
    const auto sorted = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    const auto h = sorted(holds), w = sorted(writes), c = sorted(wholes);
    std::printf("%d orders, 5 copies with a dish added every 0.2 s meanwhile\n", orders);
    std::printf("window thread held as a copy begins: median %.2f ms, most %.2f ms\n",
                h[h.size() / 2], h.back());
    std::printf("dishes added during copies: %zu, median %.2f ms, most %.2f ms\n", w.size(),
                w[w.size() / 2], w.back());
    std::printf("whole copy (made, checked, named): median %.0f ms, most %.0f ms\n",
                c[c.size() / 2], c.back());
    std::printf("start-up quick_check of the file: %.0f ms (%s)\n", check,
                good ? "good" : "damaged");
    return 0;
}
