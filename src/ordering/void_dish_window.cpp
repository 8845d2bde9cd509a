#include "ordering/void_dish_window.h"

#include <algorithm>
#include <climits>

#include "core/app_context.h"
#include "core/dish_notes.h"
#include "data/sqlite_table.h"
#include "printing/kitchen.h"
#include "rights/gift_window.h"
#include "rights/trace.h"
#include "util/text.h"

namespace tablora::ordering {
namespace {

constexpr const char* kChanged = "该单已结账或已被修改，请刷新后重试！";
constexpr const char* kFailed = "退菜失败，请检查！";

}  // namespace

VoidDishWindow::VoidDishWindow(core::AppContext& app, OrderLine line, std::string approver)
    : Window(app.desktop(), "VoidDishWindow", "退菜", 360, 230),
      m_app(app),
      m_line(std::move(line)),
      m_approver(std::move(approver)) {
    标签_菜品.setText("菜品：" + m_line.dish);
    标签_可退.setText("已点" + std::to_string(m_line.quantity) + "份，已送厨" +
                      std::to_string(m_line.sent) + "份");
    编辑框_退菜数量.setText("1");
    for (auto& reason : rights::reasonsFor(app.data().database, "退菜"))
        组合框_原因.addItem(std::move(reason));
    setInitialFocus(&编辑框_退菜数量);
    按钮_确定.onClick = [this] { confirm(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
}

void VoidDishWindow::confirm() {
    const auto warn = [this](const std::string& text) {
        m_app.message(text, ui::Icon::Exclamation);
    };
    const auto quantity = util::wholeNumberIn(编辑框_退菜数量.text(), 1, INT_MAX);
    if (!quantity) return warn("请输入正确的退菜数量！");
    if (*quantity > m_line.quantity)
        return warn("退菜数量不能超过已点数量" + std::to_string(m_line.quantity) + "！");
    const std::string reason = rights::plainText(组合框_原因.text());
    if (reason.empty()) return warn("请选择或输入退菜原因！");
    if (util::characterCount(reason) > 40) return warn("退菜原因不能超过40个字！");
    if (!rights::keepsWhatIsComped(m_app, m_line.number, m_line.dish, m_line.quantity - *quantity))
        return;
    std::vector<printing::KeptBill> tickets;
    const std::string failed = write(*quantity, reason, tickets);
    if (failed == kChanged) {
        m_orderChanged = true;
        warn(failed);
        destroy();
        return;
    }
    if (!failed.empty()) return warn(failed);
    m_orderChanged = true;
    for (auto& ticket : tickets) printing::sendKeptBill(m_app, std::move(ticket));
    m_app.message("退菜成功！", ui::Icon::Information);
    destroy();
}

std::string VoidDishWindow::write(long long quantity, const std::string& reason,
                                  std::vector<printing::KeptBill>& tickets) {
    auto& data = m_app.data();
    auto& database = data.database;
    if (!database.beginTransaction()) return kFailed;
    auto& journal = data.openOnDemand(data.journalCursor);
    auto& lines = data.openOnDemand(data.detailCursor);
    const auto undo = [&](const char* said) {
        database.rollbackTransaction();
        journal.close();
        lines.close();
        return std::string(said);
    };
    // Read again inside the transaction: what the person saw must still be so.
    const std::vector<int> orders = journal.findAll("单号", m_line.number);
    if (journal.readFailed()) return undo(kFailed);
    if (orders.empty() || !journal.moveTo(orders.front()) || journal.readInt("状态") != 0)
        return undo(kChanged);
    long long others = 0;
    int at = 0;
    for (int n : lines.findAll("单号", m_line.number)) {
        lines.moveTo(n);
        if (lines.readText("菜品") != m_line.dish)
            others += lines.readInt("金额");
        else if (at == 0 && lines.readInt("数量") == m_line.quantity &&
                 lines.readInt("单价") == m_line.price)
            at = n;
        else
            return undo(kChanged);
    }
    if (lines.readFailed()) return undo(kFailed);
    if (at == 0) return undo(kChanged);
    const long long left = m_line.quantity - quantity;
    const bool lineWritten =
        lines.moveTo(at) &&
        (left == 0 ? lines.deleteCurrent()
                   : lines.edit() && lines.write("数量", static_cast<std::int64_t>(left)) &&
                         lines.write("金额", static_cast<std::int64_t>(left * m_line.price)) &&
                         lines.update());
    const bool totalWritten =
        lineWritten && journal.moveTo(orders.front()) && journal.edit() &&
        journal.write("金额", static_cast<std::int64_t>(others + left * m_line.price)) &&
        journal.update();
    if (!totalWritten || (left == 0 && !core::deleteDishNotes(data, m_line.number, m_line.dish)))
        return undo(kFailed);
    const long long sent =
        std::min(quantity, printing::sentToKitchen(m_app, m_line.number, m_line.dish));
    const std::string& me = m_app.session().currentUser;
    if (!printing::keepKitchenVoid(m_app,
                                   {m_line.number, m_line.table, m_line.dish, m_line.category,
                                    reason, me, m_approver, quantity, sent},
                                   tickets) ||
        !rights::writeTrace(
            data, {rights::traceTime(m_app.desktop().now()), m_line.number, m_line.table, "退菜",
                   m_line.dish, quantity, quantity * m_line.price, reason, me, m_approver, sent}) ||
        !database.commitTransaction()) {
        tickets.clear();
        return undo(kFailed);
    }
    journal.close();
    lines.close();
    return {};
}

}  // namespace tablora::ordering
