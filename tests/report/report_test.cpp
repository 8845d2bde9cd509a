// The report's figures against a plain walk of every journal record and line, on generated
// years of trade with some payments kept and some orders deleted.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "core/journal_days.h"
#include "report/day_report.h"
#include "support/temp_db.h"

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

    for (const auto& [first, last] : std::vector<std::pair<util::CalendarTime, util::CalendarTime>>{
             {{2026, 12, 7, 0, 0, 0}, {2026, 12, 7, 0, 0, 0}},
             {{2026, 11, 1, 0, 0, 0}, {2026, 11, 30, 0, 0, 0}},
             {{2025, 1, 1, 0, 0, 0}, {2025, 12, 31, 0, 0, 0}},
             {{2020, 1, 1, 0, 0, 0}, {2026, 12, 31, 0, 0, 0}}}) {
        report::Report r;
        ASSERT_TRUE(report::buildReport(data, first, last, r));
        const Walked w = walk(data, first, last);
        const std::string span = std::to_string(core::dayNumber(first));
        EXPECT_GT(r.orders, 0) << span;
        EXPECT_EQ(r.orders, w.r.orders) << span;
        EXPECT_EQ(r.guests, w.r.guests) << span;
        EXPECT_EQ(r.turnover, w.r.turnover) << span;
        EXPECT_EQ(r.settled, w.r.settled) << span;
        ASSERT_EQ(r.dishes.size(), w.dishes.size()) << span;
        for (const auto& d : r.dishes) {
            EXPECT_EQ(d.quantity, w.dishes.at(d.name).first) << d.name;
            EXPECT_EQ(d.amount, w.dishes.at(d.name).second) << d.name;
        }
        for (size_t i = 1; i < r.dishes.size(); ++i)
            EXPECT_GE(r.dishes[i - 1].amount, r.dishes[i].amount);
        ASSERT_EQ(r.categories.size(), w.categories.size());
        for (const auto& c : r.categories) EXPECT_EQ(c.amount, w.categories.at(c.name).second);
        std::map<std::string, long long> methodsFound;
        for (const auto& m : r.methods) methodsFound[m.name] = m.amount;
        for (const auto& m : w.r.methods) EXPECT_EQ(methodsFound[m.name], m.amount) << m.name;
        long long hours = 0;
        for (const auto& h : r.hours) hours += h.orders;
        EXPECT_EQ(hours, r.orders);
    }
}
