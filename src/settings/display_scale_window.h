#pragma once

#include <vector>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}  // namespace tablora::core

namespace tablora::settings {

// How large the program draws everything, for the screen the restaurant has (a touch screen
// of 1920 x 1080 wants 150%). The window system takes a scale when the program starts, so a
// choice is kept in the file and shown from the next start on.
class DisplayScaleWindow : public ui::Window {
  public:
    explicit DisplayScaleWindow(core::AppContext& app);
    void created();

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 316, 180}};
    ui::Label 透明标签1{*this, "透明标签1", "显示比例：", {24, 30, 80, 24}, &分组框1, true};
    ui::ComboBox 组合框_比例{*this, "组合框_比例", false, {110, 28, 120, 24}, &分组框1};
    ui::Label 透明标签2{*this,    "透明标签2", "重新启动程序后生效。", {24, 66, 260, 24},
                        &分组框1, true};
    // Why a larger scale is not offered: the main window would not fit this screen.
    ui::Label 标签_说明{*this, "标签_说明", "", {24, 94, 284, 24}, &分组框1, true};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {110, 132, 90, 30}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {212, 132, 90, 30}, &分组框1};

  private:
    void save();

    core::AppContext& m_app;
    std::vector<int> m_scales;  // those offered, in the list's order
};

}  // namespace tablora::settings
