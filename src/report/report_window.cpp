#include "report/report_window.h"

#include "backup/backup_service.h"
#include "core/app_context.h"
#include "core/journal_days.h"
#include "util/text.h"

namespace tablora::report {
namespace {

constexpr auto kWarn = ui::Icon::Exclamation;
// The summary's rows, and the 日结 fields that keep them, in the same order.
constexpr const char* kSummary[] = {"单数",     "人数",     "营业额",   "已结金额",
                                    "未结金额", "人均消费", "删除单数", "删除金额"};

std::vector<long long> summaryOf(const Report& r) {
    return {r.orders,    r.guests,   r.turnover,      r.settled,
            r.unsettled, r.perGuest, r.deletedOrders, r.deletedAmount};
}

}  // namespace

ReportWindow::ReportWindow(core::AppContext& app)
    : Window(app.desktop(), "ReportWindow", "营业报表", 1024, 630), m_app(app) {
    按钮_查询.onClick = [this] { query(); };
    按钮_日结.onClick = [this] { closeDay(); };
    onCloseRequested = [this] { destroy(); };
}

void ReportWindow::created() {
    m_app.placeWorkWindow(*this);
    const util::CalendarTime today = m_app.desktop().now();
    日期框_开始.setDate({today.year, today.month, today.day, 0, 0, 0});
    日期框_结束.setDate({today.year, today.month, today.day, 0, 0, 0});
    applyPermission(m_app.session().permissions);
    if (m_app.session().permissions.查询 != 0) query();
}

void ReportWindow::applyPermission(const core::PermissionSet& permissions) {
    for (ui::Control* c : std::initializer_list<ui::Control*>{
             &日期框_开始, &日期框_结束, &按钮_查询, &编辑框_现金清点, &按钮_日结})
        c->setEnabled(permissions.查询 != 0);
}

bool ReportWindow::oneDay() const {
    return core::dayNumber(日期框_开始.date()) == core::dayNumber(日期框_结束.date());
}

bool ReportWindow::findClose(data::SqliteTable& closes) {
    if (!oneDay() || !closes.open("日结", m_app.data().database)) return false;
    const auto found = closes.findAll("日期", isoDay(日期框_开始.date()));
    return !found.empty() && closes.moveTo(found.front());
}

void ReportWindow::showSummary(const std::vector<long long>& figures) {
    ui::ReportRows rows = 超级列表框_汇总.newRows();
    for (size_t i = 0; i < figures.size(); ++i)
        rows.addRow({kSummary[i], std::to_string(figures[i])});
    超级列表框_汇总.setRows(std::move(rows));
}

void ReportWindow::query() {
    Report r;
    if (!buildReport(m_app.data(), 日期框_开始.date(), 日期框_结束.date(), r)) {
        m_app.tellReadFailed();
        return;
    }
    // A closed day shows the figures it was closed with.
    data::SqliteTable closes;
    const bool closed = findClose(closes);
    std::vector<long long> figures = summaryOf(r);
    if (closed)
        for (size_t i = 0; i < figures.size(); ++i) figures[i] = closes.readInt(kSummary[i]);
    showSummary(figures);
    标签_日结.setText(closed ? "已日结" : "");

    const auto fill = [](ui::ReportList& list, const std::vector<Report::Count>& counts) {
        ui::ReportRows rows = list.newRows();
        for (const auto& c : counts)
            rows.addRow({c.name, std::to_string(c.orders), std::to_string(c.amount)});
        list.setRows(std::move(rows));
    };
    fill(超级列表框_付款方式, r.methods);
    fill(超级列表框_时段, r.hours);
    ui::ReportRows dishes = 超级列表框_菜品排行.newRows();
    for (const auto& d : r.dishes)
        dishes.addRow({d.name, d.category, std::to_string(d.quantity), std::to_string(d.amount)});
    超级列表框_菜品排行.setRows(std::move(dishes));
    ui::ReportRows categories = 超级列表框_分类.newRows();
    for (const auto& c : r.categories)
        categories.addRow({c.name, std::to_string(c.quantity), std::to_string(c.amount)});
    超级列表框_分类.setRows(std::move(categories));
}

void ReportWindow::closeDay() {
    if (!oneDay()) {
        m_app.message("日结只能选择一天，请检查日期！", kWarn);
        return;
    }
    data::SqliteTable closes;
    if (findClose(closes)) {
        m_app.message("该日已日结！", kWarn);
        return;
    }
    Report r;
    if (!buildReport(m_app.data(), 日期框_开始.date(), 日期框_结束.date(), r)) {
        m_app.tellReadFailed();
        return;
    }
    if (r.unpaid > 0) {
        m_app.message("当日还有未结账的台号，请先结账！", kWarn);
        return;
    }
    const std::string counted = 编辑框_现金清点.text();
    if (counted.empty() || !util::wholeNumberIfItFits(counted)) {
        m_app.message("请正确输入金额！", kWarn);
        return;
    }
    const long long cash = util::wholeNumber(counted);
    const std::vector<long long> figures = summaryOf(r);
    bool written = closes.open("日结", m_app.data().database) && closes.addNew() &&
                   closes.write("日期", isoDay(日期框_开始.date()));
    for (size_t i = 0; written && i < figures.size(); ++i)
        written = closes.write(kSummary[i], static_cast<std::int64_t>(figures[i]));
    written = written && closes.write("应有现金", static_cast<std::int64_t>(r.cashExpected)) &&
              closes.write("清点现金", static_cast<std::int64_t>(cash)) &&
              closes.write("差额", static_cast<std::int64_t>(cash - r.cashExpected)) &&
              closes.write("操作员", m_app.session().currentUser) &&
              closes.write("日结时间", util::dateText(m_app.desktop().now())) && closes.update();
    closes.close();
    if (!written) {
        m_app.message("日结失败，请检查！", kWarn);
        return;
    }
    m_app.message("日结成功！", ui::Icon::Information);
    编辑框_现金清点.setText("");
    query();
    // The closed day is copied at once.
    m_app.backups().copyNow();
}

}  // namespace tablora::report
