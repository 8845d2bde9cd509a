#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "data/data_context.h"
#include "util/date_time.h"

namespace tablora::data {
namespace {

struct MenuEntry {
    std::string name, category;
    int price = 0;
};

std::vector<std::string> column(sqlite3* db, const char* sql) {
    std::vector<std::string> out;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK)
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* t = sqlite3_column_text(stmt, 0);
            out.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
        }
    sqlite3_finalize(stmt);
    return out;
}

void bindText(sqlite3_stmt* stmt, int index, const std::string& text) {
    sqlite3_bind_text(stmt, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

}  // namespace

std::string addHistory(const std::string& path, int orders, const util::CalendarTime& end,
                       unsigned seed) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return "无法打开数据库：" + path;
    }
    const std::vector<std::string> tables = column(db, "SELECT 餐台 FROM 餐台 ORDER BY rowid");
    const std::vector<std::string> users = column(db, "SELECT 用户 FROM 用户 ORDER BY rowid");
    std::vector<MenuEntry> menu;
    {
        const auto dishes = column(db, "SELECT 菜品 || char(9) || 分类 FROM 菜品 ORDER BY rowid");
        for (const std::string& d : dishes) {
            const auto tab = d.find('\t');
            const std::string entry = d.substr(0, tab);
            const auto slash = entry.find('/');
            MenuEntry m;
            m.name = entry.substr(0, slash);
            m.category = d.substr(tab + 1);
            if (slash != std::string::npos) m.price = std::atoi(entry.c_str() + slash + 1);
            menu.push_back(m);
        }
    }
    if (tables.empty() || users.empty() || menu.empty()) {
        sqlite3_close(db);
        return "数据库缺少餐台、用户或菜品";
    }

    // Five years of trade up to `end`: each day's openings at distinct seconds between 10:00
    // and 22:00, in time order, so order numbers rise with the rowid as they do in a real file.
    std::mt19937 random(seed);
    const double last = std::floor(util::fromCalendar(end));
    const int days = 5 * 365 + 1;
    std::vector<int> perDay(static_cast<size_t>(days), orders / days);
    for (int i = 0; i < orders % days; ++i) ++perDay[random() % perDay.size()];

    sqlite3_stmt* journal = nullptr;
    sqlite3_stmt* lines = nullptr;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO 流水 (单号, 时间, 台号, 人数, 金额, 状态, 操作, 备注) "
                       "VALUES (?, ?, ?, ?, ?, 1, ?, '')",
                       -1, &journal, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO 明细 (单号, 菜品, 单价, 数量, 金额, 分类) "
                       "VALUES (?, ?, ?, ?, ?, ?)",
                       -1, &lines, nullptr);
    bool ok = journal && lines;
    std::vector<int> dishes(menu.size());
    for (size_t i = 0; i < dishes.size(); ++i) dishes[i] = static_cast<int>(i);
    for (int d = 0; ok && d < days; ++d) {
        const double day = last - days + 1 + d;
        // Distinct seconds between 10:00 and 22:00, in time order.
        std::set<int> seconds;
        while (static_cast<int>(seconds.size()) < perDay[static_cast<size_t>(d)])
            seconds.insert(10 * 3600 + static_cast<int>(random() % (12 * 3600)));
        for (int s : seconds) {
            const util::DateTime when = day + s / 86400.0;
            const auto fields = util::toCalendar(when);
            const std::string number =
                util::FormatDateTime(when, util::Compact, util::DateAndTime, util::TwentyFourHour);
            // One to nine different dishes, five on average.
            const int count = 1 + static_cast<int>(random() % 9);
            std::shuffle(dishes.begin(), dishes.end(), random);
            long long total = 0;
            for (int k = 0; ok && k < count; ++k) {
                const MenuEntry& m = menu[static_cast<size_t>(dishes[static_cast<size_t>(k)])];
                const int quantity = 1 + static_cast<int>(random() % 3);
                total += static_cast<long long>(m.price) * quantity;
                bindText(lines, 1, number);
                bindText(lines, 2, m.name);
                sqlite3_bind_int(lines, 3, m.price);
                sqlite3_bind_int(lines, 4, quantity);
                sqlite3_bind_int(lines, 5, m.price * quantity);
                bindText(lines, 6, m.category);
                ok = sqlite3_step(lines) == SQLITE_DONE;
                sqlite3_reset(lines);
            }
            bindText(journal, 1, number);
            bindText(journal, 2, fields ? util::dateText(*fields) : std::string());
            bindText(journal, 3, tables[random() % tables.size()]);
            sqlite3_bind_int(journal, 4, 1 + static_cast<int>(random() % 12));
            sqlite3_bind_int64(journal, 5, total);
            bindText(journal, 6, users[random() % users.size()]);
            ok = ok && sqlite3_step(journal) == SQLITE_DONE;
            sqlite3_reset(journal);
        }
    }
    const std::string error = ok ? "" : sqlite3_errmsg(db);
    sqlite3_finalize(journal);
    sqlite3_finalize(lines);
    sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok ? "" : "写入历史失败：" + error;
}

}  // namespace tablora::data
