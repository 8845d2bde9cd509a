#include "rights/gift_window.h"

#include <climits>

#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "data/sqlite_table.h"
#include "rights/authorize_window.h"
#include "rights/trace.h"
#include "util/text.h"

namespace tablora::rights {
namespace {

constexpr const char* kChanged = "该单已结账或已被修改，请刷新后重试！";

// Inside the caller's transaction: the order is still unpaid and its line as the person saw it.
bool lineAsShown(core::AppContext& app, const GiftLine& line) {
    auto& data = app.data();
    bool open = false, same = false;
    auto& journal = data.openOnDemand(data.journalCursor);
    for (int n : journal.findAll("单号", line.number))
        open = journal.moveTo(n) && journal.readInt("状态") == 0;
    journal.close();
    auto& lines = data.openOnDemand(data.detailCursor);
    for (int n : open ? lines.findAll("单号", line.number) : std::vector<int>{})
        if (lines.moveTo(n) && lines.readText("菜品") == line.dish)
            same = lines.readInt("数量") == line.quantity && lines.readInt("单价") == line.price;
    lines.close();
    return same;
}

}  // namespace

GiftWindow::GiftWindow(core::AppContext& app, GiftLine line, std::string approver)
    : Window(app.desktop(), "GiftWindow", "赠送", 360, 230),
      m_app(app),
      m_line(std::move(line)),
      m_approver(std::move(approver)) {
    标签_菜品.setText("菜品：" + m_line.dish);
    标签_可赠.setText("已点" + std::to_string(m_line.quantity) + "份，已赠送" +
                      std::to_string(m_line.comped) + "份");
    编辑框_赠送数量.setText("1");
    for (auto& reason : reasonsFor(app.data().database, "赠送")) 组合框_原因.addItem(reason);
    setInitialFocus(&编辑框_赠送数量);
    按钮_确定.onClick = [this] { confirm(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
}

void GiftWindow::confirm() {
    const auto warn = [this](const std::string& text) {
        m_app.message(text, ui::Icon::Exclamation);
    };
    const long long most = m_line.quantity - m_line.comped;
    const auto quantity = util::wholeNumberIn(编辑框_赠送数量.text(), 1, INT_MAX);
    if (!quantity || *quantity > most)
        return warn("赠送数量应在1到" + std::to_string(most) + "之间！");
    const std::string reason = plainText(组合框_原因.text());
    if (reason.empty()) return warn("请选择或输入赠送原因！");
    if (util::characterCount(reason) > 40) return warn("赠送原因不能超过40个字！");
    auto& data = m_app.data();
    if (!data.database.beginTransaction()) return warn("赠送失败，请检查！");
    if (!lineAsShown(m_app, m_line)) {
        data.database.rollbackTransaction();
        m_orderChanged = true;
        warn(kChanged);
        destroy();
        return;
    }
    const std::string time = traceTime(m_app.desktop().now());
    const std::string& me = m_app.session().currentUser;
    const long long amount = *quantity * m_line.price;
    if (!core::addAdjustment(
            data, m_line.number,
            {"赠送", m_line.dish, *quantity, 0, -amount, reason, me, m_approver, time}) ||
        !writeTrace(data, {time, m_line.number, m_line.table, "赠送", m_line.dish, *quantity,
                           amount, reason, me, m_approver, 0}) ||
        !data.database.commitTransaction()) {
        data.database.rollbackTransaction();
        return warn("赠送失败，请检查！");
    }
    m_orderChanged = true;
    m_app.message("赠送成功！", ui::Icon::Information);
    destroy();
}

bool giveOrTakeBack(core::AppContext& app, ui::Window& owner, const GiftLine& line) {
    if (line.comped > 0) {
        if (app.desktop().messageBox(
                line.dish + "已赠送" + std::to_string(line.comped) + "份，是否取消赠送？", "信息：",
                ui::Icon::Question, ui::Buttons::YesNo) != ui::Answer::Yes)
            return false;
        auto& data = app.data();
        const bool began = data.database.beginTransaction();
        if (began && !lineAsShown(app, line)) {
            data.database.rollbackTransaction();
            app.message(kChanged, ui::Icon::Exclamation);
            return true;
        }
        if (!began || !core::removeAdjustments(data, line.number, "赠送", line.dish) ||
            !writeTrace(data, {traceTime(app.desktop().now()), line.number, line.table, "取消赠送",
                               line.dish, line.comped, line.comped * line.price, "",
                               app.session().currentUser, "", 0}) ||
            !data.database.commitTransaction()) {
            data.database.rollbackTransaction();
            app.message("取消赠送失败，请检查！", ui::Icon::Exclamation);
            return false;
        }
        return true;
    }
    const Approval approval = askApproval(app, owner, "赠送");
    if (!approval.granted) return false;
    GiftWindow window(app, line, approval.approver);
    app.showDialog(window, owner);
    return window.orderChanged();
}

bool keepsWhatIsComped(core::AppContext& app, const std::string& number, const std::string& dish,
                       long long left) {
    std::vector<core::Adjustment> adjustments;
    core::readAdjustments(app.data(), number, adjustments);
    const auto comped = core::compedDishes(adjustments);
    const auto found = comped.find(dish);
    if (found == comped.end() || left >= found->second) return true;
    app.message("该菜品已赠送" + std::to_string(found->second) + "份，请先取消赠送！",
                ui::Icon::Exclamation);
    return false;
}

}  // namespace tablora::rights
