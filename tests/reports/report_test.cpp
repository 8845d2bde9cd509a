// The report's figures against a plain walk of every journal record and line, on generated
// years of trade with some payments kept and some orders deleted.
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

#include <map>
#include <random>

#include <cstdio>
#include <fstream>
#include "core/journal_days.h"
#include "reports/day_report.h"
#include "reports/report_window.h"
#include "support/app_fixture.h"
#include "support/temp_db.h"
#include "util/gbk.h"

using namespace tablora;

namespace {

struct Walked {
    report::Report r;
    std::map<std::string, std::pair<long long, long long>> dishes, categories;
};

// Every record read, its day tested on its own: what the index ranges must agree with.
Walked walk(data::DataContext& data, const util::CalendarTime& first,
            const util::CalendarTime& last) {
    Walked w;
    std::map<std::string, bool> inRange;
    std::map<std::string, std::string> methodOf;
    data::SqliteTable payments;
    if (payments.open("结账", data.database))
        for (bool m = payments.moveFirst(); m; m = payments.skip())
            methodOf.emplace(payments.readText("单号"), payments.readText("付款方式"));
    std::map<std::string, long long> methods;
    auto& journal = data.openOnDemand(data.journalCursor);
    for (bool m = journal.moveFirst(); m; m = journal.skip()) {
        const auto t = util::readDateText(journal.readText("时间"));
        if (!t || core::dayNumber(*t) < core::dayNumber(first) ||
            core::dayNumber(*t) > core::dayNumber(last))
            continue;
        inRange[journal.readText("单号")] = true;
        ++w.r.orders;
        w.r.guests += journal.readInt("人数");
        w.r.turnover += journal.readInt("金额");
        if (journal.readInt("状态") != 0) {
            w.r.settled += journal.readInt("金额");
            const auto it = methodOf.find(journal.readText("单号"));
            methods[it == methodOf.end() ? "现金" : it->second] += journal.readInt("金额");
        }
    }
    journal.close();
    for (const auto& [name, amount] : methods) w.r.methods.push_back({name, 0, amount});
    auto& lines = data.openOnDemand(data.detailCursor);
    for (bool m = lines.moveFirst(); m; m = lines.skip()) {
        if (!inRange.count(lines.readText("单号"))) continue;
        auto& d = w.dishes[lines.readText("菜品")];
        d.first += lines.readInt("数量");
        d.second += lines.readInt("金额");
        auto& c = w.categories[lines.readText("分类")];
        c.first += lines.readInt("数量");
        c.second += lines.readInt("金额");
    }
    lines.close();
    return w;
}

}  // namespace

