#pragma once

#include <string>
#include <vector>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::settings {

// What the cash desk adds and leaves out: each dining table's service charge and minimum
// spend, the categories no discount applies to, and the reasons offered for voids, comps,
// discounts and reopened bills.
class CashierSettingsWindow : public ui::Window {
  public:
    explicit CashierSettingsWindow(core::AppContext& app);
    void created();
    // False, having told the person, when the file could not be read.
    bool refresh();

    ui::GroupBox 分组框0{*this, "分组框0", {4, -2, 692, 56}};
    ui::Label 透明标签0{*this, "透明标签0", "收银设置", {16, 18, 88, 24}, &分组框0, true};
    ui::Button 按钮_关闭{*this, "按钮_关闭", "关闭", {580, 16, 95, 25}, &分组框0};
    ui::GroupBox 分组框1{*this, "分组框1", {4, 52, 340, 446}};
    ui::ReportList 超级列表框_餐台{*this,
                                   "超级列表框_餐台",
                                   {{"台号", 120, ui::Align::Left},
                                    {"服务费率", 90, ui::Align::Right},
                                    {"最低消费", 90, ui::Align::Right}},
                                   {10, 14, 320, 300},
                                   &分组框1};
    ui::Label 透明标签1{*this, "透明标签1", "服务费率：", {10, 326, 84, 26}, &分组框1, true};
    ui::EditBox 编辑框_服务费率{
        *this, "编辑框_服务费率", ui::EditMode::WholeNumber, {96, 324, 70, 30}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "%", {170, 326, 20, 26}, &分组框1, true};
    ui::Label 透明标签3{*this, "透明标签3", "最低消费：", {10, 366, 84, 26}, &分组框1, true};
    ui::EditBox 编辑框_最低消费{
        *this, "编辑框_最低消费", ui::EditMode::WholeNumber, {96, 364, 70, 30}, &分组框1};
    ui::Label 透明标签4{*this, "透明标签4", "元", {170, 366, 20, 26}, &分组框1, true};
    ui::Button 按钮_保存{*this, "按钮_保存", "保存", {200, 324, 130, 70}, &分组框1};
    ui::GroupBox 分组框2{*this, "分组框2", {348, 52, 348, 200}};
    ui::Label 透明标签5{*this, "透明标签5", "不打折的分类：", {10, 12, 200, 24}, &分组框2, true};
    ui::CheckListBox 选择列表框_不打折{*this, "选择列表框_不打折", {10, 38, 328, 154}, &分组框2};
    ui::GroupBox 分组框3{*this, "分组框3", {348, 248, 348, 250}};
    ui::Label 透明标签6{*this, "透明标签6", "原因：", {10, 16, 60, 24}, &分组框3, true};
    ui::ComboBox 组合框_原因类型{*this, "组合框_原因类型", false, {70, 12, 120, 30}, &分组框3};
    ui::ListBox 列表框_原因{*this, "列表框_原因", {10, 50, 180, 190}, &分组框3};
    ui::EditBox 编辑框_原因{
        *this, "编辑框_原因", ui::EditMode::Plain, {200, 50, 138, 30}, &分组框3};
    ui::Button 按钮_添加{*this, "按钮_添加", "添加", {200, 90, 138, 40}, &分组框3};
    ui::Button 按钮_删除{*this, "按钮_删除", "删除", {200, 140, 138, 40}, &分组框3};

  private:
    void showCharges();
    void saveCharges();
    void tickCategory(int index);
    bool showReasons();
    void addReason();
    void removeReason();

    core::AppContext& m_app;
};

}  // namespace tablora::settings
