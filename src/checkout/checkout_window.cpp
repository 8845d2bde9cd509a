#include "checkout/checkout_window.h"

#include <optional>

#include "checkout/discount_window.h"
#include "checkout/payment_split_window.h"
#include "checkout/split_bill_window.h"
#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "core/dish_notes.h"
#include "core/order_bill.h"
#include "core/shared_lists.h"
#include "ordering/order_window.h"
#include "rights/gift_window.h"
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
    按钮_优惠.onClick = [this] { discount(); };
    按钮_组合支付.onClick = [this] { payMixed(); };
    按钮_拆单.onClick = [this] { splitBill(); };
    按钮_整额.onClick = [this] { payQuick(m_due); };
    按钮_50.onClick = [this] { payQuick(50); };
    按钮_100.onClick = [this] { payQuick(100); };
    // Paid by phone or card: exactly the amount due, no change to give.
    组合框_付款方式.onSelectionChanged = [this] {
        const std::string method = 组合框_付款方式.text();
        if (!标签_台号.text().empty() &&
            (method == "微信" || method == "支付宝" || method == "银行卡"))
            payQuick(m_due);
    };
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
    for (ui::Button* b :
         {&按钮_优惠, &按钮_组合支付, &按钮_拆单, &按钮_赠送, &按钮_整额, &按钮_50, &按钮_100})
        b->setEnabled(permissions.结账 != 0);
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
    m_roundOff = 0;
    m_due = 0;
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
        const auto notes = core::readDishNotes(m_app.data(), 超级列表框_流水.cell(order, kNumber));
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
    m_roundOff = 0;       // chosen for a bill as it was; the bill shown again drops it
    showAmountDue();
}

void CheckoutWindow::showAmountDue() {
    const int selected = 超级列表框_流水.currentRow();
    const long long lines = wholeNumber(超级列表框_流水.cell(selected, kAmount));
    const auto bill = core::readBill(m_app.data(), 超级列表框_流水.cell(selected, kNumber),
                                     标签_台号.text(), lines, m_roundOff);
    // Without adjustments the window is as it always was: the amount due is the lines' sum.
    const bool any = bill && bill->adjusted();
    m_due = bill ? bill->figures.due : lines;
    标签_消费金额.setText(any ? "消费：" + numberText(lines) : "");
    标签_优惠.setText(any ? "优惠：" + numberText(bill->figures.taken()) : "");
    标签_附加.setText(any ? "附加：" + numberText(bill->figures.added()) : "");
    标签_金额.setText(numberText(m_due));
}

bool CheckoutWindow::selectedOrder(std::string& number, long long& lines) {
    const int order = 超级列表框_流水.currentRow();
    if (order < 0 || 标签_台号.text().empty()) {
        m_app.message("请选择要结账的台号！", kWarn);
        return false;
    }
    number = 超级列表框_流水.cell(order, kNumber);
    lines = wholeNumber(超级列表框_流水.cell(order, kAmount));
    return true;
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
    if (!rights::giveOrTakeBack(
            m_app, *this,
            {number, 标签_台号.text(), dish, wholeNumber(超级列表框_明细.cell(line, 3)),
             wholeNumber(超级列表框_明细.cell(line, 4)),
             found != comped.end() ? found->second : 0}))
        return;
    showSelectedOrder();
    超级列表框_明细.selectRow(line);
}

void CheckoutWindow::discount() {
    std::string number;
    long long lines = 0;
    if (!selectedOrder(number, lines)) return;
    const int line = 超级列表框_明细.currentRow();
    const DiscountChoice chosen =
        chooseDiscount(m_app, *this,
                       {number, 标签_台号.text(), lines,
                        line >= 0 ? 超级列表框_明细.cell(line, 2) : std::string(), m_roundOff});
    if (!chosen.done) return;
    if (chosen.linesChanged) {
        RefreshCheckoutWindow();
        return;
    }
    m_roundOff = chosen.roundOff;
    showAmountDue();
    编辑框_金额.setText("");
    标签_找零.setText("");
}

void CheckoutWindow::payMixed() {
    std::string number;
    long long lines = 0;
    if (!selectedOrder(number, lines)) return;
    std::vector<std::string> methods = 组合框_付款方式.items();
    payInParts(m_app, *this, m_due, methods,
               [this](const std::vector<Payment>& payments, long long due) {
                   return settleWith(payments, due);
               });
}