TEST(Report, TheFiguresAreThoseOfAWalkOverRandomJournals) {
    test::TempDir dir;
    const std::string path = test::makeDemoDatabase(dir);
    ASSERT_TRUE(data::addHistory(path, 6000, {2026, 12, 8, 0, 0, 0}, 5).empty());
    data::DataContext data(path);
    ASSERT_EQ(data.openForLogin(), data::DataContext::LoginOpen::Ok);
    // Payments for a random third of the orders; the others were settled before they were kept.
    std::mt19937 random(3);
    const char* methods[] = {"现金", "微信", "支付宝", "银行卡", "挂账"};
    std::string sql = "BEGIN;";
    for (int i = 1; i <= 6000; i += 1 + static_cast<int>(random() % 5))
        sql += "INSERT INTO 结账 SELECT 单号, '" + std::string(methods[random() % 5]) +
               "', 金额, 0, '经理', 时间 FROM 流水 WHERE rowid = " + std::to_string(i) + ";";
    ASSERT_TRUE(test::execSql(path, sql + "COMMIT;"));
    // Orders whose numbers lie among another day's (numbers are opening seconds, moved on when
    // taken): a day's orders then do not fill their span of numbers, and are looked up one by one.
    sql = "BEGIN;";
    for (int i = 0; i < 800; ++i) {
        const std::string number = "20261207" + std::to_string(120000 + i * 97);
        sql += "INSERT INTO 流水 VALUES ('" + number + "','2020年1月1日12时','大厅1号',2," +
               std::to_string(10 + i % 50) +
               ",1,'经理','');"
               "INSERT INTO 明细 VALUES ('" +
               number + "','宫保鸡丁',28,1," + std::to_string(10 + i % 50) + ",'热菜');";
    }
    ASSERT_TRUE(test::execSql(path, sql + "COMMIT;"));

    // Worked out, then read as kept, then after another program changed past days, again.
    const util::CalendarTime today{2026, 12, 7, 15, 0, 0};
    const auto compare = [&](const std::string& when) {
        for (const auto& [first, last] :
             std::vector<std::pair<util::CalendarTime, util::CalendarTime>>{
                 // The year first: it reads the days another program changed.
                 {{2025, 1, 1, 0, 0, 0}, {2025, 12, 31, 0, 0, 0}},
                 {{2026, 12, 7, 0, 0, 0}, {2026, 12, 7, 0, 0, 0}},
                 {{2020, 1, 1, 0, 0, 0}, {2020, 1, 1, 0, 0, 0}},
                 {{2026, 11, 1, 0, 0, 0}, {2026, 11, 30, 0, 0, 0}},
                 {{2020, 1, 1, 0, 0, 0}, {2026, 12, 31, 0, 0, 0}}}) {
            report::Report r;
            ASSERT_TRUE(report::buildReport(data, first, last, today, r));
            const Walked w = walk(data, first, last);
            const std::string span = when + " " + std::to_string(core::dayNumber(first));
            EXPECT_GT(r.orders, 0) << span;
            EXPECT_EQ(r.orders, w.r.orders) << span;
            EXPECT_EQ(r.guests, w.r.guests) << span;
            EXPECT_EQ(r.turnover, w.r.turnover) << span;
            EXPECT_EQ(r.settled, w.r.settled) << span;
            ASSERT_EQ(r.dishes.size(), w.dishes.size()) << span;
            for (const auto& d : r.dishes) {
                EXPECT_EQ(d.quantity, w.dishes.at(d.name).first) << span << d.name;
                EXPECT_EQ(d.amount, w.dishes.at(d.name).second) << span << d.name;
            }
            for (size_t i = 1; i < r.dishes.size(); ++i)
                EXPECT_GE(r.dishes[i - 1].amount, r.dishes[i].amount);
            ASSERT_EQ(r.categories.size(), w.categories.size()) << span;
            for (const auto& c : r.categories)
                EXPECT_EQ(c.amount, w.categories.at(c.name).second) << span << c.name;
            std::map<std::string, long long> methodsFound;
            for (const auto& m : r.methods) methodsFound[m.name] = m.amount;
            for (const auto& m : w.r.methods)
                EXPECT_EQ(methodsFound[m.name], m.amount) << span << m.name;
            long long hours = 0, days = 0;
            for (const auto& h : r.hours) hours += h.orders;
            for (const auto& d : r.days) days += d.orders;
            EXPECT_EQ(hours, r.orders) << span;
            EXPECT_EQ(days, r.orders) << span;
        }
    };
    compare("worked out");
    // Every past day of the spans asked, today's not: 2020-01-01 to 2026-12-06.
    EXPECT_EQ(test::querySql(path, "SELECT count(*) FROM 报表缓存"), "2532");
    compare("kept");
    ASSERT_TRUE(test::execSql(
        path,
        "INSERT INTO 明细 SELECT 单号, '新菜', 10, 3, 30, '新分类' FROM 流水 "
        "WHERE 时间 LIKE '2025年6月%' LIMIT 1;"
        "UPDATE 明细 SET 分类 = '改过的分类' WHERE rowid IN (SELECT d.rowid FROM 明细 d JOIN 流水 "
        "j "
        "ON d.单号 = j.单号 WHERE j.时间 LIKE '2025年3月%' LIMIT 2);"
        "UPDATE 流水 SET 时间 = '2026年11月15日12时' WHERE rowid = (SELECT rowid FROM 流水 "
        "WHERE 时间 LIKE '2025年8月%' LIMIT 1);"
        "DELETE FROM 明细 WHERE 单号 = (SELECT 单号 FROM 流水 WHERE 时间 LIKE '2026年11月2日%' "
        "LIMIT 1);"
        "DELETE FROM 流水 WHERE rowid = (SELECT rowid FROM 流水 WHERE 时间 LIKE '2026年11月2日%' "
        "LIMIT 1);"
        "UPDATE 结账 SET 付款方式 = '微信' WHERE rowid IN (SELECT k.rowid FROM 结账 k JOIN 流水 j "
        "ON k.单号 = j.单号 WHERE j.时间 LIKE '2025年%' AND k.付款方式 <> '微信' LIMIT 3);"
        "UPDATE 流水 SET 状态 = 0 WHERE rowid = (SELECT rowid FROM 流水 WHERE 时间 LIKE "
        "'2025年12月%' AND 状态 = 1 LIMIT 1);"));
    compare("changed by another program");
    compare("kept again");
}

