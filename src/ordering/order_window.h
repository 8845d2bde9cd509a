#pragma once

#include <string>
#include <vector>

#include "ordering/order_line.h"
#include "printing/kitchen.h"
#include "ui/window.h"

namespace tablora::core {
class AppContext;
struct PermissionSet;
}  // namespace tablora::core

namespace tablora::ordering {

// Opening a dining table for a party, taking its order from the dish menu, and switching
// between open tables. The current order is whatever the labels show.
class OrderWindow : public ui::Window {
  public:
    explicit OrderWindow(core::AppContext& app);
    void created();
    void applyPermission(const core::PermissionSet& permissions);

    void RefreshOrderTableList();
    void RefreshOrderMenuGroups();
    void RefreshOrderMenuDishes();
    void RefreshOpenTableList(const std::string& select);
    void RefreshOrderTotals();
    // Writes the total shown into the order's journal record; false when that failed.
    bool SaveOrderTotal();
    void LoadOrderLines();
    // After a settlement: no order is current any more.
    void clearCurrentOrder();
    // Shows how many dishes of the current order wait for the kitchen.
    void refreshKitchenWaiting();
    // Makes the order of the table chosen in 组合框_切换 current (the 切换 button).
    void switchTable();

    enum Column { 序号, 系统单号, 菜品名称, 单价, 数量, 金额, 菜品分类 };

    ui::GroupBox 分组框1{*this, "分组框1", {4, 0, 1016, 80}};
    ui::Label 透明标签1{*this, "透明标签1", "预开台号：", {35, 28, 96, 30}, &分组框1, true};
    ui::ComboBox 组合框_餐台{*this, "组合框_餐台", false, {139, 29, 128, 20}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "人数：", {294, 28, 60, 30}, &分组框1, true};
    ui::ComboBox 组合框_人数{*this, "组合框_人数", true, {351, 29, 72, 20}, &分组框1};
    ui::Button 按钮_开台{*this, "按钮_开台", "开台", {463, 28, 100, 30}, &分组框1};
    ui::Line 外形框1{*this, "外形框1", {605, 7, 1, 70}, &分组框1};
    ui::Label 透明标签3{*this, "透明标签3", "系统单号：", {651, 28, 101, 30}, &分组框1, true};
    ui::Label 标签_单号{*this, "标签_单号", "", {760, 28, 217, 30}, &分组框1};
    ui::RollMenu 卷帘式菜单_点菜{*this, "卷帘式菜单_点菜", {5, 80, 215, 545}};
    ui::Label 透明标签4{*this, "透明标签4", "当前操作：", {255, 104, 78, 25}, nullptr, true};
    ui::Label 标签_当前操作{*this, "标签_当前操作", "", {336, 104, 120, 24}};
    ui::Button 按钮_数量加{*this, "按钮_数量加", "数量+", {474, 104, 50, 24}};
    ui::Button 按钮_数量减{*this, "按钮_数量减", "数量-", {530, 104, 50, 24}};
    ui::Button 按钮_删除{*this, "按钮_删除", "删除", {607, 104, 50, 24}};
    ui::Button 按钮_送厨{*this, "按钮_送厨", "送厨", {664, 104, 50, 24}};
    // Under the line buttons: what the kitchen has taken back.
    // Finding a dish by its initials or a part of its name; the matches show over the menu.
    ui::Label 透明标签11{*this, "透明标签11", "检索：", {255, 131, 42, 20}, nullptr, true};
    ui::EditBox 编辑框_检索{*this, "编辑框_检索", ui::EditMode::Plain, {300, 129, 156, 22}};
    ui::ListBox 列表框_检索{*this, "列表框_检索", {5, 80, 215, 545}};
    ui::Button 按钮_退菜{*this, "按钮_退菜", "退菜", {474, 129, 50, 22}};
    ui::Button 按钮_口味{*this, "按钮_口味", "口味", {530, 129, 50, 22}};
    ui::Button 按钮_数量{*this, "按钮_数量", "数量", {607, 129, 50, 22}};
    // The selected line's notes for the kitchen.
    ui::Button 按钮_赠送{*this, "按钮_赠送", "赠送", {664, 129, 50, 22}};
    ui::Label 标签_口味{*this, "标签_口味", "", {722, 131, 294, 20}, nullptr, true};
    ui::Label 透明标签5{*this, "透明标签5", "切换台号：", {722, 104, 78, 25}, nullptr, true};
    ui::ComboBox 组合框_切换{*this, "组合框_切换", false, {802, 105, 100, 21}};
    ui::Button 按钮_切换{*this, "按钮_切换", "切换", {932, 104, 60, 24}};
    ui::ReportList 超级列表框_点菜{*this,
                                   "超级列表框_点菜",
                                   {{"序号", 50, ui::Align::Left},
                                    {"系统单号", 160, ui::Align::Left},
                                    {"菜品名称", 200, ui::Align::Center},
                                    {"单价", 70, ui::Align::Right},
                                    {"数量", 70, ui::Align::Right},
                                    {"金额", 70, ui::Align::Right},
                                    {"菜品分类", 170, ui::Align::Center}},
                                   {220, 152, 800, 432}};
    ui::Label 透明标签7{*this, "透明标签7", "开台时间：", {239, 599, 80, 16}, nullptr, true};
    ui::Label 标签_开台时间{*this, "标签_开台时间", "", {312, 596, 210, 20}};
    // How many dishes of the current order wait for the kitchen; empty without a kitchen printer.
    ui::Label 标签_待送厨{*this, "标签_待送厨", "", {528, 599, 100, 16}, nullptr, true};
    ui::Label 透明标签8{*this, "透明标签8", "人数：", {632, 599, 42, 16}, nullptr, true};
    ui::Label 标签_人数{*this, "标签_人数", "0", {672, 596, 50, 20}};
    ui::Label 透明标签9{*this, "透明标签9", "菜品总数：", {745, 599, 68, 16}, nullptr, true};
    ui::Label 标签_菜品总数{*this, "标签_菜品总数", "0", {815, 596, 50, 20}};
    ui::Label 透明标签10{*this, "透明标签10", "总金额：", {886, 599, 56, 16}, nullptr, true};
    ui::Label 标签_总金额{*this, "标签_总金额", "0", {942, 596, 50, 20}};

