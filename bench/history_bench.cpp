// Every action of a waiter and a cashier over years of history (10,000 to 200,000 orders of
// five lines each), through the real windows: on the scripted desktop and on the real Qt
// widgets (offscreen), with the cursor asking SQLite and, side by side, walking every table as
// it once did. Each configuration runs in its own process, so its memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "board/table_board_window.h"
#include "checkout/checkout_window.h"
#include "checkout/discount_window.h"
#include "checkout/payment_split_window.h"
#include "checkout/split_bill_window.h"
#include "data/data_context.h"
#include "data/sqlite_table.h"
#include "ordering/number_pad_window.h"
#include "ordering/order_window.h"
#include "ordering/taste_window.h"
#include "ordering/void_dish_window.h"
#include "printing/print_queue.h"
#include "query/query_window.h"
#include "reports/audit_window.h"
#include "reports/cash_movement_window.h"
#include "reports/report_window.h"
#include "rights/gift_window.h"
#include "settings/restaurant_settings_window.h"
#include "shell/app.h"
#include "shell/login_window.h"
#include "shell/main_window.h"
#include "support/scripted_desktop.h"
#include "support/temp_db.h"
#include "ui/qt/qt_desktop.h"

using namespace tablora;
// Wall-clock time; with HISTORY_BENCH_CPU=1 the processor time of the whole program, every
// thread: what an action costs on a real display (QT_QPA_PLATFORM=xcb under an X server).
struct Clock {
    static std::chrono::nanoseconds now() {
        static const bool cpu = std::getenv("HISTORY_BENCH_CPU") != nullptr;
        if (!cpu) return std::chrono::steady_clock::now().time_since_epoch();
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    }
};