TEST(Report, FiguresKeptWithoutTheTriggersInPlaceAreForgotten) {
    test::TempDir dir;
    const std::string path = test::makeDemoDatabase(dir);
    ASSERT_TRUE(data::addHistory(path, 300, {2026, 12, 8, 0, 0, 0}, 1).empty());
    const util::CalendarTime first{2026, 1, 1, 0, 0, 0}, last{2026, 12, 31, 0, 0, 0},
        today{2026, 12, 9, 0, 0, 0};
    report::Report before;
    {
        data::DataContext data(path);
        ASSERT_EQ(data.openForLogin(), data::DataContext::LoginOpen::Ok);
        ASSERT_TRUE(report::buildReport(data, first, last, today, before));
    }
    // A program that dropped a trigger, then changed a past day while it was gone.
    ASSERT_TRUE(
        test::execSql(path,
                      "DROP TRIGGER 报表变动_明细_增;"
                      "INSERT INTO 明细 SELECT 单号, '新菜', 10, 1, 9999999, '热菜' FROM 流水 "
                      "WHERE 时间 LIKE '2026年%' LIMIT 1;"));
    data::DataContext data(path);
    ASSERT_EQ(data.openForLogin(), data::DataContext::LoginOpen::Ok);
    report::Report after;
    ASSERT_TRUE(report::buildReport(data, first, last, today, after));
    EXPECT_EQ(after.dishes.front().name, "新菜");
    EXPECT_EQ(after.dishes.front().amount, 9999999);
}