  private:
    void openTable();
    void addDish(int group, int item);
    void changeQuantity(int step);
    // The keypad's quantity for the selected line.
    void typeQuantity();
    // The selected line at this quantity, stored with the order's total in one transaction.
    void setQuantity(double newQuantity);
    void deleteLine();
    void sendToKitchen();
    void voidDish();
    void noteDish();
    void giftDish();
    // Shows the selected line's notes in 标签_口味.
    void showNote();
    // The selected line as the dialogs take it.
    OrderLine selectedLine() const;
    // After a dialog changed the order in the file: the lines, totals and the other windows.
    void orderChangedElsewhere();
    // The matches of 编辑框_检索 in 列表框_检索: initials starting with the typed letters first,
    // then the rest, each in menu order; hidden while nothing is typed.
    void showMatches();
    // Adds the dish of this match as a click in the menu does, and clears the search.
    void addMatch(int index);
    // Of the selected line, what the kitchen has; refuses (having said so) taking it below.
    bool keepsWhatTheKitchenHas(long long left);
    // The trace of a decrease of what the kitchen was not sent, in the open transaction.
    bool traceRemoval(const std::string& dish, long long quantity, long long amount);
    printing::KitchenOrder shownOrder() const;

    // Totals, journal total and the cashier's view after a change of the lines, ending the
    // transaction the change began.
    void linesChanged();
    // Guards shared by the line operations; false after showing the message.
    bool orderIsCurrent();
    bool lineIsSelected();
    // Whether the order's total, changed by this much, still fits what 金额 can hold.
    bool totalFits(long long change) const;

    core::AppContext& m_app;
    struct MenuPlace {
        int group, item;
    };
    std::vector<MenuPlace> m_matches;  // where each listed match is in the menu
};

}  // namespace tablora::ordering