namespace {

const util::CalendarTime kToday{2026, 12, 9, 18, 0, 0};

// The real widgets, with nobody at the screen: message boxes answer at once.
class BenchQtDesktop : public ui::qt::QtDesktop {
  public:
    ui::Answer messageBox(const std::string& text, const std::string&, ui::Icon,
                          ui::Buttons) override {
        if (std::getenv("HISTORY_BENCH_SAY")) std::printf("said: %s\n", text.c_str());
        std::fflush(stdout);
        return ui::Answer::Ok;
    }
    util::CalendarTime now() override { return clock; }
    std::optional<std::string> saveDialog(const std::string&, const std::string&,
                                          const std::string&) override {
        return exportPath;
    }
    util::CalendarTime clock = kToday;
    std::string exportPath;
};

struct Results {
    std::map<std::string, std::vector<double>> times;
    std::vector<std::string> order;
    void add(const std::string& action, double ms) {
        if (!times.count(action)) order.push_back(action);
        times[action].push_back(ms);
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Times one step with the widgets' catching up afterwards.
struct Stopwatch {
    const std::function<void()>& flush;
    Results& results;
    void operator()(const std::string& action, const std::function<void()>& step) const {
        const auto t0 = Clock::now();
        step();
        flush();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        // The first of these in a session is where a whole rowid list used to be loaded.
        if (!results.times.count(action) &&
            (action == "add a dish (cash desk open)" || action == "open OrderWindow"))
            results.add("first in the session: " + action, ms);
        results.add(action, ms);
    }
};

// Runs the evening on a logged-in app; `flush` lets the widgets catch up (part of the time).
void evening(shell::App& app, util::CalendarTime& clock, int rounds,
             const std::function<void()>& flush, Results& results) {
    const Stopwatch timed{flush, results};
    for (int k = 0; k < std::max(3, rounds / 2); ++k) {
        if (auto* w = app.orderWindow()) w->destroy();
        if (auto* w = app.checkoutWindow()) w->destroy();
        flush();
        timed("open OrderWindow", [&] { app.openOrderWindow(); });
        timed("open CheckoutWindow", [&] { app.openCheckoutWindow(); });
    }
    auto& order = *app.orderWindow();
    auto& checkout = *app.checkoutWindow();
    auto chooseText = [](ui::ComboBox& box, const std::string& text) {
        for (int i = 0; i < box.itemCount(); ++i)
            if (box.itemText(i) == text) return box.choose(i);
        return false;
    };
    auto openTable = [&](const std::string& table) {
        chooseText(order.组合框_餐台, table);
        order.组合框_人数.type("2");
        order.按钮_开台.click();
        clock.minute = (clock.minute + 1) % 60;
    };
    std::vector<std::string> tables = order.组合框_餐台.items();
    const std::string kept = tables.front();
    openTable(kept);  // a second open table to switch to
    for (int i = 0; i < rounds; ++i) {
        const std::string table = tables[1 + static_cast<size_t>(i) % (tables.size() - 1)];
        timed("open a table", [&] { openTable(table); });
        for (int d = 0; d < 3; ++d)
            timed("add a dish (cash desk open)", [&] {
                order.卷帘式菜单_点菜.clickItem(1, (i + d) % order.卷帘式菜单_点菜.itemCount(1));
            });
        order.超级列表框_点菜.selectRow(0);
        timed("quantity +", [&] { order.按钮_数量加.click(); });
        timed("quantity -", [&] { order.按钮_数量减.click(); });
        order.超级列表框_点菜.selectRow(2);
        timed("delete a line", [&] { order.按钮_删除.click(); });
        timed("switch tables", [&] {
            chooseText(order.组合框_切换, kept);
            order.按钮_切换.click();
        });
        chooseText(order.组合框_切换, table);
        order.按钮_切换.click();
        int row = 0;
        while (row < checkout.超级列表框_流水.rowCount() &&
               checkout.超级列表框_流水.cell(row, 3) != table)
            ++row;
        timed("select an order at the cash desk", [&] { checkout.超级列表框_流水.selectRow(row); });
        checkout.编辑框_金额.type("1000");
        timed("settle a bill", [&] { checkout.按钮_结账.click(); });
    }
}

// The manager's part: the journal listed all, by a day and by number, an order looked at and
// deleted, and both exports (which the desktop answers with `exportPath`).
void journal(shell::App& app, int rounds, const std::function<void()>& flush, Results& results) {
    const Stopwatch timed{flush, results};
    app.openQueryWindow();
    flush();
    auto& q = *app.queryWindow();
    for (int i = 0; i < std::max(2, rounds / 5); ++i) {
        timed("query: all, with totals", [&] { q.按钮_查询全部.click(); });
        timed("query: export the journal", [&] { q.按钮_流水导出.click(); });
    }
    for (int i = 0; i < rounds; ++i) {
        const util::CalendarTime day{2025, 6, 1 + i % 28, 0, 0, 0};
        timed("query: one day", [&] {
            q.日期框1.pick(day);
            q.日期框2.pick(day);
            q.按钮_查询时间.click();
        });
        const std::string number = q.超级列表框_流水.cell(i % q.超级列表框_流水.rowCount(), 1);
        timed("query: by number", [&] {
            q.编辑框_单号.type(number);
            q.按钮_查询单号.click();
        });
        q.按钮_查询时间.click();
        timed("query: select an order (its lines)", [&] {
            q.超级列表框_流水.selectRow(1 + i % std::max(1, q.超级列表框_流水.rowCount() - 1));
        });
        timed("query: export one order", [&] { q.按钮_单台导出.click(); });
        timed("query: delete an order, the day again", [&] { q.按钮_删除.click(); });
    }
    // The lists that grow with the history: a year, and 全部, each repeated after a delete.
    for (int i = 0; i < std::max(2, rounds / 5); ++i) {
        timed("query: one year, with totals", [&] {
            q.日期框1.pick({2025, 1, 1, 0, 0, 0});
            q.日期框2.pick({2025, 12, 31, 0, 0, 0});
            q.按钮_查询时间.click();
        });
        q.超级列表框_流水.selectRow(1 + i);
        timed("query: delete an order, the year again", [&] { q.按钮_删除.click(); });
        q.按钮_查询全部.click();
        flush();
        timed("query: select an order in 全部 (its lines)",
              [&] { q.超级列表框_流水.selectRow(q.超级列表框_流水.rowCount() / 2 + i); });
        timed("query: delete an order, 全部 again", [&] { q.按钮_删除.click(); });
    }
}

// The manager's settings over a big menu: 100 tables, 30 categories, 1,000 dishes and 200
// users (made by `bigMenu`), with the order window open so it follows every change.
void settingsEvening(shell::App& app, int rounds, const std::function<void()>& flush,
                     Results& results) {
    const Stopwatch timed{flush, results};
    // A few times, for a median: the first open follows the journal's million rows going.
    for (int i = 0; i < 3; ++i) {
        if (auto* w = app.orderWindow()) w->destroy();
        flush();
        timed("open OrderWindow, 1,000 dishes", [&] { app.openOrderWindow(); });
    }
    for (int i = 0; i < rounds; ++i) {
        // The modal window's steps run inside the menu's call, each timed on its own.
        const auto opened = Clock::now();
        std::function<void(ui::Window&)> script = [&](ui::Window& w) {
            auto& s = static_cast<settings::RestaurantSettingsWindow&>(w);
            flush();
            results.add("open RestaurantSettingsWindow, 1,000 dishes",
                        std::chrono::duration<double, std::milli>(Clock::now() - opened).count());
            const std::string suffix = std::to_string(i);
            s.卷帘式菜单_菜单.setOpenGroup(3);
            timed("settings: add a dish", [&] {
                s.编辑框_菜品.type("新菜" + suffix);
                s.编辑框_单价.type("9");
                s.按钮_菜品添加.click();
            });
            timed("settings: modify a dish", [&] {
                s.卷帘式菜单_菜单.clickItem(3, s.卷帘式菜单_菜单.itemCount(3) - 1);
                s.编辑框_单价.type("10");
                s.按钮_菜品修改.click();
            });
            timed("settings: delete a dish", [&] {
                s.卷帘式菜单_菜单.setOpenGroup(3);
                s.卷帘式菜单_菜单.clickItem(3, s.卷帘式菜单_菜单.itemCount(3) - 1);
                s.按钮_菜品删除.click();
            });
            timed("settings: add a category", [&] {
                s.编辑框_分类.type("新分类" + suffix);
                s.按钮_菜品分类添加.click();
            });
            const int added = s.卷帘式菜单_菜单.groupCount() - 1;
            timed("settings: rename a category", [&] {
                s.卷帘式菜单_菜单.setOpenGroup(added);
                s.编辑框_分类.type("改名分类" + suffix);
                s.按钮_菜品分类修改.click();
            });
            timed("settings: delete a category", [&] {
                s.卷帘式菜单_菜单.setOpenGroup(added);
                s.按钮_菜品分类删除.click();
            });
            timed("settings: add, rename, delete a table", [&] {
                s.编辑框_餐台.type("露台" + suffix);
                s.按钮_餐台添加.click();
                s.列表框_餐台.choose(s.列表框_餐台.itemCount() - 1);
                s.编辑框_餐台.type("露台二" + suffix);
                s.按钮_餐台修改.click();
                s.列表框_餐台.choose(s.列表框_餐台.itemCount() - 1);
                s.按钮_餐台删除.click();
            });
            s.按钮10.click();
        };
        if (auto* scripted = dynamic_cast<test::ScriptedDesktop*>(&app.desktop()))
            scripted->modalScripts.push_back(script);
        else
            QTimer::singleShot(0, [&] {
                if (auto* w = app.restaurantSettingsWindow()) script(*w);
            });
        app.openRestaurantSettings();
    }
}

// The table board over 100 tables with 40 of them eating: opening it, refreshing it, and a
// touch on an eating and on a free tile reaching the order window.
void boardEvening(shell::App& app, util::CalendarTime& clock, int rounds,
                  const std::function<void()>& flush, Results& results) {
    const Stopwatch timed{flush, results};
    app.openOrderWindow();
    auto& order = *app.orderWindow();
    const std::vector<std::string> tables = order.组合框_餐台.items();
    for (size_t t = 0; t < tables.size() && order.组合框_切换.itemCount() < 40; ++t) {
        order.组合框_餐台.choose(static_cast<int>(t));
        order.组合框_人数.type("3");
        if (!order.按钮_开台.click()) continue;
        order.卷帘式菜单_点菜.clickItem(1, 0);
        clock.second = (clock.second + 1) % 60;
    }
    flush();
    if (auto* w = app.window("TableBoardWindow")) w->destroy();
    flush();
    timed("board: open, 100 tables, 40 eating", [&] { app.openTableBoard(); });
    auto& board = *static_cast<board::TableBoardWindow*>(app.window("TableBoardWindow"));
    auto& tiles = board.图块框_餐台;
    int eating = -1, free = -1;
    for (int t = 0; t < static_cast<int>(tiles.tiles().size()); ++t)
        (tiles.tiles()[static_cast<size_t>(t)].state ? eating : free) = t;
    for (int i = 0; i < rounds; ++i) {
        clock.minute = (clock.minute + 1) % 60;  // new minutes on every tile
        timed("board: refresh, 100 tables, 40 eating", [&] { board.refresh(); });
        timed("board: touch an eating table", [&] { tiles.touch(eating); });
        timed("board: touch a free table", [&] { tiles.touch(free); });
    }
}

// Runs `act` on the dialog `name` once an action brought it up (the scripted desktop's queue,
// or on Qt the nested event loop's first turn); records how long it took to come up and the
// whole of `action`, up to the windows caught up after it closed.
void withDialog(shell::App& app, const std::string& name, const std::function<void()>& flush,
                Results& results, const std::string& action,
                const std::function<void(ui::Window&)>& act, const std::function<void()>& open) {
    const auto t0 = Clock::now();
    double up = 0;
    std::function<void(ui::Window&)> script = [&](ui::Window& w) {
        flush();
        up = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        act(w);
    };
    // On Qt, acted on once the dialog is up: the action may turn the event loop before it.
    QTimer waiting;
    if (auto* scripted = dynamic_cast<test::ScriptedDesktop*>(&app.desktop())) {
        scripted->modalScripts.push_back(script);
    } else {
        QObject::connect(&waiting, &QTimer::timeout, &waiting, [&] {
            if (auto* w = app.window(name)) {
                waiting.stop();
                script(*w);
            }
        });
        waiting.start(0);
    }
    open();
    waiting.stop();
    flush();
    results.add("open " + name, up);
    results.add(action, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
}

// The waiter's additions on a table of its own, over the big menu: finding dishes by typing,
// a note, the keypad, a void of a sent dish; then the day's trace in the owner's audit list.
void kitchenEvening(shell::App& app, util::CalendarTime& clock, int rounds,
                    const std::function<void()>& flush, Results& results) {
    const Stopwatch timed{flush, results};
    // The kitchen's tables as years of such evenings leave them: three sent dishes an order, a
    // note on one order in five, a void or decrease in one in twenty.
    const std::string path = app.data().databasePath();
    const long long orders = std::stoll(test::querySql(path, "SELECT count(*) FROM 流水"));
    const auto numbers = [](long long n) {
        return "WITH RECURSIVE c(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM c WHERE x < " +
               std::to_string(n - 1) + ") SELECT x FROM c";
    };
    test::execSql(path,
                  "INSERT INTO 送厨记录 SELECT printf('H%013d', x / 3), '菜' || (x % 3), "
                  "'分类1', 1 FROM (" +
                      numbers(orders * 3) +
                      ");"
                      "INSERT INTO 菜品口味 SELECT printf('H%013d', x * 5), '菜0', '少辣', '少辣' "
                      "FROM (" +
                      numbers(orders / 5) +
                      ");"
                      "INSERT INTO 操作记录 SELECT printf('2024-%02d-%02d 12:00:00', 1 + x % 12, "
                      "1 + x % 28), printf('H%013d', x * 20), '桌1', '删菜', '菜0', 1, 10, '', "
                      "'经理', '', 0 FROM (" +
                      numbers(orders / 20) + ")");
    {
        data::SqliteTable printers;
        if (!printers.open("打印机", app.data().database) || !printers.addNew() ||
            !printers.write("名称", "热厨") || !printers.write("连接", "file:/dev/null") ||
            !printers.write("纸宽", 80) || !printers.write("用途", "厨房") ||
            !printers.write("分类", "") || !printers.update())
            std::printf("no kitchen printer\n");
    }
    app.openOrderWindow();
    auto& order = *app.orderWindow();
    // A table of its own: the evenings before left many eating.
    for (int t = order.组合框_餐台.itemCount() - 1; t >= 0; --t) {
        order.组合框_餐台.choose(t);
        order.组合框_人数.type("2");
        const int eating = order.组合框_切换.itemCount();
        order.按钮_开台.click();
        if (order.组合框_切换.itemCount() > eating) break;
    }
    clock.second = (clock.second + 1) % 60;
    order.卷帘式菜单_点菜.clickItem(1, 0);
    flush();
    for (int i = 0; i < rounds; ++i) {
        for (const char* typed : {"c", "c1", "c12"})
            timed("search: one keystroke, 1,000 dishes", [&] { order.编辑框_检索.type(typed); });
        order.编辑框_检索.pressKey(ui::Window::kEscape);
        order.超级列表框_点菜.selectRow(0);
        withDialog(
            app, "NumberPadWindow", flush, results, "keypad: a quantity set (whole)",
            [i](ui::Window& w) {
                auto& pad = static_cast<ordering::NumberPadWindow&>(w);
                pad.按钮_清除.click();
                (i % 2 ? pad.按钮_8 : pad.按钮_9).click();
                pad.按钮_确定.click();
            },
            [&] { order.按钮_数量.click(); });
        withDialog(
            app, "TasteWindow", flush, results, "note: chosen and kept (whole)",
            [i](ui::Window& w) {
                auto& taste = static_cast<ordering::TasteWindow&>(w);
                taste.选择列表框_口味.tick(i % 5, true);
                taste.按钮_确定.click();
            },
            [&] { order.按钮_口味.click(); });
        order.按钮_送厨.click();
        app.printQueue().finishAll();
        flush();
        withDialog(
            app, "VoidDishWindow", flush, results, "void: one sent dish (whole)",
            [](ui::Window& w) {
                auto& voiding = static_cast<ordering::VoidDishWindow&>(w);
                voiding.组合框_原因.type("客人不要了");
                voiding.按钮_确定.click();
            },
            [&] { order.按钮_退菜.click(); });
        app.printQueue().finishAll();
    }
    app.openReportWindow();
    flush();
    auto& report = *static_cast<report::ReportWindow*>(app.window("ReportWindow"));
    report.日期框_开始.pick(clock);
    report.日期框_结束.pick(clock);
    for (int i = 0; i < rounds; ++i)
        withDialog(
            app, "AuditWindow", flush, results, "audit: the day's list (whole)",
            [](ui::Window& w) { static_cast<report::AuditWindow&>(w).按钮_关闭.click(); },
            [&] { report.按钮_操作记录.click(); });
}

// The cash desk's additions on tables charging service and a minimum: a comp, a discount with
// 抹零, a split, a bill paid two ways; the settings and cash windows opened.
void cashierEvening(shell::App& app, util::CalendarTime& clock, int rounds,
                    const std::function<void()>& flush, Results& results) {
    const Stopwatch timed{flush, results};
    const std::string path = app.data().databasePath();
    test::execSql(path,
                  "INSERT INTO 餐台收费 SELECT 餐台, 10, 300 FROM 餐台;"
                  "INSERT INTO 不打折分类 VALUES ('酒水')");
    app.openOrderWindow();
    app.openCheckoutWindow();
    auto& order = *app.orderWindow();
    auto& desk = *app.checkoutWindow();
    const auto pick = [&] {
        desk.RefreshCheckoutWindow();
        for (int r = 0; r < desk.超级列表框_流水.rowCount(); ++r)
            if (desk.超级列表框_流水.cell(r, 1) == order.标签_单号.text())
                desk.超级列表框_流水.selectRow(r);
        flush();
    };
    for (int i = 0; i < rounds; ++i) {
        clock.second = (clock.second + 1) % 60;
        if (clock.second == 0) clock.minute = (clock.minute + 1) % 60;
        order.组合框_餐台.choose(order.组合框_餐台.itemCount() - 2 - i % 20);
        order.组合框_人数.type("4");
        order.按钮_开台.click();
        for (int dish = 0; dish < 4; ++dish) order.卷帘式菜单_点菜.clickItem(1, dish);
        pick();
        desk.超级列表框_明细.selectRow(0);
        withDialog(
            app, "GiftWindow", flush, results, "comp: one dish given (whole)",
            [](ui::Window& w) {
                auto& gift = static_cast<rights::GiftWindow&>(w);
                gift.组合框_原因.type("老客户");
                gift.按钮_确定.click();
            },
            [&] { desk.按钮_赠送.click(); });
        withDialog(
            app, "DiscountWindow", flush, results, "discount: 8.8折 and 抹零 kept (whole)",
            [](ui::Window& w) {
                auto& discount = static_cast<checkout::DiscountWindow&>(w);
                discount.组合框_折扣.type("88");
                discount.组合框_抹零.choose(1);
                discount.按钮_确定.click();
            },
            [&] { desk.按钮_优惠.click(); });
        withDialog(
            app, "SplitBillWindow", flush, results, "split: one dish to a new bill (whole)",
            [](ui::Window& w) {
                auto& split = static_cast<checkout::SplitBillWindow&>(w);
                split.超级列表框_原单.selectRow(1);
                split.按钮_移入.click();
                split.按钮_确定.click();
            },
            [&] { desk.按钮_拆单.click(); });
        pick();
        withDialog(
            app, "PaymentSplitWindow", flush, results, "settle: 微信 + 现金 (whole)",
            [](ui::Window& w) {
                auto& pay = static_cast<checkout::PaymentSplitWindow&>(w);
                pay.组合框_付款方式.choose(1);
                pay.编辑框_金额.type("100");
                pay.按钮_添加.click();
                pay.组合框_付款方式.choose(0);
                pay.编辑框_金额.type("1000");
                pay.按钮_添加.click();
                pay.按钮_结账.click();
            },
            [&] { desk.按钮_组合支付.click(); });
        for (int r = 0; r < desk.超级列表框_流水.rowCount(); ++r)
            if (desk.超级列表框_流水.cell(r, 3).find('-') != std::string::npos)
                desk.超级列表框_流水.selectRow(r);
        timed("settle: 整额 in cash, two taps", [&] {
            desk.按钮_整额.click();
            desk.按钮_结账.click();
        });
        withDialog(
            app, "CashierSettingsWindow", flush, results, "cashier settings: opened and closed",
            [](ui::Window& w) { w.destroy(); }, [&] { app.openCashierSettings(); });
    }
    app.openReportWindow();
    flush();
    auto& report = *static_cast<report::ReportWindow*>(app.window("ReportWindow"));
    for (int i = 0; i < rounds; ++i)
        withDialog(
            app, "CashMovementWindow", flush, results, "cash in: kept (whole)",
            [](ui::Window& w) {
                auto& cash = static_cast<report::CashMovementWindow&>(w);
                cash.编辑框_金额.type("100");
                cash.按钮_确定.click();
            },
            [&] { report.按钮_现金收支.click(); });
}

// One order in five discounted, as years of service leave the file: made before the program
// opens it, with the tables the program would make.
void adjustedHistory(const std::string& path) {
    test::execSql(path,
                  "CREATE TABLE IF NOT EXISTS 原因 (类型 TEXT, 原因 TEXT);"
                  "CREATE TABLE IF NOT EXISTS 账单调整 (单号 TEXT, 类型 TEXT, 菜品 TEXT, 数量 "
                  "INTEGER, 比例 INTEGER, 金额 INTEGER, 原因 TEXT, 操作员 TEXT, 授权人 TEXT, 时间 "
                  "TEXT);"
                  "INSERT INTO 原因 VALUES ('赠送', '老客户'), ('折扣', '老客户');"
                  "INSERT INTO 账单调整 SELECT 单号, '整单折扣', '', 0, 90, -(金额 / 10), '', "
                  "'经理', '', '' FROM 流水 WHERE rowid % 5 = 0");
}

// The owner's report over one day with orders and over a whole year.
void reportEvening(shell::App& app, int rounds, const std::function<void()>& flush,
                   Results& results) {
    const Stopwatch timed{flush, results};
    if (auto* w = app.window("ReportWindow")) w->destroy();
    flush();
    timed("report: open (today)", [&] { app.openReportWindow(); });
    auto& w = *static_cast<report::ReportWindow*>(app.window("ReportWindow"));
    for (int i = 0; i < rounds; ++i) {
        timed("report: one day with orders", [&] {
            w.日期框_开始.pick({2026, 12, 1 + i % 7, 0, 0, 0});
            w.日期框_结束.pick({2026, 12, 1 + i % 7, 0, 0, 0});
            w.按钮_查询.click();
        });
        timed("report: one year", [&] {
            w.日期框_开始.pick({2025 - i % 3, 1, 1, 0, 0, 0});
            w.日期框_结束.pick({2025 - i % 3, 12, 31, 0, 0, 0});
            w.按钮_查询.click();
        });
    }
}

// A restaurant with a big menu on top of the demo one.
void bigMenu(const std::string& path) {
    std::string sql = "BEGIN;";
    for (int t = 0; t < 88; ++t) sql += "INSERT INTO 餐台 VALUES ('桌" + std::to_string(t) + "');";
    for (int c = 0; c < 25; ++c)
        sql += "INSERT INTO 分类 VALUES ('分类" + std::to_string(c) + "');";
    for (int d = 0; d < 970; ++d)
        sql += "INSERT INTO 菜品 VALUES ('菜" + std::to_string(d) + "/" +
               std::to_string(10 + d % 90) + "元','分类" + std::to_string(d % 25) + "');";
    for (int u = 0; u < 199; ++u)
        sql +=
            "INSERT INTO 用户 (用户, 密码, 皮肤) VALUES ('员工" + std::to_string(u) + "','1',0);";
    sql += "COMMIT;";
    test::execSql(path, sql);
}

// The history file of this size, made once (a million orders take about 20 s) and kept in
// the build folder beside the benchmark; every configuration runs on a copy of it. The name
// carries the generator's version: a changed generator makes new files.
std::string historyFile(int size) {
    std::error_code error;
    auto folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (error) folder = std::filesystem::temp_directory_path();
    folder /= "bench-data";
    std::filesystem::create_directories(folder, error);
    const std::string path = (folder / ("history-v2-" + std::to_string(size) + ".db")).string();
    if (std::filesystem::exists(path)) return path;
    // Made under another name and renamed when whole, so a run stopped midway leaves nothing.
    const std::string making = path + ".making";
    std::filesystem::remove(making, error);
    data::createDemoDatabase(making, "经理", "888888");
    data::addHistory(making, size, {2026, 12, 8, 0, 0, 0});
    bigMenu(making);
    std::filesystem::rename(making, path, error);
    return error ? making : path;
}

void logIn(ui::Window& w) {
    auto& login = static_cast<shell::LoginWindow&>(w);
    login.编辑框_密码.type("888888");
    login.按钮_登录.click();
}

long memoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The past days' report figures are kept on a thread of their own after login, the first day
// for every past day: waited for here, so the actions measured do not share the machine with it.
void keptDays(shell::App& app, Results& r) {
    const auto t0 = Clock::now();
    app.finishKeepingReportDays();
    r.add("past report days kept (own thread)",
          std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
}

void runScripted(const std::string& path, bool literal, int rounds, Results& r) {
    test::ScriptedDesktop desktop;
    desktop.clock = kToday;
    desktop.modalScripts.push_back(logIn);
    shell::App app(desktop, path);
    app.data().database.setLiteralWalks(literal);
    const auto t0 = Clock::now();
    app.start();
    r.add("start-up to the logged-in main window",
          std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    keptDays(app, r);
    evening(
        app, desktop.clock, rounds, [] {}, r);
    cashierEvening(
        app, desktop.clock, rounds, [] {}, r);
    for (int i = 0; i < 100; ++i) desktop.saves.push_back(path + ".xls");
    journal(
        app, rounds, [] {}, r);
    std::filesystem::remove(path + ".xls");
    settingsEvening(
        app, std::max(3, rounds / 3), [] {}, r);
    boardEvening(
        app, desktop.clock, rounds, [] {}, r);
    reportEvening(
        app, std::max(3, rounds / 3), [] {}, r);
    kitchenEvening(
        app, desktop.clock, rounds, [] {}, r);
}

void runQt(const std::string& path, bool literal, int rounds, Results& r) {
    int argc = 1;
    char name[] = "history_bench";
    char* argv[] = {name, nullptr};
    // Offscreen unless a platform is asked for (a real display, to measure its cost).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    BenchQtDesktop desktop;
    shell::App app(desktop, path);
    app.data().database.setLiteralWalks(literal);
    // Logs in once the login window is up (the main window may turn the event loop first).
    QTimer login;
    QObject::connect(&login, &QTimer::timeout, &login, [&] {
        if (!app.loginWindow()) return;
        login.stop();
        logIn(*app.loginWindow());
    });
    login.start(0);
    const auto t0 = Clock::now();
    app.start();
    desktop.syncAll();
    QCoreApplication::processEvents();
    r.add("start-up to the logged-in main window",
          std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    keptDays(app, r);
    // Without a running event loop, the windows the program closed wait for this to go.
    auto flush = [&] {
        desktop.syncAll();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    evening(app, desktop.clock, rounds, flush, r);
    cashierEvening(app, desktop.clock, rounds, flush, r);
    desktop.exportPath = path + ".xls";
    journal(app, rounds, flush, r);
    std::filesystem::remove(desktop.exportPath);
    settingsEvening(app, std::max(3, rounds / 3), flush, r);
    boardEvening(app, desktop.clock, rounds, flush, r);
    reportEvening(app, std::max(3, rounds / 3), flush, r);
    kitchenEvening(app, desktop.clock, rounds, flush, r);
}

struct Config {
    std::string label;
    bool qt, literal;
};

// Runs one configuration in a child process; its medians come back through a pipe.
std::map<std::string, double> runChild(const std::string& path, const Config& c, int rounds,
                                       std::vector<std::string>& order) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::fflush(stdout);  // else the child prints the header again
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::freopen("/dev/null", "w", stderr);  // the offscreen platform's notes
        Results r;
        if (c.qt)
            runQt(path, c.literal, rounds, r);
        else
            runScripted(path, c.literal, rounds, r);
        std::string out;
        for (const auto& action : r.order)
            out += action + "\t" + std::to_string(median(r.times[action])) + "\n";
        out += "memory (MB, peak)\t" + std::to_string(memoryMb()) + "\n";
        if (write(fds[1], out.data(), out.size()) < 0) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    std::map<std::string, double> medians;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        const size_t tab = line.find('\t');
        const std::string action = line.substr(0, tab);
        if (std::find(order.begin(), order.end(), action) == order.end()) order.push_back(action);
        medians[action] = std::stod(line.substr(tab + 1));
        at = end + 1;
    }
    return medians;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes = {10'000, 200'000, 1'000'000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    }
    const std::vector<Config> configs = {
        {"scripted", false, false}, {"Qt", true, false}, {"Qt, walking", true, true}};
    std::map<int, std::map<std::string, double>> qtBySize;
    std::vector<std::string> order;
    for (int size : sizes) {
        const std::string path = historyFile(size);
        std::printf("\n%d orders, about %d lines (median ms)\n", size, size * 5);
        std::printf("%-40s %10s %10s %12s %8s\n", "action", "scripted", "Qt", "Qt, walking",
                    "ratio");
        std::map<std::string, std::map<std::string, double>> cells;
        // HISTORY_BENCH_ONLY=scripted (or Qt) runs that configuration alone, for profiling.
        const char* only = std::getenv("HISTORY_BENCH_ONLY");
        for (const Config& c : configs) {
            if (only && c.label != only) continue;
            // Walking a million orders for every find takes the better part of an hour.
            if (c.literal && size > 200'000 && !std::getenv("HISTORY_BENCH_WALK_ALL")) continue;
            // Walking the whole history is slow: fewer rounds, each still a whole evening step.
            const int rounds = c.literal ? (size >= 100'000 ? 3 : 5) : 15;
            const std::string copy = path + ".run";
            // A run killed midway leaves its log beside the copy: it is not this copy's.
            for (const char* stale : {"-wal", "-shm"}) std::filesystem::remove(copy + stale);
            std::filesystem::copy_file(path, copy,
                                       std::filesystem::copy_options::overwrite_existing);
            if (!std::getenv("HISTORY_BENCH_PLAIN")) adjustedHistory(copy);
            cells[c.label] = runChild(copy, c, rounds, order);
            std::filesystem::remove(copy);
        }
        for (const std::string& action : order) {
            const double fast = cells["Qt"][action], slow = cells["Qt, walking"][action];
            std::printf("%-40s %10.2f %10.2f %12.2f %7.1fx\n", action.c_str(),
                        cells["scripted"][action], fast, slow, fast > 0 ? slow / fast : 0.0);
        }
        qtBySize[size] = cells["Qt"];
    }
    if (sizes.size() > 1) {
        std::printf("\ngrowth on the Qt widgets, %d -> %d orders\n", sizes.front(), sizes.back());
        for (const std::string& action : order) {
            const double a = qtBySize[sizes.front()][action], b = qtBySize[sizes.back()][action];
            std::printf("%-40s %10.2f -> %10.2f  (%.2fx)\n", action.c_str(), a, b,
                        a > 0 ? b / a : 0.0);
        }
    }
    return 0;
}
