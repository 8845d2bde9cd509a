#include "checkout/checkout_window.h"

#include <optional>

#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "rights/gift_window.h"
#include "core/dish_notes.h"
#include "core/shared_lists.h"
#include "ordering/order_window.h"
#include "rights/trace.h"
#include "util/text.h"

namespace tablora::checkout {

using util::numberText;
using util::wholeNumber;

namespace {
constexpr ui::Icon kWarn = ui::Icon::Exclamation;
enum OrderColumn { kNo, kNumber, kOpened, kTable, kGuests, kAmount, kState, kOperator };
}  // namespace

CheckoutWindow::CheckoutWindow(core::AppContext& app)
    : Window(app.desktop(), "CheckoutWindow", "", 1024, 630), m_app(app) {
    标签_金额.setMoney(true);
    标签_找零.setMoney(true);
    for (const char* method : {"现金", "微信", "支付宝", "银行卡", "挂账"})
        组合框_付款方式.addItem(method);
    组合框_付款方式.select(0);
    超级列表框_流水.onCurrentRowChanged = [this] { showSelectedOrder(); };
    超级列表框_明细.onCurrentRowChanged = [this] { showNote(); };
    按钮_赠送.onClick = [this] { giftDish(); };
    // An amount typed while the order list has the keyboard is the amount received: the
    // cashier starts typing, the keyboard moves to the amount box.
    超级列表框_流水.onKeyDown = [this](int key) {
        if ((key < '0' || key > '9') && key != '-') return;
        编辑框_金额.type(std::string(1, static_cast<char>(key)));
        编辑框_金额.focus();
    };
    按钮_计算.onClick = [this] { computeChange(); };
    编辑框_金额.onKeyDown = [this](int key) {
        if (key == ui::EditBox::kEnter) computeChange();
    };
    按钮_结账.onClick = [this] { settle(); };
    按钮_打印账单.onClick = [this] { printPreBill(); };
}

void CheckoutWindow::created() {
    m_app.placeWorkWindow(*this);
    applyPermission(m_app.session().permissions);
    RefreshCheckoutWindow();
}

void CheckoutWindow::applyPermission(const core::PermissionSet& permissions) {
    按钮_结账.setEnabled(permissions.结账 != 0);
    按钮_打印账单.setEnabled(permissions.结账 != 0);
}

void CheckoutWindow::RefreshCheckoutWindow() {
    ui::ReportRows rows = 超级列表框_流水.newRows();
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    data::forEachMatch(journal, "状态", 0, [&](data::SqliteTable&) {
        rows.addRow({std::to_string(rows.rowCount() + 1), journal.readText("单号"),
                     journal.readText("时间"), journal.readText("台号"),
                     numberText(static_cast<long long>(journal.readInt("人数"))),
                     numberText(static_cast<long long>(journal.readInt("金额"))), "未结账",
                     journal.readText("操作")});
        return false;
    });
    const bool read = !journal.readFailed();
    journal.close();
    if (!read) {
        m_app.tellReadFailed();
        return;
    }
    超级列表框_流水.setRows(std::move(rows));
    超级列表框_明细.clearRows();
    标签_台号.setText("");
    标签_金额.setText("");
    for (ui::Label* l : {&标签_消费金额, &标签_优惠, &标签_附加}) l->setText("");
    标签_找零.setText("");
    编辑框_金额.setText("");
    编辑框_备注.setText("");
    组合框_付款方式.select(0);  // 现金 unless the cashier picks another
}

void CheckoutWindow::showNote() {
    const int order = 超级列表框_流水.currentRow();
    const int line = 超级列表框_明细.currentRow();
    std::string note;
    if (order >= 0 && line >= 0) {
        const auto notes =
            core::readDishNotes(m_app.data(), 超级列表框_流水.cell(order, kNumber));
        const auto kept = notes.find(超级列表框_明细.cell(line, 2));
        if (kept != notes.end()) note = kept->second.note;
    }
    标签_口味.setText(note.empty() ? "" : "口味：" + note);
}

void CheckoutWindow::showSelectedOrder() {
    const int selected = 超级列表框_流水.currentRow();
    if (selected < 0) return;
    const std::string number = 超级列表框_流水.cell(selected, kNumber);
    ui::ReportRows rows = 超级列表框_明细.newRows();
    if (!core::readOrderLines(m_app.data(), number, rows)) {
        m_app.tellReadFailed();
        return;
    }
    超级列表框_明细.setRows(std::move(rows));
    showNote();
    标签_台号.setText(超级列表框_流水.cell(selected, kTable));
    编辑框_金额.focus();  // the cashier types what was handed over next
    showAmountDue(number, wholeNumber(超级列表框_流水.cell(selected, kAmount)));
}

void CheckoutWindow::showAmountDue(const std::string& number, long long lines) {
    std::vector<core::Adjustment> adjustments;
    core::readAdjustments(m_app.data(), number, adjustments);
    long long off = 0, added = 0;
    for (const auto& a : adjustments) (a.type == "服务费" || a.type == "最低消费" ? added : off) += a.amount;
    // Without adjustments the window is as it always was: the amount due is the lines' sum.
    const bool any = !adjustments.empty();
    标签_消费金额.setText(any ? "消费：" + numberText(lines) : "");
    标签_优惠.setText(any ? "优惠：" + numberText(off) : "");
    标签_附加.setText(any ? "附加：" + numberText(added) : "");
    标签_金额.setText(numberText(lines + off + added));
}

void CheckoutWindow::giftDish() {
    const int order = 超级列表框_流水.currentRow();
    const int line = 超级列表框_明细.currentRow();
    if (order < 0 || line < 0) {
        m_app.message("请在列表内选中要操作的菜品项目！", kWarn);
        return;
    }
    const std::string number = 超级列表框_流水.cell(order, kNumber);
    const std::string dish = 超级列表框_明细.cell(line, 2);
    std::vector<core::Adjustment> adjustments;
    core::readAdjustments(m_app.data(), number, adjustments);
    const auto comped = core::compedDishes(adjustments);
    const auto found = comped.find(dish);
    if (!rights::giveOrTakeBack(m_app, *this,
                                {number, 标签_台号.text(), dish,
                                 wholeNumber(超级列表框_明细.cell(line, 3)),
                                 wholeNumber(超级列表框_明细.cell(line, 4)),
                                 found != comped.end() ? found->second : 0}))
        return;
    showSelectedOrder();
    超级列表框_明细.selectRow(line);
}

bool CheckoutWindow::amountUsable() {
    if (编辑框_金额.text().empty()) {
        m_app.message("请正确输入金额！", kWarn);
        return false;
    }
    // An amount beyond what can be reckoned with would give a wrong change.
    if (!util::wholeNumberIfItFits(编辑框_金额.text())) {
        m_app.message("实收金额超出范围，请正确输入金额！", kWarn);
        return false;
    }
    return true;
}

void CheckoutWindow::computeChange() {
    if (标签_台号.text().empty()) {
        m_app.message("请选择要结账的台号！", kWarn);
        return;
    }
    if (!amountUsable()) return;
    const double change = static_cast<double>(wholeNumber(编辑框_金额.text())) -
                          static_cast<double>(wholeNumber(标签_金额.text()));
    标签_找零.setText(numberText(change));
}

printing::BillOrder CheckoutWindow::storedOrder() {
    auto& journal = m_app.data().journalCursor;
    printing::BillOrder order{journal.readText("单号"),
                              journal.readText("台号"),
                              numberText(static_cast<long long>(journal.readInt("人数"))),
                              journal.readText("时间"),
                              numberText(static_cast<long long>(journal.readInt("金额"))),
                              {}};
    ui::ReportRows rows = 超级列表框_明细.newRows();
    core::readOrderLines(m_app.data(), order.number, rows);
    enum { kDish = 2, kPrice, kQuantity, kLineAmount };
    for (int r = 0; r < rows.rowCount(); ++r)
        order.lines.push_back(
            {std::string(rows.cellView(r, kDish)), std::string(rows.cellView(r, kPrice)),
             std::string(rows.cellView(r, kQuantity)), std::string(rows.cellView(r, kLineAmount))});
    order.voids = rights::voidsOf(m_app.data(), order.number);
    return order;
}

void CheckoutWindow::printPreBill() {
    if (超级列表框_流水.currentRow() < 0 || 标签_台号.text().empty()) {
        m_app.message("请选择要结账的台号！", kWarn);
        return;
    }
    // The bill as stored now: another till may have added a dish since the list was read.
    const std::string number = 超级列表框_流水.cell(超级列表框_流水.currentRow(), kNumber);
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    std::optional<printing::BillOrder> bill;
    data::forEachMatch(journal, "单号", number, [&](data::SqliteTable&) {
        bill = storedOrder();
        return true;
    });
    const bool unreadable = journal.readFailed();
    journal.close();
    if (!bill) {
        if (unreadable)
            m_app.tellReadFailed();
        else
            RefreshCheckoutWindow();  // deleted or settled elsewhere meanwhile
        return;
    }
    if (!printing::printBill(m_app, *bill, nullptr)) m_app.message("没有设置账单打印机！", kWarn);
}

bool CheckoutWindow::recordPayment(const std::string& number, long long amount) {
    const long long received = wholeNumber(编辑框_金额.text());
    data::SqliteTable payments;
    return payments.open("结账", m_app.data().database) && payments.addNew() &&
           payments.write("单号", number) && payments.write("付款方式", 组合框_付款方式.text()) &&
           payments.write("实收", static_cast<std::int64_t>(received)) &&
           payments.write("找零", static_cast<std::int64_t>(received - amount)) &&
           payments.write("收银员", m_app.session().currentUser) &&
           payments.write("结账时间", util::dateText(m_app.desktop().now())) && payments.update();
}

void CheckoutWindow::settle() {
    const int selected = 超级列表框_流水.currentRow();
    if (selected < 0 || 标签_台号.text().empty()) {
        m_app.message("请选择要结账的台号！", kWarn);
        return;
    }
    if (!amountUsable()) return;
    const std::string number = 超级列表框_流水.cell(selected, kNumber);
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    bool settled = false;
    printing::KeptBill receipt;
    // The order is paid, how it was paid and its receipt are kept, together or not at all: the
    // receipt is the order as stored at that moment, whatever the list showed.
    const bool began = data.database.beginTransaction();
    const bool found = data::forEachMatch(journal, "单号", number, [&](data::SqliteTable&) {
        if (journal.readText("台号") == 标签_台号.text() && journal.readInt("状态") == 0) {
            // What the guest pays: the lines' sum with the order's adjustments, as stored now.
            std::vector<core::Adjustment> adjustments;
            const bool adjusted = core::readAdjustments(data, number, adjustments);
            const long long amount = journal.readInt("金额") + core::adjustmentTotal(adjustments);
            journal.edit();
            journal.write("状态", 1);
            journal.write("备注", 编辑框_备注.text());
            settled = began && adjusted && journal.update() && recordPayment(number, amount);
            if (settled) {
                const long long received = wholeNumber(编辑框_金额.text());
                const printing::Settlement paid{numberText(received), numberText(received - amount),
                                                util::dateText(m_app.desktop().now()),
                                                m_app.session().currentUser, 编辑框_备注.text()};
                settled = printing::keepBill(m_app, storedOrder(), &paid, receipt);
            }
            return true;
        }
        return false;
    });
    // A bill that did not settle must not look settled: say so, also when its record could
    // not be read. One settled or deleted elsewhere meanwhile simply leaves the list.
    const bool unreadable = journal.readFailed();
    journal.close();
    settled = settled && data.database.commitTransaction();
    if (!settled) data.database.rollbackTransaction();
    if (settled) {
        m_app.message("结账成功！", ui::Icon::Information);
        printing::sendKeptBill(m_app, std::move(receipt));
    } else if (found || unreadable) {
        m_app.message("结账失败，请检查！", kWarn);
        if (unreadable) return;  // nothing changed, and the lists could not be read either
    }
    RefreshCheckoutWindow();
    if (auto* order = m_app.orderWindow()) order->clearCurrentOrder();
    m_app.refreshBoard();
}

}  // namespace tablora::checkout
