#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
struct PermissionSet;
}  // namespace tablora::core

namespace tablora::settings {

// The restaurant's master data: dining tables on the left, categories and their dishes with
// prices on the right. The order window follows every change at once.
class RestaurantSettingsWindow : public ui::Window {
  public:
    explicit RestaurantSettingsWindow(core::AppContext& app);
    void created();
    void applyPermission(const core::PermissionSet& permissions);

    // Each false, having told the person, when the file could not be read.
    bool RefreshSettingsTableList();
    bool RefreshSettingsMenuGroups();
    bool RefreshSettingsMenuDishes();

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 776, 525}};
    ui::Label 透明标签1{*this, "透明标签1", "餐厅设置", {16, 18, 88, 24}, &分组框1, true};
    ui::Line 外形框1{*this, "外形框1", {15, 50, 745, 1}, &分组框1};
    ui::Button 按钮10{*this, "按钮10", "关闭", {656, 16, 95, 25}, &分组框1};
    ui::GroupBox 分组框2{*this, "分组框2", {14, 60, 340, 450}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "现有餐台", {10, 9, 70, 30}, &分组框2, true};
    ui::ListBox 列表框_餐台{*this, "列表框_餐台", {6, 40, 127, 404}, &分组框2};
    ui::GroupBox 分组框3{*this, "分组框3", {140, 35, 195, 45}, &分组框2};
    ui::Label 透明标签3{*this, "透明标签3", "餐台：", {16, 13, 48, 24}, &分组框3, true};
    ui::EditBox 编辑框_餐台{*this, "编辑框_餐台", ui::EditMode::Plain, {68, 13, 120, 25}, &分组框3};
    ui::Button 按钮_餐台添加{*this, "按钮_餐台添加", "添加", {218, 96, 112, 32}, &分组框2};
    ui::Button 按钮_餐台修改{*this, "按钮_餐台修改", "修改", {219, 136, 112, 32}, &分组框2};
    ui::Button 按钮_餐台删除{*this, "按钮_餐台删除", "删除", {219, 176, 112, 32}, &分组框2};
    ui::GroupBox 分组框4{*this, "分组框4", {360, 60, 402, 450}, &分组框1};
    ui::Label 透明标签5{*this, "透明标签5", "现有菜品", {10, 9, 70, 30}, &分组框4, true};
    ui::RollMenu 卷帘式菜单_菜单{*this, "卷帘式菜单_菜单", {7, 40, 184, 404}, &分组框4};
    ui::GroupBox 分组框5{*this, "分组框5", {200, 35, 195, 45}, &分组框4};
    ui::Label 透明标签4{*this, "透明标签4", "分类：", {17, 9, 41, 32}, &分组框5, true};
    ui::EditBox 编辑框_分类{*this, "编辑框_分类", ui::EditMode::Plain, {68, 13, 120, 25}, &分组框5};
    ui::Button 按钮_菜品分类添加{*this, "按钮_菜品分类添加", "添加", {272, 96, 120, 30}, &分组框4};
    ui::Button 按钮_菜品分类修改{*this, "按钮_菜品分类修改", "修改", {272, 136, 120, 30}, &分组框4};
    ui::Button 按钮_菜品分类删除{*this, "按钮_菜品分类删除", "删除", {272, 176, 120, 30}, &分组框4};
    ui::Line 外形框2{*this, "外形框2", {192, 221, 208, 1}, &分组框4};
    ui::GroupBox 分组框6{*this, "分组框6", {200, 230, 195, 77}, &分组框4};
    ui::Label 透明标签6{*this, "透明标签6", "菜品：", {17, 9, 41, 32}, &分组框6, true};
    ui::EditBox 编辑框_菜品{*this, "编辑框_菜品", ui::EditMode::Plain, {68, 13, 120, 25}, &分组框6};
    ui::Label 透明标签7{*this, "透明标签7", "单价：", {17, 39, 41, 32}, &分组框6, true};
    ui::EditBox 编辑框_单价{
        *this, "编辑框_单价", ui::EditMode::WholeNumber, {68, 43, 76, 25}, &分组框6};
    ui::Label 透明标签8{*this, "透明标签8", "元", {156, 43, 32, 24}, &分组框6, true};
    // The dish's initials for finding it by typing; empty makes them from the name.
    ui::Label 透明标签10{*this, "透明标签10", "助记码：", {200, 326, 66, 20}, &分组框4, true};
    ui::EditBox 编辑框_助记码{
        *this, "编辑框_助记码", ui::EditMode::Plain, {200, 350, 66, 26}, &分组框4};
    ui::Button 按钮_菜品添加{*this, "按钮_菜品添加", "添加", {272, 324, 120, 30}, &分组框4};
    ui::Button 按钮_菜品修改{*this, "按钮_菜品修改", "修改", {272, 364, 120, 30}, &分组框4};
    ui::Button 按钮_菜品删除{*this, "按钮_菜品删除", "删除", {272, 404, 120, 30}, &分组框4};
    ui::Label 透明标签9{*this,
                        "透明标签9",
                        "修改分类，该分类下的菜品同步修改。删除分类，该分类下的菜品同步删除。",
                        {19, 528, 600, 16},
                        nullptr,
                        true};

  private:
    void addTable();
    void renameTable();
    void deleteTable();
    void showCategory();
    void showDish(int group, int item);
    void addCategory();
    void renameCategory();
    void deleteCategory();
    void addDish();
    void modifyDish();
    void deleteDish();
    // The checks add and modify share on the two dish fields; false after saying why.
    bool dishFieldsUsable();
    // The initials to keep for the dish named in the fields (renamed from `old`): those typed,
    // else made from the name; false, having said why, when typed ones are not usable.
    bool dishInitials(const std::string& old, std::string& initials);
    // After a dish was modified or deleted: says so, empties the fields, refreshes the menus.
    void dishChanged(const std::string& said, int open);
    // The record the menu shows as this dish, current on dishCursor while it still holds
    // the listed text in the listed category.
    bool reachDish(int group, int item);
    // A listed entry no longer is what the file holds: nothing was written; the lists show
    // the file again (the typed fields kept) and the person is told.
    void tablesGone(const std::string& said);
    void menuGone(const std::string& said);
    // Refused with a message when blank or already among `names` ("餐台" or "分类").
    bool nameUsable(const std::string& name, const std::vector<std::string>& names,
                    const std::string& what);
    // The list, and the order window when loaded, follow a change of the tables.
    void tablesChanged();
    // The menus here and in the order window show the file again; false when unreadable.
    bool menusChanged();
    // The order window, when loaded, follows a change of the menu.
    void orderMenuChanged(bool groupsToo);
    void message(const std::string& text);

    core::AppContext& m_app;
    // The rowids of what the lists show, taken when they were filled.
    std::vector<std::int64_t> m_tableIds;
    std::vector<std::int64_t> m_categoryIds;
    std::vector<std::vector<std::int64_t>> m_dishIds;
    std::string m_shownInitials;  // what 编辑框_助记码 showed for the chosen dish
};

}  // namespace tablora::settings
