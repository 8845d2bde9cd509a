#include "query/query_window.h"

#include "checkout/checkout_window.h"
#include "core/app_context.h"
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

// A calendar day as one comparable number.
int dayNumber(const util::CalendarTime& t) {
    return t.year * 10000 + t.month * 100 + t.day;
}

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
}

void QueryWindow::appendJournalRow() {
    auto& journal = m_app.data().journalCursor;
    const int state = journal.readInt("状态");
    const int row = 超级列表框_流水.addRow(
        {"", journal.readText("单号"), journal.readText("时间"), journal.readText("台号"),
         numberText(static_cast<long long>(journal.readInt("人数"))),
         numberText(static_cast<long long>(journal.readInt("金额"))),
         state == 0 ? "未结账" : "已结账", journal.readText("操作"), journal.readText("备注")});
    超级列表框_流水.setCellImage(row, 结账状态, state == 0 ? "unsettled" : "settled");
}

void QueryWindow::numberRows(ui::ReportList& list) {
    for (int r = 0; r < list.rowCount(); ++r) list.setCell(r, 0, std::to_string(r + 1));
}

void QueryWindow::recomputeTotals() {
    long long guests = 0, amount = 0, settled = 0, unsettled = 0;
    for (int r = 0; r < 超级列表框_流水.rowCount(); ++r) {
        const long long rowAmount = wholeNumber(超级列表框_流水.cellView(r, 总金额));
        guests += wholeNumber(超级列表框_流水.cellView(r, 人数));
        amount += rowAmount;
        (超级列表框_流水.cellView(r, 结账状态) == "已结账" ? settled : unsettled) += rowAmount;
    }
    标签_人数合计.setText(numberText(guests));
    标签_金额合计.setText(numberText(amount));
    标签_已结合计.setText(numberText(settled));
    标签_未结合计.setText(numberText(unsettled));
}

void QueryWindow::clearListsAndTotals() {
    超级列表框_流水.clearRows();
    超级列表框_明细.clearRows();
    for (ui::Label* total : {&标签_人数合计, &标签_金额合计, &标签_已结合计, &标签_未结合计})
        total->setText("0");
}

void QueryWindow::QueryAllOrders() {
    clearListsAndTotals();
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    data::forEachRecord(journal, [&](data::SqliteTable&) {
        appendJournalRow();
        return false;
    });
    journal.close();
    finishQuery(kAll, "");
}

void QueryWindow::QueryOrderByNumber() {
    if (编辑框_单号.text().empty()) {
        m_app.message("请填写要查询的单号！", kWarn);
        return;
    }
    clearListsAndTotals();
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    // Only the first of several records with one number is shown.
    data::forEachMatch(journal, "单号", 编辑框_单号.text(), [&](data::SqliteTable&) {
        appendJournalRow();
        return true;
    });
    journal.close();
    finishQuery(kByNumber, "没有查询到该单号，请检查是否输入有误！");
}

void QueryWindow::QueryOrdersByDate() {
    clearListsAndTotals();
    const int first = dayNumber(日期框1.date());
    const int last = dayNumber(日期框2.date());
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    if (first <= last) {
        // An opening time that is no real date lies before any day the boxes can show.
        const auto inRange = [first, last](std::string_view text) {
            const auto opened = util::readDateText(text);
            return opened && dayNumber(*opened) >= first && dayNumber(*opened) <= last;
        };
        // A date written from a year of four digits starts with them, after any blanks: only
        // texts of those years, or below "0", can be in the range.
        std::vector<data::SqliteTable::TextRange> only;
        if (日期框1.date().year >= 1000 && 日期框2.date().year <= 9999) {
            std::string to = std::to_string(日期框2.date().year);
            ++to.back();
            only = {{"", "0"}, {std::to_string(日期框1.date().year), to}};
        }
        for (int number : journal.findWhere("时间", inRange, only)) {
            journal.moveTo(number);
            appendJournalRow();
        }
    }
    journal.close();
    finishQuery(kByDate, "该时间段没有记录！");
}

void QueryWindow::finishQuery(int kind, const std::string& noneFound) {
    // A query that found nothing says so and leaves the kind to repeat as it was.
    if (超级列表框_流水.rowCount() == 0 && kind != kAll) {
        m_app.message(noneFound, kWarn);
        return;
    }
    numberRows(超级列表框_流水);
    recomputeTotals();
    m_app.session().lastQueryKind = kind;
}

void QueryWindow::ShowOrderLines() {
    const int current = 超级列表框_流水.currentRow();
    if (current < 0) return;
    超级列表框_明细.clearRows();
    auto& data = m_app.data();
    auto& lines = data.openOnDemand(data.detailCursor);
    data::forEachMatch(lines, "单号", 超级列表框_流水.cell(current, 系统单号),
                       [&](data::SqliteTable&) {
                           core::appendOrderLineRow(超级列表框_明细, lines);
                           return false;
                       });
    lines.close();
    标签_单号.setText(超级列表框_流水.cell(current, 系统单号));
    标签_时间.setText(超级列表框_流水.cell(current, 开台时间));
    标签_台号.setText(超级列表框_流水.cell(current, 台号));
    标签_人数.setText(超级列表框_流水.cell(current, 人数));
    标签_金额.setText(超级列表框_流水.cell(current, 总金额));
    numberRows(超级列表框_明细);
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
    // The order's lines and its journal record go together or not at all: half an order
    // would leave lines that belong to nothing, or a bill without its dishes.
    auto& lines = data.openOnDemand(data.detailCursor);
    bool ok = data.database.beginTransaction();
    const std::vector<int> found = lines.findAll("单号", number);
    for (auto it = found.rbegin(); ok && it != found.rend(); ++it)
        ok = lines.moveTo(*it) && lines.deleteCurrent();
    lines.close();
    auto& journal = data.openOnDemand(data.journalCursor);
    if (ok) {
        data::forEachMatch(journal, "单号", number, [&](data::SqliteTable&) {
            ok = journal.deleteCurrent();
            return true;
        });
    }
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
    }
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
