#pragma once

#include <string>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}  // namespace tablora::core

namespace tablora::settings {

// The rights beyond the ten for one user: voids, comps, discounts and their limits.
class ExtraRightsWindow : public ui::Window {
  public:
    ExtraRightsWindow(core::AppContext& app, std::string user);
    void created();

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 376, 262}};
    ui::Label 标签_用户{*this, "标签_用户", "", {20, 14, 340, 24}, &分组框1, true};
    ui::CheckListBox 选择列表框_附加权限{
        *this, "选择列表框_附加权限", {20, 44, 130, 160}, &分组框1};
    ui::Label 透明标签1{*this, "透明标签1", "最低折扣：", {166, 48, 80, 24}, &分组框1, true};
    ui::EditBox 编辑框_最低折扣{
        *this, "编辑框_最低折扣", ui::EditMode::WholeNumber, {246, 46, 60, 28}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "80即8折，0不限", {166, 78, 190, 20}, &分组框1, true};
    ui::Label 透明标签3{*this, "透明标签3", "抹零上限：", {166, 112, 80, 24}, &分组框1, true};
    ui::EditBox 编辑框_抹零上限{
        *this, "编辑框_抹零上限", ui::EditMode::WholeNumber, {246, 110, 60, 28}, &分组框1};
    ui::Label 透明标签4{*this, "透明标签4", "元，0不限", {166, 142, 190, 20}, &分组框1, true};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {166, 212, 96, 36}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {270, 212, 96, 36}, &分组框1};

  private:
    void save();

    core::AppContext& m_app;
    std::string m_user;
};

}  // namespace tablora::settings
