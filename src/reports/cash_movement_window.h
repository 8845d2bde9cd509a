#pragma once

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::report {

// Cash put into the drawer (a float, change brought in) or taken out, outside a sale: kept
// with its time and user, so the day close expects what the drawer really holds.
class CashMovementWindow : public ui::Window {
  public:
    explicit CashMovementWindow(core::AppContext& app);

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 356, 226}};
    ui::Label 透明标签1{*this, "透明标签1", "类型：", {20, 18, 60, 24}, &分组框1, true};
    ui::ComboBox 组合框_类型{*this, "组合框_类型", false, {84, 14, 250, 30}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "金额：", {20, 58, 60, 24}, &分组框1, true};
    ui::EditBox 编辑框_金额{
        *this, "编辑框_金额", ui::EditMode::WholeNumber, {84, 54, 250, 30}, &分组框1};
    ui::Label 透明标签3{*this, "透明标签3", "说明：", {20, 98, 60, 24}, &分组框1, true};
    ui::EditBox 编辑框_说明{*this, "编辑框_说明", ui::EditMode::Plain, {84, 94, 250, 30}, &分组框1};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {104, 160, 110, 44}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {224, 160, 110, 44}, &分组框1};

    bool kept() const { return m_kept; }

  private:
    void confirm();

    core::AppContext& m_app;
    bool m_kept = false;
};

}  // namespace tablora::report
