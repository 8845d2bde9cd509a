#include "checkout/split_bill_window.h"

#include <climits>
#include <map>
#include <set>

#include "checkout/discount_window.h"
#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "core/dish_notes.h"
#include "data/sqlite_table.h"
#include "rights/authorize_window.h"
#include "rights/trace.h"
#include "util/date_time.h"
#include "util/text.h"

namespace tablora::checkout {
namespace {

constexpr ui::Icon kWarn = ui::Icon::Exclamation;
constexpr const char* kChanged = "该单已结账或已被修改，请刷新后重试！";
constexpr double kOneSecond = 1.0 / 86400.0;

// The new order's number: the clock's second, the next free one when taken.
std::string freeNumber(data::SqliteTable& journal, const util::CalendarTime& now) {
    util::DateTime moment = util::fromCalendar(now);
    auto text = [&] {
        return util::FormatDateTime(moment, util::Compact, util::DateAndTime, util::TwentyFourHour);
    };
    std::string number = text();
    while (!journal.findAll("单号", number).empty()) {
        moment += kOneSecond;
        number = text();
    }
    return number;
}

// "大厅1号-1", "-2", …: the first no unpaid order sits at (the unpaid ones are few and
// indexed; the table names of years of orders are not).
std::string freeTable(data::SqliteTable& journal, const std::string& table) {
    std::set<std::string> taken;
    for (int r : journal.findAll("状态", 0))
        if (journal.moveTo(r)) taken.insert(journal.readText("台号"));
    for (int n = 1;; ++n) {
        const std::string name = table + "-" + std::to_string(n);
        if (!taken.count(name)) return name;
    }
}

// Moves `count` of a dish's sent quantity (or comped quantity) from one order to the other:
// one record a dish, so the kitchen sees neither a void nor a new dish.
bool moveSent(data::DataContext& data, const std::string& from, const std::string& to,
              const SplitLine& line) {
    const data::CursorUse use(data, data.sentCursor);
    data::SqliteTable& sent = *use;
    if (!sent.isOpen()) return true;  // a file without printing
    for (int n : sent.findAll("单号", from)) {
        if (!sent.moveTo(n) || sent.readText("菜品") != line.dish) continue;
        const long long had = sent.readInt("数量");
        const long long moved = std::min(had, line.moved);
        if (moved == 0) return true;
        if (!sent.edit() || !sent.write("数量", static_cast<std::int64_t>(had - moved)) ||
            !sent.update())
            return false;
        return sent.addNew() && sent.write("单号", to) && sent.write("菜品", line.dish) &&
               sent.write("分类", line.category) &&
               sent.write("数量", static_cast<std::int64_t>(moved)) && sent.update();
    }
    return !sent.readFailed();
}

bool moveAdjustments(data::DataContext& data, const std::string& from, const std::string& to,
                     const SplitLine& line, const std::vector<core::Adjustment>& kept) {
    long long comped = 0;
    const core::Adjustment* first = nullptr;
    const core::Adjustment* rate = nullptr;
    for (const auto& a : kept) {
        if (a.dish != line.dish) continue;
        if (a.type == "赠送") {
            comped += a.quantity;
            if (!first) first = &a;
        }
        if (a.type == "单品折扣") rate = &a;
    }
    const long long moved = std::min(comped, line.moved);
    bool ok = true;
    if (moved > 0) {
        core::Adjustment stays = *first, goes = *first;
        stays.quantity = comped - moved;
        stays.amount = -stays.quantity * line.price;
        goes.quantity = moved;
        goes.amount = -moved * line.price;
        ok = core::removeAdjustments(data, from, "赠送", line.dish) &&
             (stays.quantity == 0 || core::addAdjustment(data, from, stays)) &&
             core::addAdjustment(data, to, goes);
    }
    // A line discount is the dish's, on both bills.
    if (ok && rate) ok = core::addAdjustment(data, to, *rate);
    if (ok && rate && line.moved == line.quantity)
        ok = core::removeAdjustments(data, from, "单品折扣", line.dish);
    return ok;
}

}  // namespace

SplitBillWindow::SplitBillWindow(core::AppContext& app, std::string number, std::string table,
                                 long long lines, std::vector<SplitLine> items)
    : Window(app.desktop(), "SplitBillWindow", "拆单", 720, 444),
      m_app(app),
      m_number(std::move(number)),
      m_table(std::move(table)),
      m_lines(lines),
      m_items(std::move(items)) {
    透明标签1.setText("原单：" + m_table);
    编辑框_移动数量.setText("1");
    按钮_移入.onClick = [this] { move(true); };
    按钮_移回.onClick = [this] { move(false); };
    按钮_确定.onClick = [this] { confirm(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    closeOnEscape();
    showLists();
}

void SplitBillWindow::move(bool intoNew) {
    ui::ReportList& list = intoNew ? 超级列表框_原单 : 超级列表框_新单;
    const int row = list.currentRow();
    if (row < 0) {
        m_app.message("请在列表内选中要操作的菜品项目！", kWarn);
        return;
    }
    const std::string dish = list.cell(row, 0);
    for (SplitLine& line : m_items) {
        if (line.dish != dish) continue;
        const long long most = intoNew ? line.quantity - line.moved : line.moved;
        const auto count = util::wholeNumberIn(编辑框_移动数量.text(), 1, INT_MAX);
        if (!count || *count > most) {
            m_app.message("移动数量应在1到" + std::to_string(most) + "之间！", kWarn);
            return;
        }
        line.moved += intoNew ? *count : -*count;
    }
    showLists();
}

void SplitBillWindow::showLists() {
    ui::ReportRows stays = 超级列表框_原单.newRows(), goes = 超级列表框_新单.newRows();
    long long stayAmount = 0, goAmount = 0;
    for (const SplitLine& line : m_items) {
        if (line.quantity > line.moved)
            stays.addRow({line.dish, std::to_string(line.price),
                          std::to_string(line.quantity - line.moved)});
        if (line.moved > 0)
            goes.addRow({line.dish, std::to_string(line.price), std::to_string(line.moved)});
        stayAmount += (line.quantity - line.moved) * line.price;
        goAmount += line.moved * line.price;
    }
    超级列表框_原单.setRows(std::move(stays));
    超级列表框_新单.setRows(std::move(goes));
    标签_原单金额.setText("原单金额：" + std::to_string(stayAmount) + "元");
    标签_新单金额.setText("新单金额：" + std::to_string(goAmount) + "元");
}

void SplitBillWindow::confirm() {
    bool any = false, all = true;
    for (const SplitLine& line : m_items) {
        any = any || line.moved > 0;
        all = all && line.moved == line.quantity;
    }
    if (!any) return m_app.message("请选择要拆出的菜品！", kWarn);
    if (all) return m_app.message("不能拆出全部菜品，如需换台请使用换台！", kWarn);
    const std::string table = write();
    if (table.empty()) return;
    m_app.message("拆单成功！新账单：" + table, ui::Icon::Information);
    destroy();
}

std::string SplitBillWindow::write() {
    auto& data = m_app.data();
    const auto fail = [&](const char* text) {
        data.database.rollbackTransaction();
        data.journalCursor.close();
        data.detailCursor.close();
        m_app.message(text, kWarn);
        return std::string();
    };
    if (!data.database.beginTransaction()) return fail("拆单失败，请检查！");
    if (!orderAsShown(data, m_number, m_lines)) {
        m_changed = true;
        fail(kChanged);
        destroy();
        return {};
    }
    // The lines must still be what the window was opened on.
    auto& lines = data.openOnDemand(data.detailCursor);
    std::map<std::string, std::pair<std::int64_t, long long>> stored;  // dish: rowid, quantity
    for (int n : lines.findAll("单号", m_number))
        if (lines.moveTo(n))
            stored[lines.readText("菜品")] = {lines.rowid(), lines.readInt("数量")};
    for (const SplitLine& line : m_items) {
        const auto found = stored.find(line.dish);
        if (found == stored.end() || found->second.second != line.quantity) {
            m_changed = true;
            fail(kChanged);
            destroy();
            return {};
        }
    }
    std::vector<core::Adjustment> kept;
    if (lines.readFailed() || !core::readAdjustments(data, m_number, kept))
        return fail("拆单失败，请检查！");
    auto& journal = data.openOnDemand(data.journalCursor);
    const std::string number = freeNumber(journal, m_app.desktop().now());
    const std::string table = freeTable(journal, m_table);
    long long stayTotal = 0, goTotal = 0;
    bool ok = !journal.readFailed();
    const auto notes = core::readDishNotes(data, m_number);
    for (const SplitLine& line : m_items) {
        const long long stays = line.quantity - line.moved;
        stayTotal += stays * line.price;
        goTotal += line.moved * line.price;
        if (!ok || line.moved == 0) continue;
        ok = lines.moveToRowid(stored[line.dish].first);
        if (ok && stays == 0)
            ok = lines.deleteCurrent();
        else if (ok)
            ok = lines.edit() && lines.write("数量", static_cast<std::int64_t>(stays)) &&
                 lines.write("金额", static_cast<std::int64_t>(stays * line.price)) &&
                 lines.update();
        ok = ok && lines.addNew() && lines.write("单号", number) &&
             lines.write("菜品", line.dish) &&
             lines.write("单价", static_cast<std::int64_t>(line.price)) &&
             lines.write("数量", static_cast<std::int64_t>(line.moved)) &&
             lines.write("金额", static_cast<std::int64_t>(line.moved * line.price)) &&
             lines.write("分类", line.category) && lines.update();
        ok = ok && moveSent(data, m_number, number, line) &&
             moveAdjustments(data, m_number, number, line, kept);
        // The note goes with the dish, and stays with what is left of it.
        const auto note = notes.find(line.dish);
        if (ok && note != notes.end()) {
            ok = core::writeDishNote(data, number, line.dish, note->second.note) &&
                 core::markNoteSent(data, number, line.dish, note->second.sent);
            if (ok && stays == 0) ok = core::deleteDishNotes(data, m_number, line.dish);
        }
    }
    // The party: one guest moves to the new bill, at least one stays.
    long long guests = 1;
    for (int n : journal.findAll("单号", m_number))
        if (ok && journal.moveTo(n)) {
            guests = journal.readInt("人数");
            ok = journal.edit() &&
                 journal.write("人数", static_cast<std::int64_t>(std::max(1LL, guests - 1))) &&
                 journal.write("金额", static_cast<std::int64_t>(stayTotal)) && journal.update();
        }
    const std::string openedAt = util::dateText(m_app.desktop().now());
    ok = ok && journal.addNew() && journal.write("单号", number) &&
         journal.write("时间", openedAt) && journal.write("台号", table) &&
         journal.write("人数", 1) && journal.write("金额", static_cast<std::int64_t>(goTotal)) &&
         journal.write("状态", 0) && journal.write("操作", m_app.shownUserName()) &&
         journal.write("备注", "") && journal.update();
    const std::string& me = m_app.session().currentUser;
    ok =
        ok && rights::writeTrace(data, {rights::traceTime(m_app.desktop().now()), m_number, m_table,
                                        "拆单", table, 0, goTotal, "", me, m_approver, 0});
    journal.close();
    lines.close();
    if (!ok || !data.database.commitTransaction()) return fail("拆单失败，请检查！");
    m_changed = true;
    return table;
}

bool splitOrder(core::AppContext& app, ui::Window& owner, const std::string& number) {
    auto& data = app.data();
    std::string table;
    long long lines = 0;
    auto& journal = data.openOnDemand(data.journalCursor);
    for (int n : journal.findAll("单号", number))
        if (journal.moveTo(n) && journal.readInt("状态") == 0) {
            table = journal.readText("台号");
            lines = journal.readInt("金额");
        }
    journal.close();
    std::vector<SplitLine> items;
    auto& detail = data.openOnDemand(data.detailCursor);
    for (int n : detail.findAll("单号", number))
        if (detail.moveTo(n))
            items.push_back({detail.readText("菜品"), detail.readText("分类"),
                             detail.readInt("单价"), detail.readInt("数量"), 0});
    detail.close();
    if (table.empty()) {
        app.message(kChanged, kWarn);
        return true;
    }
    const rights::Approval approval = rights::askApproval(app, owner, "拆单");
    if (!approval.granted) return false;
    SplitBillWindow window(app, number, table, lines, std::move(items));
    window.setApprover(approval.approver);
    app.showDialog(window, owner);
    return window.changed();
}

}  // namespace tablora::checkout