namespace {

std::string unzipped(const std::string& archive, const std::string& member) {
    std::string out;
    if (FILE* p =
            ::popen(("unzip -p '" + archive + "' '" + member + "' 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

class ReportWindowTest : public test::AppTest {
  protected:
    report::ReportWindow& open() {
        main().工具条1.clickItem(shell::MainWindow::kReport);
        return *static_cast<report::ReportWindow*>(app->window("ReportWindow"));
    }
};

}  // namespace

TEST_F(ReportWindowTest, TheReportIsSavedAsARealWorkbookAndTheCloseIsPrinted) {
    const std::string bills = dir.path("bills.bin");
    exec("INSERT INTO 打印机 VALUES ('前台','file:" + bills + "',58,'账单','')");
    exec(
        "INSERT INTO 流水 VALUES ('20250307120000','2025年3月7日12时','大厅1号',2,46,1,'经理','');"
        "INSERT INTO 明细 VALUES ('20250307120000','宫保鸡丁',28,1,28,'热菜');"
        "INSERT INTO 明细 VALUES ('20250307120000','酸辣汤',18,1,18,'汤羹');");
    start();
    auto& w = open();
    EXPECT_EQ(w.caption(), "营业报表");
    EXPECT_EQ(w.图表_分类.points(), (std::vector<ui::ChartPoint>{{"热菜", 28}, {"汤羹", 18}}));
    EXPECT_EQ(w.图表_时段.points(),
              (std::vector<ui::ChartPoint>{{"12时", 46}}));  // money, not orders
    EXPECT_EQ(w.图表_营业额.points(), (std::vector<ui::ChartPoint>{{"03-07", 46}}));

    desktop.saves.push_back(dir.path("报表"));
    w.按钮_导出.click();
    EXPECT_EQ(lastMessage().text, "保存成功！");
    const std::string book = dir.path("报表.xlsx");
    const std::string strings = unzipped(book, "xl/sharedStrings.xml");
    for (const char* text : {"项目", "营业额", "宫保鸡丁", "酸辣汤", "热菜", "现金", "12时"})
        EXPECT_NE(strings.find(text), std::string::npos) << text;
    // Numbers are numbers: the turnover is a value cell, not a string.
    const std::string summary = unzipped(book, "xl/worksheets/sheet1.xml");
    EXPECT_NE(summary.find("<v>46</v>"), std::string::npos);
    EXPECT_NE(unzipped(book, "xl/workbook.xml").find("菜品排行"), std::string::npos);

    w.编辑框_现金清点.type("46");
    w.按钮_日结.click();
    EXPECT_EQ(lastMessage().text, "日结成功！");
    app->printQueue().finishAll();
    std::ifstream in(bills, std::ios::binary);
    const std::string printed{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(printed.find(util::toGbk("日结单")), std::string::npos);
    EXPECT_NE(printed.find(util::toGbk("应有现金")), std::string::npos);
    // No bill printer: the report cannot be printed, and says so.
    exec("DELETE FROM 打印机");
    w.按钮_打印.click();
    EXPECT_EQ(lastMessage().text, "没有设置账单打印机！");
}

TEST_F(ReportWindowTest, ThePastDaysAreKeptAfterTheDaysFirstLoginAndTheReportReadsThem) {
    ASSERT_TRUE(data::addHistory(db, 2000, {2025, 3, 7, 0, 0, 0}, 1).empty());
    queueLogin("经理", "888888");
    app = std::make_unique<shell::App>(desktop, db);
    app->setReportKeepingFrom(2000);  // a journal this size is kept
    app->start();
    app->finishKeepingReportDays();
    // Every day from the first order's to yesterday, 2025-03-06; today's not.
    EXPECT_EQ(sql("SELECT max(日期) FROM 报表缓存"), "20250306");
    EXPECT_EQ(sql("SELECT count(*) FROM 报表缓存 WHERE 日期 >= 20250307"), "0");
    EXPECT_GT(std::stoi(sql("SELECT count(*) FROM 报表缓存")), 300);
    // A day changed by another program afterwards is read as it now is.
    exec(
        "UPDATE 流水 SET 金额 = 金额 + 1000 WHERE rowid = (SELECT min(rowid) FROM 流水 WHERE "
        "时间 LIKE '2025年3月6日%')");
    auto& w = open();
    w.日期框_开始.setDate({2025, 3, 6, 0, 0, 0});
    w.日期框_结束.setDate({2025, 3, 6, 0, 0, 0});
    w.按钮_查询.click();
    const long long turnover =
        std::stoll(sql("SELECT sum(金额) FROM 流水 WHERE 时间 LIKE '2025年3月6日%'"));
    EXPECT_EQ(w.超级列表框_汇总.cell(2, 1), std::to_string(turnover));
    // Two days on, the next login keeps the two days since at once, on the window's connection.
    desktop.clock = {2025, 3, 9, 9, 0, 0};
    switchUser("经理", "888888");
    EXPECT_EQ(sql("SELECT max(日期) FROM 报表缓存"), "20250308");
    EXPECT_EQ(sql("SELECT count(*) FROM 报表缓存 WHERE 日期 >= 20250307"), "2");
}

TEST_F(ReportWindowTest, WithoutTheRightsTheControlsAreDisabled) {
    addUser("服务员", "1", "1000000000");
    start("服务员", "1");
    auto& w = open();
    EXPECT_FALSE(w.按钮_查询.enabled());
    EXPECT_FALSE(w.按钮_日结.enabled());
    EXPECT_FALSE(w.按钮_导出.enabled());
    addUser("会计", "1", "0010100000");  // 查询 and 流水导出
    switchUser("会计", "1");
    EXPECT_TRUE(w.按钮_查询.enabled());
    EXPECT_TRUE(w.按钮_导出.enabled());
}

// The keeper's first run writes month after month on its own connection while a waiter and a
// cashier work: no press may go uncounted or fail, on a quiet machine and on a busy one.
TEST_F(ReportWindowTest, TheKeepersFirstRunNeverFailsAPersonsAction) {
    ASSERT_TRUE(data::addHistory(db, 200000, {2025, 3, 7, 0, 0, 0}, 1).empty());
    for (int round = 0; round < 2; ++round) {
        std::atomic<bool> stop{false};
        std::vector<std::thread> busy;
        for (int core = 0; round == 1 && core < 2; ++core)
            busy.emplace_back([&stop] {
                unsigned spin = 0;
                while (!stop.load(std::memory_order_relaxed)) spin = spin * 31 + 7;
                (void)spin;
            });
        exec("DELETE FROM 报表缓存");
        desktop.messages.clear();
        start();  // the keeper starts on its thread
        for (int table = 0; table < 3; ++table) {
            desktop.clock.second = (desktop.clock.second + 1) % 60;
            auto& o = order();
            o.组合框_餐台.choose(table);
            o.组合框_人数.type("2");
            o.按钮_开台.click();
            auto& menu = o.卷帘式菜单_点菜;
            for (int dish = 0; dish < 20; ++dish) {
                menu.clickItem(dish % 5, dish / 5 % menu.itemCount(dish % 5));
                o.超级列表框_点菜.selectRow(0);
                o.按钮_数量加.click();
            }
            EXPECT_EQ(o.标签_菜品总数.text(), "40") << "round " << round << " table " << table;
            checkout().超级列表框_流水.selectRow(0);
            checkout().编辑框_金额.type("5000");
            checkout().按钮_结账.click();
            EXPECT_EQ(lastMessage().text, "结账成功！") << "round " << round;
        }
        for (const auto& m : desktop.messages)
            EXPECT_EQ(m.text.find("失败"), std::string::npos) << m.text;
        app->finishKeepingReportDays();
        app.reset();
        stop = true;
        for (auto& t : busy) t.join();
    }
    EXPECT_EQ(sql("SELECT count(*) FROM 流水 WHERE 状态 = 0"), "0");
}
