#include "checkout/payment_split_window.h"

#include <climits>

#include "core/app_context.h"
#include "util/text.h"

namespace tablora::checkout {
namespace {

constexpr ui::Icon kWarn = ui::Icon::Exclamation;
enum { kMethod, kAmount };

}  // namespace

PaymentSplitWindow::PaymentSplitWindow(core::AppContext& app, long long due,
                                       const std::vector<std::string>& methods, SettleWith pay)
    : Window(app.desktop(), "PaymentSplitWindow", "组合支付", 500, 434),
      m_app(app),
      m_due(due),
      m_settle(std::move(pay)) {
    for (const auto& method : methods) 组合框_付款方式.addItem(method);
    组合框_付款方式.select(0);
    组合框_付款方式.onSelectionChanged = [this] { methodChosen(); };
    按钮_添加.onClick = [this] { add(); };
    编辑框_金额.onKeyDown = [this](int key) {
        if (key == ui::EditBox::kEnter) add();
    };
    按钮_删除一笔.onClick = [this] { removeOne(); };
    按钮_AA.onClick = [this] { shareEvenly(); };
    按钮_结账.onClick = [this] { settle(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
    setInitialFocus(&编辑框_金额);
    showTotals();
}

void PaymentSplitWindow::add() {
    const auto amount = util::wholeNumberIn(编辑框_金额.text(), 1, INT_MAX);
    if (!amount) {
        m_app.message("请正确输入金额！", kWarn);
        return;
    }
    超级列表框_付款.addRow({组合框_付款方式.text(), std::to_string(*amount)});
    编辑框_金额.setText("");
    showTotals();
}

void PaymentSplitWindow::removeOne() {
    const int row = 超级列表框_付款.currentRow();
    if (row < 0) {
        m_app.message("请选择要删除的付款！", kWarn);
        return;
    }
    超级列表框_付款.removeRow(row);
    showTotals();
}

void PaymentSplitWindow::shareEvenly() {
    const auto people = util::wholeNumberIn(编辑框_AA人数.text(), 2, 99);
    if (!people) {
        m_app.message("AA人数应在2到99之间！", kWarn);
        return;
    }
    // The first `due mod n` shares carry the yuan that does not divide.
    ui::ReportRows rows = 超级列表框_付款.newRows();
    for (long long i = 0; i < *people; ++i)
        rows.addRow({组合框_付款方式.text(),
                     std::to_string(m_due / *people + (i < m_due % *people ? 1 : 0))});
    超级列表框_付款.setRows(std::move(rows));
    showTotals();
}

void PaymentSplitWindow::methodChosen() {
    const int row = 超级列表框_付款.currentRow();
    if (row >= 0) 超级列表框_付款.setCell(row, kMethod, 组合框_付款方式.text());
}

void PaymentSplitWindow::showTotals() {
    long long paid = 0;
    超级列表框_付款.forEachRow(
        [&](int row) { paid += util::wholeNumber(超级列表框_付款.cell(row, kAmount)); });
    标签_应收.setText("应收：" + std::to_string(m_due) + "元");
    标签_已付.setText("已付：" + std::to_string(paid) + "元");
    标签_还差.setText("还差：" + std::to_string(std::max(0LL, m_due - paid)) + "元");
    标签_找零.setText("找零：" + std::to_string(std::max(0LL, paid - m_due)) + "元");
}

void PaymentSplitWindow::settle() {
    std::vector<Payment> payments;
    long long paid = 0, notCash = 0;
    int lastCash = -1;
    超级列表框_付款.forEachRow([&](int row) {
        const std::string method = 超级列表框_付款.cell(row, kMethod);
        const long long amount = util::wholeNumber(超级列表框_付款.cell(row, kAmount));
        paid += amount;
        if (method == "现金")
            lastCash = static_cast<int>(payments.size());
        else
            notCash += amount;
        payments.push_back({method, amount, 0});
    });
    if (notCash > m_due) {
        m_app.message("非现金付款合计不能超过应收金额！", kWarn);
        return;
    }
    if (paid < m_due) {
        m_app.message("付款金额不足，还差" + std::to_string(m_due - paid) + "元！", kWarn);
        return;
    }
    if (lastCash >= 0) payments[lastCash].change = paid - m_due;  // only cash gives change
    m_settle(payments, m_due);
    destroy();  // settled, or told why not and the desk shows the order as it is now
}

void payInParts(core::AppContext& app, ui::Window& owner, long long due,
                const std::vector<std::string>& methods, SettleWith settle) {
    PaymentSplitWindow window(app, due, methods, std::move(settle));
    app.showDialog(window, owner);
}

}  // namespace tablora::checkout
