#include "board/table_board_window.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "checkout/checkout_window.h"
#include "checkout/split_bill_window.h"
#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "core/shared_lists.h"
#include "ordering/order_window.h"
#include "printing/kitchen.h"
#include "util/date_time.h"

namespace tablora::board {
namespace {

constexpr auto kWarn = ui::Icon::Exclamation;
constexpr int kEsc = 27;
constexpr long long kLongMeal = 120;  // minutes after which a table shows its own colour

}  // namespace

TableBoardWindow::TableBoardWindow(core::AppContext& app)
    : Window(app.desktop(), "TableBoardWindow", "餐台总览", 1024, 630), m_app(app) {
    图块框_餐台.onTouched = [this](int index) { touched(index); };
    图块框_餐台.onMenuAsked = [this](int index) { menuAsked(index); };
    餐台菜单.onEntryClicked = [this](int entry) { menuChosen(entry); };
    时钟_刷新.onTick = [this] { refresh(false); };
    onKeyDown = [this](int key) {
        if (key == kEsc) leavePicking();
    };
    onCloseRequested = [this] { destroy(); };
}

void TableBoardWindow::created() {
    m_app.placeWorkWindow(*this);
    refresh();
}

const OpenOrder* TableBoardWindow::orderAt(const std::string& table) const {
    for (const auto& order : m_orders)
        if (order.table == table) return &order;
    return nullptr;
}

void TableBoardWindow::refresh(bool tell) {
    std::vector<std::string> tables;
    std::vector<std::int64_t> ids;
    std::vector<OpenOrder> orders;
    auto& data = m_app.data();
    if (!core::readColumn(data, data.diningTableCursor, "餐台", tables, ids) ||
        !readOpenOrders(data, orders)) {
        // The board stays as it was rather than showing every table free.
        if (tell) m_app.tellReadFailed();
        return;
    }
    // A party still eating at a table renamed or deleted in the settings stays on the board,
    // under the table name its order keeps, after the tables set up.
    // A bill split off a table ("大厅1号-1") sits right after it.
    const std::vector<std::string> setUp = tables;
    std::set<std::string> gone;
    for (const auto& order : orders) {
        if (std::find(tables.begin(), tables.end(), order.table) != tables.end()) continue;
        const auto dash = order.table.rfind('-');
        const std::string base = dash == std::string::npos ? "" : order.table.substr(0, dash);
        auto at = std::find(tables.begin(), tables.end(), base);
        if (base.empty() || std::find(setUp.begin(), setUp.end(), base) == setUp.end()) {
            tables.push_back(order.table);
            gone.insert(order.table);
            continue;
        }
        while (at + 1 != tables.end() && (at + 1)->starts_with(base + "-") &&
               *(at + 1) < order.table)
            ++at;
        tables.insert(at + 1, order.table);
    }
    m_tables = std::move(tables);
    m_orders = std::move(orders);
    const util::DateTime now = util::fromCalendar(m_app.desktop().now());
    std::vector<ui::Tile> tiles;
    tiles.reserve(m_tables.size());
    for (size_t i = 0; i < m_tables.size(); ++i) {
        const std::string& table = m_tables[i];
        const OpenOrder* order = orderAt(table);
        if (!order) {
            tiles.push_back({table, {"空闲"}, 0});
            continue;
        }
        long long minutes = 0;
        if (const auto opened = util::readDateText(order->time))
            minutes = std::max<long long>(
                0, std::llround((now - util::fromCalendar(*opened)) * 86400.0) / 60);
        tiles.push_back({table,
                         {"就餐中", std::to_string(order->guests) + "人",
                          std::to_string(minutes) + "分钟", std::to_string(order->amount) + "元"},
                         minutes > kLongMeal ? 2 : 1});
        if (gone.count(table)) tiles.back().lines.front() = "就餐中（已删除）";
    }
    图块框_餐台.setTiles(std::move(tiles));
}

void TableBoardWindow::touched(int index) {
    if (m_app.session().permissions.开台 == 0) return;
    const std::string table = m_tables[static_cast<size_t>(index)];
    if (m_picking != Picking::None) {
        picked(table);
        return;
    }
    m_app.openOrderWindow();
    auto* order = m_app.orderWindow();
    if (!order) return;
    if (orderAt(table)) {
        // As choosing the table in 切换台号 and pressing 切换 does.
        order->RefreshOpenTableList("");
        for (int i = 0; i < order->组合框_切换.itemCount(); ++i)
            if (order->组合框_切换.itemText(i) == table) {
                order->组合框_切换.choose(i);
                order->按钮_切换.click();
                return;
            }
        refresh();  // settled or moved meanwhile
        return;
    }
    for (int i = 0; i < order->组合框_餐台.itemCount(); ++i)
        if (order->组合框_餐台.itemText(i) == table) order->组合框_餐台.select(i);
    order->组合框_人数.focus();
}

void TableBoardWindow::menuAsked(int index) {
    const auto& permissions = m_app.session().permissions;
    const bool eating = orderAt(m_tables[static_cast<size_t>(index)]) != nullptr;
    m_menuTile = index;
    餐台菜单.setEntryEnabled(餐台菜单.indexOf("换台"), eating && permissions.开台 != 0);
    餐台菜单.setEntryEnabled(餐台菜单.indexOf("并台"), eating && permissions.开台 != 0);
    餐台菜单.setEntryEnabled(餐台菜单.indexOf("结账"), eating && permissions.结账 != 0);
    餐台菜单.setEntryEnabled(餐台菜单.indexOf("拆单"), eating && permissions.结账 != 0);
    m_app.desktop().popupMenu(餐台菜单);
}

void TableBoardWindow::menuChosen(int entry) {
    if (m_menuTile < 0 || static_cast<size_t>(m_menuTile) >= m_tables.size()) return;
    const OpenOrder* order = orderAt(m_tables[static_cast<size_t>(m_menuTile)]);
    if (!order) return;
    const std::string& chosen = 餐台菜单.entries()[static_cast<size_t>(entry)].text;
    if (chosen == "拆单") {
        if (checkout::splitOrder(m_app, *this, order->number)) {
            if (auto* cash = m_app.checkoutWindow()) cash->RefreshCheckoutWindow();
            if (auto* desk = m_app.orderWindow())
                desk->RefreshOpenTableList(desk->标签_当前操作.text());
            refresh();
        }
        return;
    }
    if (chosen == "结账") {
        m_app.openCheckoutWindow();
        auto* cash = m_app.checkoutWindow();
        if (!cash) return;
        cash->RefreshCheckoutWindow();
        for (int r = 0; r < cash->超级列表框_流水.rowCount(); ++r)
            if (cash->超级列表框_流水.cell(r, 1) == order->number) {
                cash->超级列表框_流水.selectRow(r);
                break;
            }
        return;
    }
    m_from = *order;
    m_picking = chosen == "换台" ? Picking::Move : Picking::Merge;
    标签_提示.setText(m_picking == Picking::Move ? "请点击要换到的空闲餐台"
                                                 : "请点击要并入的就餐餐台");
}

void TableBoardWindow::leavePicking() {
    m_picking = Picking::None;
    标签_提示.setText("");
}

void TableBoardWindow::picked(const std::string& table) {
    const Picking picking = m_picking;
    leavePicking();
    if (table == m_from.table) return;  // the same tile again: nothing to do
    const OpenOrder* there = orderAt(table);
    if (picking == Picking::Move) {
        std::vector<printing::KeptBill> slips;
        const MoveOutcome moved =
            there ? MoveOutcome::TargetTaken : moveOrder(m_app.data(), m_from, table, [&] {
                return printing::keepKitchenSlip(m_app, m_from.number, "转台",
                                                 m_from.table + " → " + table, slips);
            });
        // The kitchen learns where the party went once the move is in the file.
        for (auto& slip : slips)
            if (moved == MoveOutcome::Moved) printing::sendKeptBill(m_app, std::move(slip));
        if (moved == MoveOutcome::TargetTaken) {
            refresh();
            m_app.message("目标餐台已开台，请更换台号！", kWarn);
            return;
        }
        if (moved == MoveOutcome::Failed) {
            refresh();
            m_app.message("换台失败，请检查！", kWarn);
            return;
        }
        OpenOrder kept = m_from;
        kept.table = table;
        afterChange(kept, "");
        return;
    }
    // The other table's order joins the one the merge started from.
    std::vector<printing::KeptBill> slips;
    if (!there || !mergeOrders(m_app.data(), m_from, *there, [&] {
            return printing::keepKitchenSlip(m_app, m_from.number, "并台",
                                             there->table + " → " + m_from.table, slips) &&
                   core::carryAdjustments(m_app.data(), there->number, m_from.number);
        })) {
        refresh();
        m_app.message("并台失败，请检查！", kWarn);
        return;
    }
    for (auto& slip : slips) printing::sendKeptBill(m_app, std::move(slip));
    afterChange(m_from, there->number);
}

void TableBoardWindow::afterChange(const OpenOrder& kept, const std::string& gone) {
    if (auto* order = m_app.orderWindow()) {
        const std::string current = order->标签_单号.text();
        if (!gone.empty() && current == gone) {
            order->clearCurrentOrder();
        } else if (current == kept.number) {
            // The order window follows its order to the new table, with the lines it now has.
            order->标签_当前操作.setText(kept.table);
            order->RefreshOpenTableList(kept.table);
            order->switchTable();
        } else {
            order->RefreshOpenTableList(order->标签_当前操作.text());
        }
    }
    if (auto* cash = m_app.checkoutWindow()) cash->RefreshCheckoutWindow();
    refresh();
}

}  // namespace tablora::board
