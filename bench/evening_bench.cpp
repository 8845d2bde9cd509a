// A busy evening on a restaurant with years of history: 100,000 settled orders and 400,000
// lines. Times what a waiter and a cashier wait for, through the real windows.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>

#include "checkout/checkout_window.h"
#include "data/data_context.h"
#include "ordering/order_window.h"
#include "shell/app.h"
#include "shell/login_window.h"
#include "shell/main_window.h"
#include "support/scripted_desktop.h"

using namespace tablora;

namespace {

struct Evening {
    std::string path =
        (std::filesystem::temp_directory_path() / "tablora-evening-bench.db").string();
    test::ScriptedDesktop desktop;
    std::unique_ptr<shell::App> app;
    int tableIndex = 0;

    Evening() {
        std::filesystem::remove(path);
        data::createDemoDatabase(path, "经理", "888888");
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db,
                     "BEGIN;"
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<100000)"
                     " INSERT INTO 流水 SELECT printf('2020%010d', i), '2020年1月1日', "
                     "'大厅'||(i%8+1)||'号',"
                     " 4, 120, 1, '经理', '' FROM n;"
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<400000)"
                     " INSERT INTO 明细 SELECT printf('2020%010d', i/4+1), '菜'||(i%4), 30, 1, 30, "
                     "'热菜' FROM n;"
                     "COMMIT;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        desktop.modalScripts.push_back([](ui::Window& w) {
            auto& login = static_cast<shell::LoginWindow&>(w);
            login.编辑框_密码.type("888888");
            login.按钮_登录.click();
        });
        app = std::make_unique<shell::App>(desktop, path);
        app->start();
        app->openOrderWindow();
        app->openCheckoutWindow();
    }
    ~Evening() {
        app.reset();
        std::filesystem::remove(path);
    }
    ordering::OrderWindow& order() { return *app->orderWindow(); }
};

Evening& evening() {
    static Evening e;
    return e;
}

void BM_OpenTable(benchmark::State& state) {
    auto& e = evening();
    for (auto _ : state) {
        auto& o = e.order();
        o.组合框_餐台.choose(e.tableIndex++ % o.组合框_餐台.itemCount());
        o.组合框_人数.type("2");
        o.按钮_开台.click();
        e.desktop.clock.second = (e.desktop.clock.second + 1) % 60;
    }
}

void BM_AddDishWithCheckoutOpen(benchmark::State& state) {
    auto& e = evening();
    auto& menu = e.order().卷帘式菜单_点菜;
    int dish = 0;
    for (auto _ : state) {
        menu.clickItem(1, dish % menu.itemCount(1));
        ++dish;
    }
}

void BM_SwitchTable(benchmark::State& state) {
    auto& e = evening();
    auto& o = e.order();
    for (auto _ : state) {
        o.组合框_切换.choose(0);
        o.按钮_切换.click();
    }
}

}  // namespace

BENCHMARK(BM_OpenTable)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_AddDishWithCheckoutOpen)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_SwitchTable)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK_MAIN();
