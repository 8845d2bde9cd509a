#include "reports/audit_window.h"

#include "core/app_context.h"
#include "core/journal_days.h"
#include "data/reports.h"
#include "data/sqlite_table.h"
#include "reports/day_report.h"
#include "rights/trace.h"

namespace tablora::report {

AuditWindow::AuditWindow(core::AppContext& app, util::CalendarTime first, util::CalendarTime last)
    : Window(app.desktop(), "AuditWindow", "操作记录", 1020, 494),
      m_app(app),
      m_first(first),
      m_last(last) {
    setOwnHeader(true);
    const std::string from = isoDay(first), to = isoDay(last);
    标签_期间.setText("操作记录：" + from + (from == to ? "" : " 至 " + to));
    for (const char* action : {"全部", "退菜", "删菜", "删单"}) 组合框_动作.addItem(action);
    组合框_动作.select(0);
    组合框_动作.onSelectionChanged = [this] { refresh(); };
    按钮_关闭.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
}

bool AuditWindow::refresh() {
    const std::string shown = 组合框_动作.text();
    auto& database = m_app.data().database;
    std::vector<data::TraceEntry> entries;
    bool read = data::readTraceSpan(
        database, rights::traceTime({m_first.year, m_first.month, m_first.day, 0, 0, 0}),
        rights::traceTime({m_last.year, m_last.month, m_last.day, 23, 59, 59}), entries);
    ui::ReportRows rows = 超级列表框_操作记录.newRows();
    for (const auto& e : entries)
        if (shown == "全部" || shown == e.action)
            rows.addRow({e.time, e.table, e.number, e.action, e.dish, std::to_string(e.quantity),
                         std::to_string(e.amount), e.reason, e.operatorName, e.approver});
    // Deleted orders are kept in their own trace, timed as the day close reads them.
    data::SqliteTable deleted;
    if (read && (shown == "全部" || shown == "删单") && deleted.open("删除记录", database)) {
        const int from = core::dayNumber(m_first), to = core::dayNumber(m_last);
        for (bool more = deleted.moveFirst(); more; more = deleted.skip()) {
            const auto when = util::readDateText(deleted.readText("删除时间"));
            if (!when || core::dayNumber(*when) < from || core::dayNumber(*when) > to) continue;
            rows.addRow({rights::traceTime(*when), deleted.readText("台号"),
                         deleted.readText("单号"), "删单", deleted.readText("明细"), "",
                         deleted.readText("金额"), "", deleted.readText("操作员"), ""});
        }
        read = !deleted.readFailed();
    }
    if (!read) {
        m_app.tellReadFailed();
        return false;
    }
    超级列表框_操作记录.setRows(std::move(rows));
    return true;
}

}  // namespace tablora::report
