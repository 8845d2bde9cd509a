#include "query/query_window.h"

#include "checkout/checkout_window.h"
#include "checkout/reopen_bill.h"
#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "core/dish_notes.h"
#include "core/journal_days.h"
#include "core/shared_lists.h"
#include "ordering/order_window.h"
#include "query/spreadsheet_export.h"
#include "util/date_time.h"
#include "util/text.h"

namespace tablora::query {

using util::numberText;
using util::wholeNumber;

namespace {

constexpr ui::Icon kWarn = ui::Icon::Exclamation;
enum QueryKind { kAll = 0, kByNumber = 1, kByDate = 2 };
enum LineColumn {
    kLineNo,
    kLineNumber,
    kLineDish,
    kLinePrice,
    kLineQuantity,
    kLineAmount,
    kLineCategory
};

}  // namespace

QueryWindow::QueryWindow(core::AppContext& app)
    : Window(app.desktop(), "QueryWindow", "", 1024, 630), m_app(app) {
    按钮_查询全部.onClick = [this] { QueryAllOrders(); };
    按钮_查询单号.onClick = [this] { QueryOrderByNumber(); };
    按钮_查询时间.onClick = [this] { QueryOrdersByDate(); };
    超级列表框_流水.onCurrentRowChanged = [this] { ShowOrderLines(); };
    按钮_删除.onClick = [this] { DeleteSelectedOrder(); };
    按钮_流水导出.onClick = [this] { ExportJournalList(); };
    按钮_单台导出.onClick = [this] { ExportSelectedOrder(); };
    按钮_反结账.onClick = [this] { reopen(); };
}

void QueryWindow::created() {
    m_app.placeWorkWindow(*this);
    applyPermission(m_app.session().permissions);
    util::CalendarTime today = m_app.desktop().now();
    today.hour = today.minute = today.second = 0;
    日期框1.setDate(today);
    日期框2.setDate(today);
}

void QueryWindow::applyPermission(const core::PermissionSet& permissions) {
    const bool query = permissions.查询 != 0;
    按钮_查询时间.setEnabled(query);
    按钮_查询全部.setEnabled(query);
    按钮_查询单号.setEnabled(query);
    按钮_删除.setEnabled(permissions.删除 != 0);
    按钮_流水导出.setEnabled(permissions.流水导出 != 0);
    按钮_单台导出.setEnabled(permissions.单台导出 != 0);
    按钮_反结账.setEnabled(permissions.结账 != 0);
}

QueryWindow::Journal QueryWindow::newJournal() {
    Journal list(超级列表框_流水.newRows());
    list.rows.setReader([this](ui::ReportRows& rows, int first, int count) {
        return readJournalRows(rows, first, count);
    });
    return list;
}

void QueryWindow::addJournalRecord(Journal& list, std::int64_t rowid, int guests, int amount,
                                   int state) {
    list.rows.addKeyedRow(rowid);
    list.totals.guests += guests;
    list.totals.amount += amount;
    (state == 0 ? list.totals.unsettled : list.totals.settled) += amount;
}

void QueryWindow::addJournalRecord(Journal& list) {
    auto& journal = m_app.data().journalCursor;
    addJournalRecord(list, journal.rowid(), journal.readInt("人数"), journal.readInt("金额"),
                     journal.readInt("状态"));
}

void QueryWindow::fillJournalRow(ui::ReportRows& rows, int row, const JournalFields& f) {
    const std::string number = std::to_string(row + 1);
    const std::string guests = numberText(static_cast<long long>(f.guests));
    const std::string amount = numberText(static_cast<long long>(f.amount));
    rows.fillRow(row, {number, f.number, f.opened, f.table, guests, amount,
                       f.state == 0 ? "未结账" : "已结账", f.operatorName, f.remark});
    rows.setCellImage(row, 结账状态, f.state == 0 ? "unsettled" : "settled");
}

bool QueryWindow::readJournalRows(ui::ReportRows& rows, int first, int count) {
    // Kept open between runs, so reading a long list (an export) prepares its statement once;
    // the connection closes it when it closes.
    if (!m_rowReader.isOpen() && !m_rowReader.open("流水", m_app.data().database)) return false;
    // The rows of a run are records close together: one range read serves them, unless the
    // list skips far (one statement a row then).
    std::vector<std::pair<std::int64_t, int>> wanted;  // rowid, row
    for (int row = first; row < first + count; ++row) wanted.emplace_back(rows.key(row), row);
    std::sort(wanted.begin(), wanted.end());
    enum { kNumber, kOpened, kTable, kGuests, kAmount, kState, kOperator, kRemark };
    const std::vector<data::Field> fields = {"单号", "时间", "台号", "人数",
                                             "金额", "状态", "操作", "备注"};
    const auto fill = [&](const data::SqliteTable::RowValues& v) {
        const auto at = std::lower_bound(wanted.begin(), wanted.end(),
                                         std::pair<std::int64_t, int>(v.rowid(), -1));
        for (auto it = at; it != wanted.end() && it->first == v.rowid(); ++it)
            fillJournalRow(
                rows, it->second,
                {v.text(kNumber), v.text(kOpened), v.text(kTable), v.integer(kGuests),
                 v.integer(kAmount), v.integer(kState), v.text(kOperator), v.text(kRemark)});
    };
    bool read = true;
    const std::int64_t from = wanted.front().first, to = wanted.back().first;
    if (static_cast<std::uint64_t>(to - from) <= static_cast<std::uint64_t>(count) * 8) {
        read = m_rowReader.forEachRowBetween(fields, from, to, fill);
    } else {
        for (const auto& [rowid, row] : wanted)
            read = read && m_rowReader.forEachRowBetween(fields, rowid, rowid, fill);
    }
    // A record gone since the query reads as a walk reads it: empty, 0, not settled.
    for (const auto& [rowid, row] : wanted)
        if (read && !rows.isRead(row)) fillJournalRow(rows, row, {});
    return read;
}

void QueryWindow::clearListsAndTotals() {
    超级列表框_流水.clearRows();
    超级列表框_明细.clearRows();
    for (ui::Label* total : {&标签_人数合计, &标签_金额合计, &标签_已结合计, &标签_未结合计})
        total->setText("0");
    标签_优惠.setText("");
    标签_实收.setText("");
}

void QueryWindow::QueryAllOrders() {
    Journal list = newJournal();
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    // Years of trade: each record's rowid and figures from one statement; its texts are read
    // when the list shows its row.
    const bool read =
        journal.forEachRow({"人数", "金额", "状态"}, [&](const data::SqliteTable::RowValues& v) {
            addJournalRecord(list, v.rowid(), v.integer(0), v.integer(1), v.integer(2));
        });
    journal.close();
    finishQuery(kAll, "", std::move(list), read);
}

void QueryWindow::QueryOrderByNumber() {
    if (编辑框_单号.text().empty()) {
        m_app.message("请填写要查询的单号！", kWarn);
        return;
    }
    Journal list = newJournal();
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    // Only the first of several records with one number is shown.
    data::forEachMatch(journal, "单号", 编辑框_单号.text(), [&](data::SqliteTable&) {
        addJournalRecord(list);
        return true;
    });
    const bool read = !journal.readFailed();
    journal.close();
    finishQuery(kByNumber, "没有查询到该单号，请检查是否输入有误！", std::move(list), read);
}

void QueryWindow::QueryOrdersByDate() {
    Journal list = newJournal();
    const int first = core::dayNumber(日期框1.date());
    const int last = core::dayNumber(日期框2.date());
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    bool read = true;
    if (first <= last) {
        const std::vector<int> found = core::ordersOnDays(journal, 日期框1.date(), 日期框2.date());
        read = !journal.readFailed();
        for (int number : found) {
            journal.moveTo(number);
            addJournalRecord(list);
        }
        read = read && !journal.readFailed();
    }
    journal.close();
    finishQuery(kByDate, "该时间段没有记录！", std::move(list), read);
}

void QueryWindow::finishQuery(int kind, const std::string& noneFound, Journal list, bool read) {
    if (!read) {
        m_app.tellReadFailed();
        return;
    }
    clearListsAndTotals();
    // A query that found nothing says so and leaves the kind to repeat as it was.
    if (list.rows.rowCount() == 0 && kind != kAll) {
        m_app.message(noneFound, kWarn);
        return;
    }
    超级列表框_流水.setRows(std::move(list.rows));
    标签_人数合计.setText(numberText(list.totals.guests));
    标签_金额合计.setText(numberText(list.totals.amount));
    标签_已结合计.setText(numberText(list.totals.settled));
    标签_未结合计.setText(numberText(list.totals.unsettled));
    m_app.session().lastQueryKind = kind;
}

void QueryWindow::ShowOrderLines() {
    const int current = 超级列表框_流水.currentRow();
    if (current < 0) return;
    ui::ReportRows rows = 超级列表框_明细.newRows();
    if (!core::readOrderLines(m_app.data(), 超级列表框_流水.cell(current, 系统单号), rows)) {
        m_app.tellReadFailed();
        return;
    }
    超级列表框_明细.setRows(std::move(rows));
    标签_单号.setText(超级列表框_流水.cell(current, 系统单号));
    标签_时间.setText(超级列表框_流水.cell(current, 开台时间));
    标签_台号.setText(超级列表框_流水.cell(current, 台号));
    标签_人数.setText(超级列表框_流水.cell(current, 人数));
    标签_金额.setText(超级列表框_流水.cell(current, 总金额));
    showPaid(超级列表框_流水.cell(current, 系统单号),
             超级列表框_流水.cell(current, 结账状态) == "已结账");
}

void QueryWindow::showPaid(const std::string& number, bool settled) {
    long long taken = 0, paid = 0;
    std::vector<core::Adjustment> adjustments;
    data::SqliteTable payments;
    if (settled && core::readAdjustments(m_app.data(), number, adjustments) &&
        payments.open("结账", m_app.data().database)) {
        for (const auto& a : adjustments)
            if (a.type != "服务费" && a.type != "最低消费") taken += a.amount;
        for (int n : payments.findAll("单号", number))
            if (payments.moveTo(n)) paid += payments.readInt("实收") - payments.readInt("找零");
    }
    const bool shown = settled && !payments.readFailed();
    标签_优惠.setText(shown ? "优惠：" + std::to_string(taken) : "");
    标签_实收.setText(shown ? "实收：" + std::to_string(paid) : "");
}

void QueryWindow::reopen() {
    const int current = 超级列表框_流水.currentRow();
    if (current < 0 || 超级列表框_流水.cell(current, 结账状态) != "已结账") {
        m_app.message("请选择已结账的单据！", kWarn);
        return;
    }
    if (!checkout::reopenBill(m_app, *this, 超级列表框_流水.cell(current, 系统单号))) return;
    repeatQuery();
    if (auto* desk = m_app.checkoutWindow()) desk->RefreshCheckoutWindow();
    if (auto* order = m_app.orderWindow()) order->RefreshOpenTableList(order->标签_当前操作.text());
    m_app.refreshBoard();
}

bool QueryWindow::traceDeletion(data::SqliteTable& journal, const std::string& detail) {
    data::SqliteTable trace;
    return trace.open("删除记录", m_app.data().database) && trace.addNew() &&
           trace.write("单号", journal.readText("单号")) &&
           trace.write("台号", journal.readText("台号")) &&
           trace.write("人数", journal.readInt("人数")) &&
           trace.write("金额", journal.readInt("金额")) &&
           trace.write("状态", journal.readInt("状态")) && trace.write("明细", detail) &&
           trace.write("操作员", m_app.session().currentUser) &&
           trace.write("删除时间", util::dateText(m_app.desktop().now())) && trace.update();
}

void QueryWindow::DeleteSelectedOrder() {
    const int current = 超级列表框_流水.currentRow();
    if (current < 0) {
        m_app.message("请选择要删除的项目！", kWarn);
        return;
    }
    if (m_app.desktop().messageBox("删除当前记录后，该记录下的菜品明细将同步删除。是否继续？",
                                   "信息：", ui::Icon::Question,
                                   ui::Buttons::OkCancel) != ui::Answer::Ok)
        return;
    const std::string number = 超级列表框_流水.cell(current, 系统单号);
    auto& data = m_app.data();
    auto& journal = data.journalCursor;
    auto& lines = data.detailCursor;
    // The order's lines and its journal record go together or not at all: half an order
    // would leave lines that belong to nothing, or a bill without its dishes. The record is
    // the very one listed; a number that reads as empty text is told apart by its bytes.
    data.openOnDemand(journal);
    bool ok =
        data.database.beginTransaction() &&
        core::reachListed(data, journal, {超级列表框_流水.rowKey(current)}, 0, "单号", number);
    const data::SqliteTable::Stored stored =
        ok && number.empty() ? journal.readStored("单号") : data::SqliteTable::Stored{};
    data.openOnDemand(lines);
    const std::vector<int> found = !ok              ? std::vector<int>{}
                                   : number.empty() ? lines.findStored("单号", stored)
                                                    : lines.findAll("单号", number);
    // Lines that could not be looked for are not "no lines": nothing is deleted.
    ok = ok && !lines.readFailed();
    std::string detail;  // "菜品×数量=金额；…", for the trace
    for (auto it = found.begin(); ok && it != found.end(); ++it) {
        ok = lines.moveTo(*it);
        if (ok)
            detail += (detail.empty() ? "" : "；") + lines.readText("菜品") + "×" +
                      lines.readText("数量") + "=" + lines.readText("金额");
    }
    for (auto it = found.rbegin(); ok && it != found.rend(); ++it)
        ok = lines.moveTo(*it) && lines.deleteCurrent();
    lines.close();
    // Its payment goes with it (a new order opened on the same number must not inherit it);
    // how it was paid stays in the trace.
    data::SqliteTable payments;
    if (ok && payments.open("结账", data.database)) {
        const std::vector<int> paid = payments.findAll("单号", number);
        ok = !payments.readFailed();
        for (auto it = paid.begin(); ok && it != paid.end(); ++it)
            if ((ok = payments.moveTo(*it)))
                detail += (detail.empty() ? "" : "；") + std::string("付款方式：") +
                          payments.readText("付款方式");
        for (auto it = paid.rbegin(); ok && it != paid.rend(); ++it)
            ok = payments.moveTo(*it) && payments.deleteCurrent();
    }
    payments.close();
    // Its notes for the kitchen go with it.
    ok = ok && (number.empty() ||
                (core::deleteDishNotes(data, number) && core::removeAdjustments(data, number)));
    // No order goes without a trace of what it was and who deleted it.
    ok = ok && traceDeletion(journal, detail) && journal.deleteCurrent();
    journal.close();
    ok = ok && data.database.commitTransaction();
    if (!ok) {
        data.database.rollbackTransaction();
        m_app.message("删除失败，请检查！", ui::Icon::Information);
    }
    超级列表框_明细.clearRows();
    if (ok) {
        // No window goes on offering an order that is gone.
        if (auto* order = m_app.orderWindow()) {
            if (order->标签_单号.text() == number)
                order->clearCurrentOrder();
            else
                order->RefreshOpenTableList(order->标签_当前操作.text());
        }
        if (auto* checkout = m_app.checkoutWindow()) checkout->RefreshCheckoutWindow();
        m_app.refreshBoard();
    }
    repeatQuery();
}

void QueryWindow::repeatQuery() {
    switch (m_app.session().lastQueryKind) {
        case kByNumber:
            QueryOrderByNumber();
            break;
        case kByDate:
            QueryOrdersByDate();
            break;
        default:
            QueryAllOrders();
            break;
    }
}

void QueryWindow::exportList(ui::ReportList& list, const std::string& namePrefix,
                             const std::string& title) {
    if (list.rowCount() == 0) {
        m_app.message("当前列表无内容！", kWarn);
        return;
    }
    const std::string proposed = namePrefix + util::dateText(m_app.desktop().now()) + ".xls";
    const auto chosen = m_app.desktop().saveDialog("保存文件", proposed, "Excel文件(*.xls)");
    if (!chosen || chosen->empty()) return;
    // A file that could not be written must not look saved.
    if (ExportListAsSpreadsheet(withXlsExtension(*chosen), list, true, title))
        m_app.message("保存成功！", ui::Icon::Information);
    else
        m_app.message("保存失败，请检查！", kWarn);
}

void QueryWindow::ExportJournalList() {
    exportList(超级列表框_流水, "Tablora_流水_", "Tablora_流水");
}

void QueryWindow::ExportSelectedOrder() {
    exportList(超级列表框_明细, "Tablora_单台_",
               "台号：" + 标签_台号.text() + "\r\n开台时间：" + 标签_时间.text() + "\r\n人数：" +
                   标签_人数.text() + "\r\n金额：" + 标签_金额.text());
}

}  // namespace tablora::query
