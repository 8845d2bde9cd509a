#include "rights/trace.h"

#include <cstdio>

#include "data/data_context.h"
#include "data/sqlite_db.h"
#include "data/sqlite_table.h"

namespace tablora::rights {

std::string traceTime(const util::CalendarTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

bool writeTrace(data::DataContext& data, const TraceRow& row) {
    const data::CursorUse table(data, data.traceCursor);
    return table->isOpen() && table->addNew() && table->write("时间", row.time) &&
           table->write("单号", row.number) && table->write("台号", row.table) &&
           table->write("动作", row.action) && table->write("菜品", row.dish) &&
           table->write("数量", static_cast<std::int64_t>(row.quantity)) &&
           table->write("金额", static_cast<std::int64_t>(row.amount)) &&
           table->write("原因", row.reason) && table->write("操作员", row.operatorName) &&
           table->write("授权人", row.approver) &&
           table->write("已送厨", static_cast<std::int64_t>(row.sent)) && table->update();
}

std::vector<std::string> voidsOf(data::DataContext& data, const std::string& number) {
    std::vector<std::string> voids;
    const data::CursorUse table(data, data.traceCursor);
    for (int n : table->findAll("单号", number))
        if (table->moveTo(n) && table->readText("动作") == "退菜")
            voids.push_back(table->readText("菜品") + "×" + table->readText("数量") + "（" +
                            table->readText("原因") + "）");
    return voids;
}

std::vector<std::string> reasonsFor(data::SqliteDB& database, const std::string& kind) {
    std::vector<std::string> reasons;
    data::SqliteTable table;
    if (!table.open("原因", database)) return reasons;
    for (int n : table.findAll("类型", kind))
        if (table.moveTo(n)) reasons.push_back(table.readText("原因"));
    return reasons;
}

std::string plainText(const std::string& typed) {
    std::string plain;
    for (const char c : typed) plain += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    const size_t first = plain.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return plain.substr(first, plain.find_last_not_of(' ') - first + 1);
}

}  // namespace tablora::rights
