#include "checkout/discount_window.h"

#include <climits>

#include "core/app_context.h"
#include "data/sqlite_table.h"
#include "rights/authorize_window.h"
#include "rights/extra_rights.h"
#include "rights/trace.h"
#include "util/text.h"

namespace tablora::checkout {
namespace {

constexpr const char* kChanged = "该单已结账或已被修改，请刷新后重试！";
constexpr const char* kBadRate = "折扣应在1折到9.9折之间（如8.8折输入88或8.8）！";

std::optional<int> rateIn(const std::string& text) {
    if (text.empty() || text == "不打折") return 100;
    return core::parseRate(text);
}

void offerRates(ui::ComboBox& box, int current) {
    for (const char* rate : {"不打折", "9.5折", "9折", "8.8折", "8.5折", "8折", "7折"})
        box.addItem(rate);
    box.select(0);
    if (current < 100) box.type(core::rateText(current));
}

}  // namespace

bool orderAsShown(data::DataContext& data, const std::string& number, long long lines) {
    bool same = false;
    auto& journal = data.openOnDemand(data.journalCursor);
    for (int n : journal.findAll("单号", number))
        same =
            journal.moveTo(n) && journal.readInt("状态") == 0 && journal.readInt("金额") == lines;
    journal.close();
    return same;
}

DiscountWindow::DiscountWindow(core::AppContext& app, DiscountOrder order, core::OrderBill bill)
    : Window(app.desktop(), "DiscountWindow", "优惠", 540, 474),
      m_app(app),
      m_order(std::move(order)),
      m_bill(std::move(bill)) {
    offerRates(组合框_折扣, m_bill.terms.wholeRate);
    for (auto& reason : rights::reasonsFor(app.data().database, "折扣"))
        组合框_折扣原因.addItem(reason);
    for (const auto& a : m_bill.kept)
        if (a.type == "整单折扣") 组合框_折扣原因.type(a.reason);
    const auto own = m_bill.terms.lineRates.find(m_order.dish);
    offerRates(组合框_单品折扣, own == m_bill.terms.lineRates.end() ? 100 : own->second);
    标签_单品.setText(m_order.dish.empty() ? "单品：（未选择菜品）" : "单品：" + m_order.dish);
    组合框_单品折扣.setEnabled(!m_order.dish.empty());
    for (const char* way : {"不抹零", "抹个位", "输入金额"}) 组合框_抹零.addItem(way);
    组合框_抹零.select(m_order.roundOff > 0 ? 2 : 0);
    if (m_order.roundOff > 0) 编辑框_抹零.setText(std::to_string(m_order.roundOff));
    编辑框_抹零.setEnabled(m_order.roundOff > 0);
    选择框_免服务费.addItem("免服务费");
    选择框_免服务费.setTicked(0, m_bill.terms.serviceWaived);
    for (ui::ComboBox* box : {&组合框_折扣, &组合框_单品折扣}) {
        box->onSelectionChanged = [this] { preview(); };
        box->onTyped = [this] { preview(); };
    }
    组合框_抹零.onSelectionChanged = [this] {
        编辑框_抹零.setEnabled(组合框_抹零.selectedIndex() == 2);
        preview();
    };
    编辑框_抹零.onTyped = [this] { preview(); };
    选择框_免服务费.onTickChanged = [this](int) { preview(); };
    按钮_确定.onClick = [this] { confirm(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
    setInitialFocus(&组合框_折扣);
    preview();
}

core::BillTerms DiscountWindow::termsWith(const Chosen& chosen, long long roundOff) const {
    core::BillTerms terms = m_bill.terms;
    terms.wholeRate = chosen.wholeRate;
    if (!m_order.dish.empty()) terms.lineRates.erase(m_order.dish);
    if (chosen.lineRate < 100) terms.lineRates[m_order.dish] = chosen.lineRate;
    terms.serviceWaived = chosen.waived;
    terms.roundOff = roundOff;
    return terms;
}

std::optional<DiscountWindow::Chosen> DiscountWindow::read(bool tell) {
    const auto warn = [&](const std::string& text) {
        if (tell) m_app.message(text, ui::Icon::Exclamation);
        return std::nullopt;
    };
    Chosen chosen;
    const auto whole = rateIn(组合框_折扣.text());
    const auto line =
        m_order.dish.empty() ? std::optional<int>(100) : rateIn(组合框_单品折扣.text());
    if (!whole || !line) return warn(kBadRate);
    chosen.wholeRate = *whole;
    chosen.lineRate = *line;
    chosen.waived = 选择框_免服务费.ticked(0);
    const core::BillTerms terms = termsWith(chosen, 0);
    const auto figures = core::reckonBill(m_order.lines, m_bill.items, terms);
    if (!figures) return warn("金额超出范围，请检查！");
    const long long total = figures->beforeRoundOff;
    if (组合框_抹零.selectedIndex() == 1) chosen.roundOff = total % 10;
    if (组合框_抹零.selectedIndex() == 2) {
        const auto typed = util::wholeNumberIn(编辑框_抹零.text(), 0, INT_MAX);
        if (!typed) return warn("抹零金额必须小于应收金额！");
        chosen.roundOff = *typed;
    }
    if (chosen.roundOff > 0 && chosen.roundOff >= total) return warn("抹零金额必须小于应收金额！");
    if (chosen.wholeRate < 100 && chosen.wholeRate != m_bill.terms.wholeRate &&
        figures->discountable <= 0)
        return warn("该单没有可打折的菜品！");
    return chosen;
}

void DiscountWindow::preview() {
    const auto chosen = read(false);
    ui::ReportRows rows = 超级列表框_调整.newRows();
    if (!chosen) {
        超级列表框_调整.setRows(std::move(rows));
        标签_应收.setText("应收：—");
        return;
    }
    core::OrderBill bill = m_bill;
    bill.terms = termsWith(*chosen, chosen->roundOff);
    // The rows as the bill would keep them: the rates decided here stand in for the kept ones.
    std::erase_if(bill.kept, [](const core::Adjustment& a) {
        return a.type == "整单折扣" || a.type == "单品折扣" || a.type == "服务费";
    });
    for (const auto& [dish, rate] : bill.terms.lineRates)
        bill.kept.push_back({"单品折扣", dish, 0, rate, 0, "", "", "", ""});
    if (bill.terms.wholeRate < 100)
        bill.kept.push_back({"整单折扣", "", 0, bill.terms.wholeRate, 0, "", "", "", ""});
    if (chosen->waived) bill.kept.push_back({"服务费", "", 0, 0, 0, "免服务费", "", "", ""});
    const auto figures = core::reckonBill(m_order.lines, bill.items, bill.terms);
    if (!figures) return;
    bill.figures = *figures;
    for (const auto& [text, amount] : core::adjustmentLines(bill)) {
        const auto space = text.find(' ');
        rows.addRow({text.substr(0, space),
                     space == std::string::npos ? "" : text.substr(space + 1),
                     std::to_string(amount)});
    }
    超级列表框_调整.setRows(std::move(rows));
    标签_应收.setText("应收：" + std::to_string(figures->due) + "元");
}

void DiscountWindow::confirm() {
    const auto chosen = read(true);
    if (!chosen) return;
    auto& database = m_app.data().database;
    rights::ExtraRights mine;
    rights::readExtraRights(database, m_app.session().currentUser, mine);
    const auto own = m_bill.terms.lineRates.find(m_order.dish);
    const int lineBefore = own == m_bill.terms.lineRates.end() ? 100 : own->second;
    int lowest = 100;
    if (chosen->wholeRate < 100 && chosen->wholeRate != m_bill.terms.wholeRate)
        lowest = chosen->wholeRate;
    if (chosen->lineRate < 100 && chosen->lineRate != lineBefore)
        lowest = std::min(lowest, chosen->lineRate);
    std::string approver;
    if (lowest < 100 || chosen->roundOff > 0) {
        std::string beyond;
        if (mine.折扣 == 0)
            beyond = {};
        else if (lowest < 100 && mine.最低折扣 > 0 && lowest < mine.最低折扣)
            beyond = "您的最低折扣为" + core::rateText(mine.最低折扣) + "，需要授权！";
        else if (mine.抹零上限 > 0 && chosen->roundOff > mine.抹零上限)
            beyond = "您的抹零上限为" + std::to_string(mine.抹零上限) + "元，需要授权！";
        if (mine.折扣 == 0 || !beyond.empty()) {
            const auto approval = rights::askApproval(m_app, *this, "折扣", beyond);
            if (!approval.granted) return;
            approver = approval.approver;
        }
    }
    if (chosen->waived && !m_bill.terms.serviceWaived) {
        const auto approval = rights::askApproval(m_app, *this, "免服务费");
        if (!approval.granted) return;
        if (approver.empty()) approver = approval.approver;
    }
    if (!write(*chosen, approver)) return;
    m_choice.done = true;
    m_choice.roundOff = chosen->roundOff;
    destroy();
}

bool DiscountWindow::write(const Chosen& chosen, const std::string& approver) {
    auto& data = m_app.data();
    const auto fail = [&](const char* text) {
        data.database.rollbackTransaction();
        m_app.message(text, ui::Icon::Exclamation);
        return false;
    };
    if (!data.database.beginTransaction()) return fail("优惠设置失败，请检查！");
    if (!orderAsShown(data, m_order.number, m_order.lines)) {
        fail(kChanged);
        m_choice.done = m_choice.linesChanged = true;
        destroy();
        return false;
    }
    const std::string time = rights::traceTime(m_app.desktop().now());
    const std::string& me = m_app.session().currentUser;
    const std::string reason = rights::plainText(组合框_折扣原因.text());
    const core::BillTerms terms = termsWith(chosen, 0);
    const auto figures = core::reckonBill(m_order.lines, m_bill.items, terms);
    if (!figures) return fail("优惠设置失败，请检查！");
    bool ok = core::removeAdjustments(data, m_order.number, "整单折扣") &&
              core::removeAdjustments(data, m_order.number, "服务费");
    if (!m_order.dish.empty())
        ok = ok && core::removeAdjustments(data, m_order.number, "单品折扣", m_order.dish);
    const auto lineOff = figures->lineDiscountOf.find(m_order.dish);
    if (ok && chosen.lineRate < 100)
        ok = core::addAdjustment(data, m_order.number,
                                 {"单品折扣", m_order.dish, 0, chosen.lineRate,
                                  lineOff == figures->lineDiscountOf.end() ? 0 : lineOff->second,
                                  reason, me, approver, time});
    if (ok && chosen.wholeRate < 100)
        ok = core::addAdjustment(data, m_order.number,
                                 {"整单折扣", "", 0, chosen.wholeRate, figures->wholeDiscount,
                                  reason, me, approver, time});
    if (ok && chosen.waived)
        ok = core::addAdjustment(data, m_order.number,
                                 {"服务费", "", 0, 0, 0, "免服务费", me, approver, time});
    // The trace: what was taken off and who allowed it.
    const long long off = -(figures->lineDiscounts + figures->wholeDiscount);
    if (ok && (chosen.wholeRate < 100 || chosen.lineRate < 100))
        ok = rights::writeTrace(
            data, {time, m_order.number, m_order.table, "折扣",
                   chosen.lineRate < 100 ? m_order.dish : "", 0, off, reason, me, approver, 0});
    if (ok && chosen.waived && !m_bill.terms.serviceWaived)
        ok = rights::writeTrace(data, {time, m_order.number, m_order.table, "免服务费", "", 0, 0,
                                       reason, me, approver, 0});
    if (!ok || !data.database.commitTransaction()) return fail("优惠设置失败，请检查！");
    m_app.message("优惠设置成功！", ui::Icon::Information);
    return true;
}

DiscountChoice chooseDiscount(core::AppContext& app, ui::Window& owner,
                              const DiscountOrder& order) {
    auto bill = core::readBill(app.data(), order.number, order.table, order.lines, 0);
    if (!bill) {
        app.tellReadFailed();
        return {};
    }
    DiscountWindow window(app, order, std::move(*bill));
    app.showDialog(window, owner);
    return window.choice();
}

}  // namespace tablora::checkout
