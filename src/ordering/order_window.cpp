#include "ordering/order_window.h"

#include <algorithm>
#include <climits>

#include "checkout/checkout_window.h"
#include "core/app_context.h"
#include "core/bill_adjustments.h"
#include "core/dish_initials.h"
#include "core/dish_notes.h"
#include "core/shared_lists.h"
#include "ordering/number_pad_window.h"
#include "ordering/taste_window.h"
#include "ordering/void_dish_window.h"
#include "rights/authorize_window.h"
#include "rights/gift_window.h"
#include "rights/trace.h"
#include "util/date_time.h"
#include "util/initials.h"
#include "util/text.h"

namespace tablora::ordering {

using util::numberText;
using util::wholeNumber;

namespace {

constexpr ui::Icon kWarn = ui::Icon::Exclamation;
constexpr double kOneSecond = 1.0 / 86400.0;

}  // namespace

OrderWindow::OrderWindow(core::AppContext& app)
    : Window(app.desktop(), "OrderWindow", "", 1024, 630), m_app(app) {
    标签_总金额.setMoney(true);
    for (int i = 1; i <= 20; ++i) 组合框_人数.addItem(std::to_string(i));
    按钮_开台.onClick = [this] { openTable(); };
    卷帘式菜单_点菜.onItemClicked = [this](int group, int item) { addDish(group, item); };
    按钮_数量加.onClick = [this] { changeQuantity(+1); };
    按钮_数量减.onClick = [this] { changeQuantity(-1); };
    按钮_删除.onClick = [this] { deleteLine(); };
    按钮_切换.onClick = [this] { switchTable(); };
    按钮_送厨.onClick = [this] { sendToKitchen(); };
    按钮_退菜.onClick = [this] { voidDish(); };
    按钮_数量.onClick = [this] { typeQuantity(); };
    按钮_口味.onClick = [this] { noteDish(); };
    按钮_赠送.onClick = [this] { giftDish(); };
    超级列表框_点菜.onCurrentRowChanged = [this] { showNote(); };
    列表框_检索.setVisible(false);
    编辑框_检索.onTyped = [this] { showMatches(); };
    编辑框_检索.onKeyDown = [this](int key) {
        if (key == ui::EditBox::kEnter && !m_matches.empty())
            addMatch(std::max(0, 列表框_检索.selectedIndex()));
        if (key == kEscape) {
            编辑框_检索.setText("");
            showMatches();
        }
    };
    列表框_检索.onSelectionChanged = [this] { addMatch(列表框_检索.selectedIndex()); };
    // At the keyboard "+", "-" and Delete act on the selected line like the three buttons.
    超级列表框_点菜.onKeyDown = [this](int key) {
        if (key == '+' && 按钮_数量加.enabled()) changeQuantity(+1);
        if (key == '-' && 按钮_数量减.enabled()) changeQuantity(-1);
        if (key == ui::ReportList::kDelete && 按钮_删除.enabled()) deleteLine();
    };
}

void OrderWindow::created() {
    m_app.placeWorkWindow(*this);
    applyPermission(m_app.session().permissions);
    RefreshOrderTableList();
    RefreshOrderMenuGroups();
    RefreshOrderMenuDishes();
    RefreshOpenTableList("");
}

void OrderWindow::applyPermission(const core::PermissionSet& permissions) {
    按钮_开台.setEnabled(permissions.开台 != 0);
    按钮_送厨.setEnabled(permissions.开台 != 0);
    按钮_退菜.setEnabled(permissions.开台 != 0);
    按钮_数量.setEnabled(permissions.开台 != 0);
    按钮_口味.setEnabled(permissions.开台 != 0);
    按钮_赠送.setEnabled(permissions.开台 != 0);
}

void OrderWindow::RefreshOrderTableList() {
    if (!core::fillTableNames(组合框_餐台, m_app.data())) m_app.tellReadFailed();
}

void OrderWindow::RefreshOrderMenuGroups() {
    if (!core::fillMenuGroups(卷帘式菜单_点菜, m_app.data())) m_app.tellReadFailed();
}

void OrderWindow::RefreshOrderMenuDishes() {
    if (!core::fillMenuDishes(卷帘式菜单_点菜, m_app.data())) m_app.tellReadFailed();
}

void OrderWindow::RefreshOpenTableList(const std::string& select) {
    std::vector<std::string> open;
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    data::forEachMatch(journal, "状态", 0, [&](data::SqliteTable&) {
        open.push_back(journal.readText("台号"));
        return false;
    });
    const bool read = !journal.readFailed();
    journal.close();
    if (!read) {
        m_app.tellReadFailed();
        return;
    }
    组合框_切换.clear();
    for (auto& table : open) 组合框_切换.addItem(std::move(table));
    if (select.empty()) return;
    for (int i = 0; i < 组合框_切换.itemCount(); ++i) {
        if (组合框_切换.itemText(i) == select) {
            组合框_切换.select(i);
            标签_当前操作.setText(组合框_切换.text());
            return;
        }
    }
}

void OrderWindow::openTable() {
    const std::string table = 组合框_餐台.text();
    if (table.empty()) {
        m_app.message("请选择预开台号！", kWarn);
        return;
    }
    const std::string guests = 组合框_人数.text();
    // A party is at least one guest; a negative count would be stored as if it were one.
    if (guests.empty() || wholeNumber(guests) < 1) {
        m_app.message("请正确输入人数！", kWarn);
        return;
    }
    for (const auto& open : 组合框_切换.items()) {
        if (open == table) {
            m_app.message("您要开的台号已开或未结账，请更换台号！", kWarn);
            return;
        }
    }

    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    // Order numbers are the opening second; two openings in one second must not share one,
    // since the number is all that ties an order to its lines. Take the next free second.
    // Only the number moves on: 时间 stays what the clock said.
    auto used = [&journal](const std::string& n) { return !journal.findAll("单号", n).empty(); };
    const util::CalendarTime now = m_app.desktop().now();
    util::DateTime moment = util::fromCalendar(now);
    std::string number =
        util::FormatDateTime(moment, util::Compact, util::DateAndTime, util::TwentyFourHour);
    while (used(number)) {
        moment += kOneSecond;
        number =
            util::FormatDateTime(moment, util::Compact, util::DateAndTime, util::TwentyFourHour);
    }
    // A number that could not be looked up might be taken: no order is opened on it.
    if (journal.readFailed()) {
        journal.close();
        m_app.message("开台失败，请检查！", kWarn);
        return;
    }
    const std::string openedAt = util::dateText(now);

    journal.addNew();
    journal.write("单号", number);
    journal.write("时间", openedAt);
    journal.write("台号", table);
    journal.write("人数", wholeNumber(guests));
    journal.write("金额", 0);
    journal.write("状态", 0);
    journal.write("操作", m_app.shownUserName());
    journal.write("备注", "");
    // The number becomes the current order only once its record exists: a number never
    // written would collect dishes that belong to no order.
    if (!journal.update()) {
        m_app.message("开台失败，请检查！", kWarn);
        return;
    }
    标签_单号.setText(number);
    m_app.message("开台成功！", ui::Icon::Information);
    journal.close();
    RefreshOpenTableList(table);
    标签_人数.setText(guests);
    组合框_餐台.select(-1);
    组合框_人数.select(-1);
    超级列表框_点菜.clearRows();
    标签_开台时间.setText(openedAt);
    标签_菜品总数.setText("0");
    标签_总金额.setText("0");
    refreshKitchenWaiting();
    m_app.refreshBoard();
}

printing::KitchenOrder OrderWindow::shownOrder() const {
    printing::KitchenOrder order{标签_单号.text(), 标签_当前操作.text(), 标签_人数.text(), {}};
    for (int r = 0; r < 超级列表框_点菜.rowCount(); ++r)
        order.lines.push_back({超级列表框_点菜.cell(r, 菜品名称), 超级列表框_点菜.cell(r, 菜品分类),
                               wholeNumber(超级列表框_点菜.cellView(r, 数量))});
    return order;
}

void OrderWindow::refreshKitchenWaiting() {
    const long long waiting =
        标签_单号.text().empty() ? -1 : printing::dishesWaitingForKitchen(m_app, shownOrder());
    标签_待送厨.setText(waiting < 0 ? "" : "待送厨：" + numberText(waiting));
}

void OrderWindow::sendToKitchen() {
    if (!orderIsCurrent()) return;
    auto& app = m_app;
    const auto sent = printing::sendToKitchen(m_app, shownOrder(), [&app] {
        if (auto* order = app.orderWindow()) order->refreshKitchenWaiting();
    });
    if (sent == printing::KitchenSend::NoPrinter)
        m_app.message("没有设置厨房打印机！", kWarn);
    else if (sent == printing::KitchenSend::NothingWaits)
        m_app.message("没有需要送厨的菜品！", ui::Icon::Information);
    else
        refreshKitchenWaiting();  // what is on its way waits no longer
}

bool OrderWindow::totalFits(long long change) const {
    long long total = change;
    for (int r = 0; r < 超级列表框_点菜.rowCount(); ++r)
        total += wholeNumber(超级列表框_点菜.cellView(r, 金额));
    return total <= INT_MAX;
}

bool OrderWindow::orderIsCurrent() {
    if (!标签_当前操作.text().empty()) return true;
    m_app.message("请选择要操作的台号！", kWarn);
    return false;
}

bool OrderWindow::lineIsSelected() {
    if (超级列表框_点菜.currentRow() >= 0) return true;
    m_app.message("请在列表内选中要操作的菜品项目！", kWarn);
    return false;
}

void OrderWindow::addDish(int group, int item) {
    if (!orderIsCurrent()) return;
    const core::DishText dish = core::splitDish(卷帘式菜单_点菜.itemText(group, item));
    const std::string category = 卷帘式菜单_点菜.groupTitle(group);
    for (int r = 0; r < 超级列表框_点菜.rowCount(); ++r) {
        if (超级列表框_点菜.cell(r, 菜品名称) == dish.name) {
            m_app.message("要添加的菜品已存在，如需增加数量请按 ‘ 数量+ ’ 按钮！", kWarn);
            return;
        }
    }
    // What the list shows must be what is stored: a price or a total beyond what a line or
    // an order can hold is refused, not stored as another amount.
    const auto fits = util::wholeNumberIfItFits(dish.price);
    if (!fits || !totalFits(*fits)) {
        m_app.message("菜品单价或总金额超出范围，无法添加！", kWarn);
        return;
    }
    const int price = *fits;
    const std::string priceText = numberText(static_cast<long long>(price));
    const int row = 超级列表框_点菜.addRow(
        {"", 标签_单号.text(), dish.name, priceText, "1", priceText, category});
    超级列表框_点菜.scrollTo(row);

    auto& data = m_app.data();
    auto& lines = data.openOnDemand(data.detailCursor);
    data.database.beginTransaction();
    lines.addNew();
    lines.write("单号", 标签_单号.text());
    lines.write("菜品", dish.name);
    lines.write("单价", price);
    lines.write("数量", 1);
    lines.write("金额", price);
    lines.write("分类", category);
    if (!lines.update()) {
        // The list shows only what the database holds.
        data.database.rollbackTransaction();
        超级列表框_点菜.removeRow(row);
        m_app.message("添加明细数据库失败，请检查！", kWarn);
        return;
    }
    lines.close();
    linesChanged();
}

void OrderWindow::changeQuantity(int step) {
    if (!orderIsCurrent() || !lineIsSelected()) return;
    const int quantity = wholeNumber(超级列表框_点菜.cell(超级列表框_点菜.currentRow(), 数量));
    // A line never goes below one; fewer than one is a deletion.
    if (step < 0 && quantity <= 1) {
        m_app.message("菜品数量已经为 ‘ 1 ’ ，如还需减少请点击删除按钮！", kWarn);
        return;
    }
    setQuantity(static_cast<double>(quantity) + step);
}

void OrderWindow::typeQuantity() {
    if (!orderIsCurrent() || !lineIsSelected()) return;
    const int row = 超级列表框_点菜.currentRow();
    NumberPadWindow pad(m_app, 超级列表框_点菜.cell(row, 菜品名称),
                        wholeNumber(超级列表框_点菜.cell(row, 数量)));
    m_app.showDialog(pad, *this);
    if (pad.chosen()) setQuantity(*pad.chosen());
}

void OrderWindow::setQuantity(double newQuantity) {
    auto& list = 超级列表框_点菜;
    const int row = list.currentRow();
    const int quantity = wholeNumber(list.cell(row, 数量));
    if (newQuantity == quantity) return;
    const bool fewer = newQuantity < quantity;
    if (fewer && (!keepsWhatTheKitchenHas(static_cast<long long>(newQuantity)) ||
                  !rights::keepsWhatIsComped(m_app, 标签_单号.text(), list.cell(row, 菜品名称),
                                             static_cast<long long>(newQuantity))))
        return;
    const std::string oldQuantity = list.cell(row, 数量);
    const std::string oldAmount = list.cell(row, 金额);
    const long long price = wholeNumber(list.cell(row, 单价));
    const double newAmount = static_cast<double>(price) * newQuantity;
    if (newQuantity > INT_MAX || newAmount > INT_MAX ||
        !totalFits(static_cast<long long>(newAmount) - wholeNumber(oldAmount))) {
        m_app.message("数量或金额超出范围，无法修改！", kWarn);
        return;
    }
    list.setCell(row, 数量, numberText(newQuantity));
    list.setCell(row, 金额, numberText(newAmount));
    list.scrollTo(row);

    const std::string number = 标签_单号.text();
    const std::string name = list.cell(row, 菜品名称);
    auto& data = m_app.data();
    auto& lines = data.openOnDemand(data.detailCursor);
    data.database.beginTransaction();
    lines.moveFirst();
    lines.edit();
    data::forEachMatch(lines, "单号", number, [&](data::SqliteTable&) {
        if (lines.readText("菜品") != name) return false;
        lines.write("数量", wholeNumber(list.cell(row, 数量)));
        lines.write("金额", wholeNumber(list.cell(row, 金额)));
        return true;
    });
    const long long removed = quantity - static_cast<long long>(newQuantity);
    if (!lines.update() || (fewer && !traceRemoval(name, removed, price * removed))) {
        data.database.rollbackTransaction();
        list.setCell(row, 数量, oldQuantity);
        list.setCell(row, 金额, oldAmount);
        m_app.message("添加明细数据库失败，请检查！", kWarn);
        return;
    }
    lines.close();
    linesChanged();
}

void OrderWindow::deleteLine() {
    if (!orderIsCurrent() || !lineIsSelected()) return;
    const int row = 超级列表框_点菜.currentRow();
    const std::string name = 超级列表框_点菜.cell(row, 菜品名称);
    const std::string number = 标签_单号.text();
    if (!keepsWhatTheKitchenHas(0) || !rights::keepsWhatIsComped(m_app, number, name, 0)) return;

    auto& data = m_app.data();
    auto& lines = data.openOnDemand(data.detailCursor);
    data.database.beginTransaction();
    bool failed = false;
    data::forEachMatch(lines, "单号", number, [&](data::SqliteTable&) {
        if (lines.readText("菜品") == name) {
            failed = !lines.deleteCurrent();
            return true;
        }
        return false;
    });
    lines.close();
    failed = failed ||
             !traceRemoval(name, wholeNumber(超级列表框_点菜.cell(row, 数量)),
                           wholeNumber(超级列表框_点菜.cell(row, 金额))) ||
             !core::deleteDishNotes(data, number, name);
    // A line whose record could not be deleted stays listed, as it stays stored.
    if (failed) {
        data.database.rollbackTransaction();
        m_app.message("删除菜品失败，请检查！", kWarn);
        return;
    }
    超级列表框_点菜.removeRow(row);
    linesChanged();
}

bool OrderWindow::keepsWhatTheKitchenHas(long long left) {
    const int row = 超级列表框_点菜.currentRow();
    const long long sent =
        printing::sentToKitchen(m_app, 标签_单号.text(), 超级列表框_点菜.cell(row, 菜品名称));
    if (left >= sent) return true;
    m_app.message("该菜品已送厨" + std::to_string(sent) + "份，减少请使用‘退菜’！", kWarn);
    return false;
}

bool OrderWindow::traceRemoval(const std::string& dish, long long quantity, long long amount) {
    return rights::writeTrace(
        m_app.data(),
        {rights::traceTime(m_app.desktop().now()), 标签_单号.text(), 标签_当前操作.text(), "删菜",
         dish, quantity, amount, "", m_app.session().currentUser, "", 0});
}

void OrderWindow::showMatches() {
    const std::string typed = 编辑框_检索.text();
    列表框_检索.clear();
    m_matches.clear();
    列表框_检索.setVisible(!typed.empty());
    if (typed.empty()) return;
    const auto kept = core::readDishInitials(m_app.data().database);
    std::vector<MenuPlace> later;
    std::vector<std::string> laterTexts;
    const auto& menu = 卷帘式菜单_点菜;
    for (int g = 0; g < menu.groupCount(); ++g)
        for (int i = 0; i < menu.itemCount(g); ++i) {
            const std::string text = menu.itemText(g, i);
            const std::string name = core::splitDish(text).name;
            bool first = false;
            if (!util::initialsMatch(core::initialsOf(kept, name), name, typed, first)) continue;
            if (first) {
                m_matches.push_back({g, i});
                列表框_检索.addItem(text);
            } else {
                later.push_back({g, i});
                laterTexts.push_back(text);
            }
        }
    m_matches.insert(m_matches.end(), later.begin(), later.end());
    for (auto& text : laterTexts) 列表框_检索.addItem(std::move(text));
}

void OrderWindow::addMatch(int index) {
    if (index < 0 || index >= static_cast<int>(m_matches.size())) return;
    const MenuPlace place = m_matches[static_cast<size_t>(index)];
    编辑框_检索.setText("");
    showMatches();
    卷帘式菜单_点菜.clickItem(place.group, place.item);
}

OrderLine OrderWindow::selectedLine() const {
    const int row = 超级列表框_点菜.currentRow();
    const auto& list = 超级列表框_点菜;
    return {标签_单号.text(),
            标签_当前操作.text(),
            list.cell(row, 菜品名称),
            list.cell(row, 菜品分类),
            wholeNumber(list.cell(row, 单价)),
            wholeNumber(list.cell(row, 数量)),
            printing::sentToKitchen(m_app, 标签_单号.text(), list.cell(row, 菜品名称))};
}

void OrderWindow::orderChangedElsewhere() {
    LoadOrderLines();
    RefreshOrderTotals();
    showNote();
    if (auto* checkout = m_app.checkoutWindow()) checkout->RefreshCheckoutWindow();
    refreshKitchenWaiting();
    m_app.refreshBoard();
}

void OrderWindow::voidDish() {
    if (!orderIsCurrent() || !lineIsSelected()) return;
    OrderLine line = selectedLine();
    if (line.sent <= 0) {
        m_app.message("该菜品尚未送厨，可直接删除或减少数量。", ui::Icon::Information);
        return;
    }
    const rights::Approval approval = rights::askApproval(m_app, *this, "退菜");
    if (!approval.granted) return;
    VoidDishWindow window(m_app, std::move(line), approval.approver);
    m_app.showDialog(window, *this);
    if (window.orderChanged()) orderChangedElsewhere();
}

void OrderWindow::noteDish() {
    if (!orderIsCurrent() || !lineIsSelected()) return;
    OrderLine line = selectedLine();
    const auto notes = core::readDishNotes(m_app.data(), line.number);
    const auto kept = notes.find(line.dish);
    const std::string dish = line.dish;
    TasteWindow window(m_app, std::move(line), kept != notes.end() ? kept->second.note : "");
    m_app.showDialog(window, *this);
    if (!window.orderChanged()) return;
    // The same line stays selected.
    orderChangedElsewhere();
    for (int r = 0; r < 超级列表框_点菜.rowCount(); ++r)
        if (超级列表框_点菜.cell(r, 菜品名称) == dish) 超级列表框_点菜.selectRow(r);
    showNote();
}

void OrderWindow::giftDish() {
    if (!orderIsCurrent() || !lineIsSelected()) return;
    const OrderLine line = selectedLine();
    std::vector<core::Adjustment> adjustments;
    core::readAdjustments(m_app.data(), line.number, adjustments);
    const auto comped = core::compedDishes(adjustments);
    const auto found = comped.find(line.dish);
    if (rights::giveOrTakeBack(m_app, *this,
                               {line.number, line.table, line.dish, line.price, line.quantity,
                                found != comped.end() ? found->second : 0}))
        orderChangedElsewhere();
}

void OrderWindow::showNote() {
    const int row = 超级列表框_点菜.currentRow();
    std::string note;
    if (row >= 0) {
        const auto notes = core::readDishNotes(m_app.data(), 标签_单号.text());
        const auto kept = notes.find(超级列表框_点菜.cell(row, 菜品名称));
        if (kept != notes.end()) note = kept->second.note;
    }
    标签_口味.setText(note.empty() ? "" : "口味：" + note);
}

void OrderWindow::linesChanged() {
    // A line and the order's total are stored together or not at all: a total that
    // disagrees with its lines would bill the wrong amount at the cash desk.
    auto& database = m_app.data().database;
    RefreshOrderTotals();
    if (!SaveOrderTotal() || !database.commitTransaction()) {
        database.rollbackTransaction();
        LoadOrderLines();
        RefreshOrderTotals();
        m_app.message("写流水数据库失败，请检查！", kWarn);
    }
    if (auto* checkout = m_app.checkoutWindow()) checkout->RefreshCheckoutWindow();
    refreshKitchenWaiting();
    m_app.refreshBoard();
}

void OrderWindow::RefreshOrderTotals() {
    long long quantity = 0, amount = 0;
    for (int r = 0; r < 超级列表框_点菜.rowCount(); ++r) {
        超级列表框_点菜.setCell(r, 序号, std::to_string(r + 1));
        quantity += wholeNumber(超级列表框_点菜.cell(r, 数量));
        amount += wholeNumber(超级列表框_点菜.cell(r, 金额));
    }
    标签_菜品总数.setText(numberText(quantity));
    标签_总金额.setText(numberText(amount));
}

bool OrderWindow::SaveOrderTotal() {
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    journal.moveFirst();
    journal.edit();
    data::forEachMatch(journal, "单号", 标签_单号.text(), [&](data::SqliteTable&) {
        journal.write("金额", wholeNumber(标签_总金额.text()));
        return true;
    });
    const bool saved = journal.update();
    journal.close();
    return saved;
}

void OrderWindow::switchTable() {
    if (组合框_切换.selectedIndex() < 0) {
        m_app.message("请选择要切换的台号！", kWarn);
        return;
    }
    auto& data = m_app.data();
    auto& journal = data.openOnDemand(data.journalCursor);
    data::forEachMatch(journal, "状态", 0, [&](data::SqliteTable&) {
        if (journal.readText("台号") == 组合框_切换.text()) {
            标签_单号.setText(journal.readText("单号"));
            标签_当前操作.setText(journal.readText("台号"));
            标签_开台时间.setText(journal.readText("时间"));
            标签_人数.setText(numberText(static_cast<long long>(journal.readInt("人数"))));
            return true;
        }
        return false;
    });
    journal.close();
    LoadOrderLines();
    RefreshOrderTotals();
    refreshKitchenWaiting();
}

void OrderWindow::LoadOrderLines() {
    ui::ReportRows rows = 超级列表框_点菜.newRows();
    auto& data = m_app.data();
    auto& lines = data.openOnDemand(data.detailCursor);
    data::forEachMatch(lines, "单号", 标签_单号.text(), [&](data::SqliteTable&) {
        rows.addRow({"", lines.readText("单号"), lines.readText("菜品"), lines.readText("单价"),
                     lines.readText("数量"), lines.readText("金额"), lines.readText("分类")});
        return false;
    });
    const bool read = !lines.readFailed();
    lines.close();
    // Lines that could not be read are not "no lines": the list is not shown empty.
    if (!read) {
        m_app.tellReadFailed();
        超级列表框_点菜.clearRows();
        return;
    }
    超级列表框_点菜.setRows(std::move(rows));
    showNote();
}

void OrderWindow::clearCurrentOrder() {
    RefreshOpenTableList("");
    超级列表框_点菜.clearRows();
    标签_单号.setText("");
    标签_当前操作.setText("");
    标签_开台时间.setText("");
    标签_人数.setText("0");
    标签_菜品总数.setText("0");
    标签_总金额.setText("0");
}

}  // namespace tablora::ordering