void CheckoutWindow::splitBill() {
    std::string number;
    long long lines = 0;
    if (!selectedOrder(number, lines)) return;
    if (splitOrder(m_app, *this, number)) {
        RefreshCheckoutWindow();
        if (auto* order = m_app.orderWindow())
            order->RefreshOpenTableList(order->标签_当前操作.text());
        m_app.refreshBoard();
    }
}

void CheckoutWindow::payQuick(long long amount) {
    if (标签_台号.text().empty()) {
        m_app.message("请选择要结账的台号！", kWarn);
        return;
    }
    编辑框_金额.setText(numberText(amount));
    computeChange();
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

printing::BillOrder CheckoutWindow::storedOrder(long long roundOff) {
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
    // After reading the lines: the journal cursor is not moved by either.
    const auto bill = core::readBill(m_app.data(), order.number, order.table,
                                     wholeNumber(order.amount), roundOff);
    if (bill && bill->adjusted()) {
        order.adjustments = core::adjustmentLines(*bill);
        order.due = numberText(bill->figures.due);
    }
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
        bill = storedOrder(m_roundOff);
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

bool CheckoutWindow::recordPayment(const std::string& number, const Payment& payment) {
    data::SqliteTable payments;
    return payments.open("结账", m_app.data().database) && payments.addNew() &&
           payments.write("单号", number) && payments.write("付款方式", payment.method) &&
           payments.write("实收", static_cast<std::int64_t>(payment.received)) &&
           payments.write("找零", static_cast<std::int64_t>(payment.change)) &&
           payments.write("收银员", m_app.session().currentUser) &&
           payments.write("结账时间", util::dateText(m_app.desktop().now())) && payments.update();
}

void CheckoutWindow::settle() {
    if (超级列表框_流水.currentRow() < 0 || 标签_台号.text().empty()) {
        m_app.message("请选择要结账的台号！", kWarn);
        return;
    }
    if (!amountUsable()) return;
    const long long received = wholeNumber(编辑框_金额.text());
    // The change is reckoned against the amount due as stored at this moment, as it always was;
    // only a bill with 抹零 chosen must still be the one it was chosen for.
    settleWith({{组合框_付款方式.text(), received, 0}}, m_roundOff > 0 ? m_due : -1);
}

bool CheckoutWindow::settleWith(const std::vector<Payment>& given, long long shownDue) {
    const int selected = 超级列表框_流水.currentRow();
    if (selected < 0) return false;
    const std::string number = 超级列表框_流水.cell(selected, kNumber);
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    bool settled = false, changed = false;
    printing::KeptBill receipt;
    // The order is paid, how it was paid, what was taken off or added and its receipt are kept,
    // together or not at all: the receipt is the order as stored at that moment.
    const bool began = data.database.beginTransaction();
    const bool found = data::forEachMatch(journal, "单号", number, [&](data::SqliteTable&) {
        if (journal.readText("台号") == 标签_台号.text() && journal.readInt("状态") == 0) {
            const auto bill =
                core::readBill(data, number, 标签_台号.text(), journal.readInt("金额"), m_roundOff);
            if (!bill) return true;
            const long long amount = bill->figures.due;
            if (shownDue >= 0 && amount != shownDue) {
                changed = true;
                return true;
            }
            std::vector<Payment> payments = given;
            if (payments.size() == 1) payments[0].change = payments[0].received - amount;
            const std::string time = util::dateText(m_app.desktop().now());
            journal.edit();
            journal.write("状态", 1);
            journal.write("备注", 编辑框_备注.text());
            settled = began && journal.update() &&
                      core::keepSettledAdjustments(data, number, *bill, m_app.session().currentUser,
                                                   time);
            for (const Payment& p : payments) settled = settled && recordPayment(number, p);
            if (settled) {
                const Payment& last = payments.back();
                long long received = 0;
                for (const Payment& p : payments) received += p.received;
                printing::Settlement paid{
                    numberText(received),        numberText(last.change), time,
                    m_app.session().currentUser, 编辑框_备注.text(),      {}};
                if (payments.size() > 1)
                    for (const Payment& p : payments)
                        paid.payments.emplace_back(p.method, p.received);
                settled = printing::keepBill(m_app, storedOrder(m_roundOff), &paid, receipt);
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
    } else if (changed) {
        m_app.message("该单已结账或已被修改，请刷新后重试！", kWarn);
    } else if (found || unreadable) {
        m_app.message("结账失败，请检查！", kWarn);
        if (unreadable) return false;  // nothing changed, and the lists could not be read either
    }
    RefreshCheckoutWindow();
    if (auto* order = m_app.orderWindow()) order->clearCurrentOrder();
    m_app.refreshBoard();
    return settled;
}

}  // namespace tablora::checkout
