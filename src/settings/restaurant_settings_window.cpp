#include "settings/restaurant_settings_window.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "core/app_context.h"
#include "core/dish_initials.h"
#include "core/shared_lists.h"
#include "ordering/order_window.h"
#include "util/initials.h"
#include "util/regex_matcher.h"
#include "util/text.h"

namespace tablora::settings {

namespace {

bool listed(const std::vector<std::string>& names, const std::string& name) {
    for (const auto& n : names)
        if (n == name) return true;
    return false;
}

std::vector<std::string> groupTitles(const ui::RollMenu& menu) {
    std::vector<std::string> titles;
    for (const auto& g : menu.groups()) titles.push_back(g.title);
    return titles;
}

// A price is a plain whole number of yuan that the order lines can hold: digits only.
bool plainPrice(const std::string& text) {
    if (text.empty() || text.size() > 10) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return std::stoll(text) <= std::numeric_limits<int>::max();
}

}  // namespace

RestaurantSettingsWindow::RestaurantSettingsWindow(core::AppContext& app)
    : Window(app.desktop(), "RestaurantSettingsWindow", "", 780, 550), m_app(app) {
    按钮10.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    列表框_餐台.onSelectionChanged = [this] {
        if (列表框_餐台.selectedIndex() >= 0)
            编辑框_餐台.setText(列表框_餐台.itemText(列表框_餐台.selectedIndex()));
    };
    按钮_餐台添加.onClick = [this] { addTable(); };
    按钮_餐台修改.onClick = [this] { renameTable(); };
    按钮_餐台删除.onClick = [this] { deleteTable(); };
    卷帘式菜单_菜单.onOpenGroupChanged = [this] { showCategory(); };
    卷帘式菜单_菜单.onItemClicked = [this](int group, int item) { showDish(group, item); };
    按钮_菜品分类添加.onClick = [this] { addCategory(); };
    按钮_菜品分类修改.onClick = [this] { renameCategory(); };
    按钮_菜品分类删除.onClick = [this] { deleteCategory(); };
    按钮_菜品添加.onClick = [this] { addDish(); };
    按钮_菜品修改.onClick = [this] { modifyDish(); };
    按钮_菜品删除.onClick = [this] { deleteDish(); };
}

void RestaurantSettingsWindow::created() {
    applyPermission(m_app.session().permissions);
    // One word is enough when the file cannot be read: the next list would fail alike.
    if (RefreshSettingsTableList() && RefreshSettingsMenuGroups()) RefreshSettingsMenuDishes();
}

void RestaurantSettingsWindow::applyPermission(const core::PermissionSet& permissions) {
    for (ui::Button* b : {&按钮_餐台添加, &按钮_餐台修改, &按钮_餐台删除})
        b->setEnabled(permissions.设置餐台 != 0);
    for (ui::Button* b : {&按钮_菜品分类添加, &按钮_菜品分类修改, &按钮_菜品分类删除,
                          &按钮_菜品添加, &按钮_菜品修改, &按钮_菜品删除})
        b->setEnabled(permissions.设置菜品 != 0);
}

void RestaurantSettingsWindow::message(const std::string& text) {
    m_app.message(text, ui::Icon::Exclamation);
}

void RestaurantSettingsWindow::tablesChanged() {
    m_app.data().diningTableCursor.close();
    if (RefreshSettingsTableList())
        if (auto* order = m_app.orderWindow()) order->RefreshOrderTableList();
    m_app.refreshBoard();
}

void RestaurantSettingsWindow::tablesGone(const std::string& said) {
    tablesChanged();
    message(said);
}

void RestaurantSettingsWindow::menuGone(const std::string& said) {
    m_app.data().categoryCursor.close();
    m_app.data().dishCursor.close();
    const std::string typed = 编辑框_分类.text();
    menusChanged();
    编辑框_分类.setText(typed);
    message(said);
}

bool RestaurantSettingsWindow::nameUsable(const std::string& name,
                                          const std::vector<std::string>& names,
                                          const std::string& what) {
    // An entry without a name could be neither told apart nor chosen: refused on renaming too.
    if (util::isBlank(name)) {
        message(what + "不能为空，请修改！");
        return false;
    }
    if (listed(names, name)) {
        message(what + "已存在，请修改！");
        return false;
    }
    return true;
}

bool RestaurantSettingsWindow::menusChanged() {
    if (!RefreshSettingsMenuGroups() || !RefreshSettingsMenuDishes()) return false;
    orderMenuChanged(true);
    return true;
}

void RestaurantSettingsWindow::orderMenuChanged(bool groupsToo) {
    auto* order = m_app.orderWindow();
    if (!order) return;
    if (groupsToo) order->RefreshOrderMenuGroups();
    order->RefreshOrderMenuDishes();
}

// Dining tables.

bool RestaurantSettingsWindow::RefreshSettingsTableList() {
    if (core::fillTableNames(列表框_餐台, m_app.data(), &m_tableIds)) return true;
    m_app.tellReadFailed();
    return false;
}

void RestaurantSettingsWindow::addTable() {
    const std::string name = 编辑框_餐台.text();
    if (!nameUsable(name, 列表框_餐台.items(), "餐台")) return;
    auto& data = m_app.data();
    auto& tables = data.openOnDemand(data.diningTableCursor);
    tables.addNew();
    tables.write("餐台", name);
    if (!tables.update()) {
        message("添加餐台失败，请检查！");
        return;
    }
    编辑框_餐台.setText("");
    tablesChanged();
}

void RestaurantSettingsWindow::renameTable() {
    const int selected = 列表框_餐台.selectedIndex();
    if (selected < 0) {
        message("请选择要修改的餐台！");
        return;
    }
    const std::string name = 编辑框_餐台.text();
    if (!nameUsable(name, 列表框_餐台.items(), "餐台")) return;
    auto& data = m_app.data();
    auto& tables = data.diningTableCursor;
    // The very record the list showed: another program may have moved the rows meanwhile.
    if (!core::reachListed(data, tables, m_tableIds, selected, "餐台",
                           列表框_餐台.itemText(selected))) {
        tablesGone("修改失败，请检查！");
        return;
    }
    // The table's service charge and minimum spend follow it, in the same transaction.
    const std::string old = 列表框_餐台.itemText(selected);
    bool ok = data.database.beginTransaction();
    tables.edit();
    tables.write("餐台", name);
    ok = ok && tables.update() && data::carryNamed(data.database, "餐台收费", "台号", old, name) &&
         data.database.commitTransaction();
    if (!ok) {
        data.database.rollbackTransaction();
        message("修改失败，请检查！");
        return;
    }
    编辑框_餐台.setText("");
    tablesChanged();
}

void RestaurantSettingsWindow::deleteTable() {
    const int selected = 列表框_餐台.selectedIndex();
    if (selected < 0) {
        message("请选择要删除的餐台！");
        return;
    }
    auto& data = m_app.data();
    auto& tables = data.diningTableCursor;
    // A delete that did not happen says so rather than nothing.
    const bool began = data.database.beginTransaction();
    if (!began ||
        !core::reachListed(data, tables, m_tableIds, selected, "餐台",
                           列表框_餐台.itemText(selected)) ||
        !tables.deleteCurrent() ||
        !data::carryNamed(data.database, "餐台收费", "台号", 列表框_餐台.itemText(selected), "") ||
        !data.database.commitTransaction()) {
        data.database.rollbackTransaction();
        tablesGone("删除失败，请检查！");
        return;
    }
    m_app.message("删除成功！", ui::Icon::Information);
    编辑框_餐台.setText("");
    tablesChanged();
}

// Categories and dishes.

bool RestaurantSettingsWindow::RefreshSettingsMenuGroups() {
    if (!core::fillMenuGroups(卷帘式菜单_菜单, m_app.data(), &m_categoryIds)) {
        m_app.tellReadFailed();
        return false;
    }
    m_dishIds.assign(m_categoryIds.size(), {});
    编辑框_分类.setText("");
    return true;
}

bool RestaurantSettingsWindow::RefreshSettingsMenuDishes() {
    if (core::fillMenuDishes(卷帘式菜单_菜单, m_app.data(), &m_dishIds)) return true;
    m_app.tellReadFailed();
    return false;
}

void RestaurantSettingsWindow::showCategory() {
    编辑框_分类.setText(卷帘式菜单_菜单.groupTitle(卷帘式菜单_菜单.openGroup()));
    编辑框_菜品.setText("");
    编辑框_单价.setText("");
}

void RestaurantSettingsWindow::showDish(int group, int item) {
    const core::DishText dish = core::splitDish(卷帘式菜单_菜单.itemText(group, item));
    编辑框_菜品.setText(dish.name);
    编辑框_单价.setText(dish.price);
    m_shownInitials = core::initialsOf(core::readDishInitials(m_app.data().database), dish.name);
    编辑框_助记码.setText(m_shownInitials);
}

bool RestaurantSettingsWindow::dishInitials(const std::string& old, std::string& initials) {
    std::string typed = 编辑框_助记码.text();
    for (char& c : typed) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // Initials left as shown for the old name are the old name's: the new name makes its own.
    if (typed.empty() || (old != 编辑框_菜品.text() && 编辑框_助记码.text() == m_shownInitials)) {
        initials = util::dishInitials(编辑框_菜品.text());
        return true;
    }
    if (!core::typedInitialsUsable(typed)) {
        message("助记码只能是10个以内的字母或数字！");
        return false;
    }
    initials = typed;
    return true;
}

void RestaurantSettingsWindow::addCategory() {
    const std::string name = 编辑框_分类.text();
    if (!nameUsable(name, groupTitles(卷帘式菜单_菜单), "分类")) return;
    auto& data = m_app.data();
    auto& categories = data.openOnDemand(data.categoryCursor);
    categories.addNew();
    categories.write("分类", name);
    if (!categories.update()) {
        message("添加分类失败，请检查！");
        return;
    }
    编辑框_分类.setText("");
    categories.close();
    menusChanged();
}

void RestaurantSettingsWindow::renameCategory() {
    const int open = 卷帘式菜单_菜单.openGroup();
    if (open < 0) {
        message("请选择要修改的分类！");
        return;
    }
    const std::string name = 编辑框_分类.text();
    if (!nameUsable(name, groupTitles(卷帘式菜单_菜单), "分类")) return;
    const std::string old = 卷帘式菜单_菜单.groupTitle(open);
    auto& data = m_app.data();
    auto& categories = data.categoryCursor;
    if (!core::reachListed(data, categories, m_categoryIds, open, "分类", old)) {
        menuGone("修改分类失败，请检查！");
        return;
    }
    // The category and all of its dishes are renamed together or not at all, so no dish is
    // left behind under a name that no longer exists.
    bool ok = data.database.beginTransaction();
    categories.edit();
    categories.write("分类", name);
    ok = ok && categories.update();
    categories.close();
    auto& dishes = data.openOnDemand(data.dishCursor);
    if (ok) {
        data::forEachMatch(dishes, "分类", old, [&](data::SqliteTable&) {
            dishes.edit();
            dishes.write("分类", name);
            ok = ok && dishes.update();
            return !ok;
        });
        ok = ok && !dishes.readFailed();
    }
    dishes.close();
    // The kitchen printers keep taking the category under its new name.
    ok = ok && data::carryCategoryToPrinters(data.database, old, name) &&
         data::carryNamed(data.database, "不打折分类", "分类", old, name);
    ok = ok && data.database.commitTransaction();
    if (!ok) {
        // Nothing changed: the menu, the open category and the typed name stay as they were.
        data.database.rollbackTransaction();
        message("修改分类失败，请检查！");
        return;
    }
    编辑框_分类.setText("");
    // Reopened where the renamed record is now listed: other rows may have come or gone.
    const std::int64_t renamed = m_categoryIds[static_cast<size_t>(open)];
    if (!menusChanged()) return;
    const auto at = std::find(m_categoryIds.begin(), m_categoryIds.end(), renamed);
    if (at != m_categoryIds.end())
        卷帘式菜单_菜单.setOpenGroup(static_cast<int>(at - m_categoryIds.begin()));
}

void RestaurantSettingsWindow::deleteCategory() {
    const int open = 卷帘式菜单_菜单.openGroup();
    if (open < 0) {
        message("请选择要删除的分类！");
        return;
    }
    // The dishes that go are those of the open category, whatever the field says by now;
    // the category and its dishes go together or not at all.
    const std::string title = 卷帘式菜单_菜单.groupTitle(open);
    auto& data = m_app.data();
    auto& categories = data.categoryCursor;
    if (!core::reachListed(data, categories, m_categoryIds, open, "分类", title)) {
        menuGone("删除分类失败，请检查！");
        return;
    }
    bool ok = data.database.beginTransaction();
    ok = ok && categories.deleteCurrent();
    categories.close();
    auto& dishes = data.openOnDemand(data.dishCursor);
    const std::vector<int> found = ok ? dishes.findAll("分类", title) : std::vector<int>{};
    ok = ok && !dishes.readFailed();
    for (auto it = found.rbegin(); ok && it != found.rend(); ++it)
        ok = dishes.moveTo(*it) && dishes.deleteCurrent();
    dishes.close();
    ok = ok && data::carryCategoryToPrinters(data.database, title, "") &&
         data::carryNamed(data.database, "不打折分类", "分类", title, "");
    ok = ok && data.database.commitTransaction();
    if (ok) {
        m_app.message("分类删除成功！", ui::Icon::Information);
    } else {
        data.database.rollbackTransaction();
        message("删除分类失败，请检查！");
    }
    编辑框_分类.setText("");
    menusChanged();
}

bool RestaurantSettingsWindow::dishFieldsUsable() {
    if (util::isBlank(编辑框_菜品.text()) || util::isBlank(编辑框_单价.text())) {
        message("菜品或单价不能为空，请修改！");
        return false;
    }
    if (编辑框_菜品.text().find('/') != std::string::npos) {
        message("菜品名称不能包含特殊字符‘ / ’");
        return false;
    }
    // "-5" or "5-3" would be stored as typed and read back as another price.
    if (!plainPrice(编辑框_单价.text())) {
        message("单价须为0到2147483647之间的整数，请修改！");
        return false;
    }
    return true;
}

void RestaurantSettingsWindow::dishChanged(const std::string& said, int open) {
    m_app.message(said, ui::Icon::Information);
    编辑框_菜品.setText("");
    编辑框_单价.setText("");
    RefreshSettingsMenuDishes();
    orderMenuChanged(false);
    卷帘式菜单_菜单.setOpenGroup(open);
    m_app.data().dishCursor.close();
}

bool RestaurantSettingsWindow::reachDish(int group, int item) {
    auto& data = m_app.data();
    static const std::vector<std::int64_t> none;
    const auto& ids = group >= 0 && static_cast<size_t>(group) < m_dishIds.size()
                          ? m_dishIds[static_cast<size_t>(group)]
                          : none;
    // The record shown here: this text in this category, never a namesake elsewhere.
    return core::reachListed(data, data.dishCursor, ids, item, "菜品",
                             卷帘式菜单_菜单.itemText(group, item)) &&
           data.dishCursor.readText("分类") == 卷帘式菜单_菜单.groupTitle(group);
}

void RestaurantSettingsWindow::addDish() {
    const int open = 卷帘式菜单_菜单.openGroup();
    if (open < 0) {
        message("请选择要添加菜品的分类！");
        return;
    }
    if (!dishFieldsUsable()) return;
    const std::string name = 编辑框_菜品.text();
    for (int i = 0; i < 卷帘式菜单_菜单.itemCount(open); ++i) {
        if (core::splitDish(卷帘式菜单_菜单.itemText(open, i)).name == name) {
            message("菜品已存在，请修改！");
            return;
        }
    }
    std::string initials;
    if (!dishInitials(name, initials)) return;
    auto& data = m_app.data();
    auto& dishes = data.openOnDemand(data.dishCursor);
    // The dish and its initials are kept together.
    data.database.beginTransaction();
    dishes.addNew();
    dishes.write("菜品", name + "/" + 编辑框_单价.text() + "元");
    dishes.write("分类", 卷帘式菜单_菜单.groupTitle(open));
    if (!dishes.update() || !core::storeDishInitials(data.database, name, name, initials) ||
        !data.database.commitTransaction()) {
        data.database.rollbackTransaction();
        dishes.close();
        message("添加菜品失败，请检查！");
        return;
    }
    dishes.close();
    编辑框_助记码.setText("");
    RefreshSettingsMenuDishes();
    orderMenuChanged(false);
    卷帘式菜单_菜单.setOpenGroup(open);
}

void RestaurantSettingsWindow::modifyDish() {
    const int open = 卷帘式菜单_菜单.openGroup();
    const int selected = 卷帘式菜单_菜单.selectedItem();
    if (open < 0 || selected < 0) {
        message("请选择要修改的菜品！");
        return;
    }
    if (!dishFieldsUsable()) return;
    const std::string name = 编辑框_菜品.text(), price = 编辑框_单价.text();
    const core::DishText chosen = core::splitDish(卷帘式菜单_菜单.itemText(open, selected));
    // Only the initials corrected: they alone are kept.
    if (chosen.name == name && chosen.price == price && 编辑框_助记码.text() != m_shownInitials) {
        std::string initials;
        if (!dishInitials(name, initials)) return;
        if (!core::storeDishInitials(m_app.data().database, name, name, initials)) {
            message("添加菜品失败，请检查！");
            return;
        }
        编辑框_助记码.setText("");
        dishChanged("菜品修改成功！", open);
        return;
    }
    for (int i = 0; i < 卷帘式菜单_菜单.itemCount(open); ++i) {
        const core::DishText dish = core::splitDish(卷帘式菜单_菜单.itemText(open, i));
        if (dish.name == name && dish.price == price) {
            message("菜品已存在，请修改！");
            return;
        }
    }
    const std::string& old = chosen.name;
    std::string initials;
    if (!dishInitials(old, initials)) return;
    auto& data = m_app.data();
    auto& dishes = data.dishCursor;
    if (!reachDish(open, selected)) {
        menuGone("添加菜品失败，请检查！");
        return;
    }
    data.database.beginTransaction();
    dishes.edit();
    dishes.write("菜品", name + "/" + price + "元");
    if (!dishes.update() || !core::storeDishInitials(data.database, old, name, initials) ||
        !data.database.commitTransaction()) {
        data.database.rollbackTransaction();
        message("添加菜品失败，请检查！");
        return;
    }
    编辑框_助记码.setText("");
    dishChanged("菜品修改成功！", open);
}

void RestaurantSettingsWindow::deleteDish() {
    const int open = 卷帘式菜单_菜单.openGroup();
    const int selected = 卷帘式菜单_菜单.selectedItem();
    if (open < 0 || selected < 0) {
        message("请选择要删除的菜品！");
        return;
    }
    auto& dishes = m_app.data().dishCursor;
    if (!reachDish(open, selected)) {
        menuGone("删除菜品失败，请检查！");
        return;
    }
    if (!dishes.deleteCurrent()) {
        message("删除菜品失败，请检查！");
        return;
    }
    dishChanged("删除修改成功！", open);
}

}  // namespace tablora::settings
