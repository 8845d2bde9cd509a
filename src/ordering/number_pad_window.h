#pragma once

#include <optional>
#include <string>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::ordering {

// A quantity typed with a finger: eight beers in one go instead of eight presses of 数量+.
class NumberPadWindow : public ui::Window {
  public:
    NumberPadWindow(core::AppContext& app, const std::string& dish, long long quantity);

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 256, 366}};
    ui::Label 标签_菜品{*this, "标签_菜品", "", {16, 10, 228, 24}, &分组框1, true};
    ui::EditBox 编辑框_数量{
        *this, "编辑框_数量", ui::EditMode::WholeNumber, {16, 40, 228, 36}, &分组框1};
    ui::Button 按钮_7{*this, "按钮_7", "7", {16, 86, 72, 48}, &分组框1};
    ui::Button 按钮_8{*this, "按钮_8", "8", {94, 86, 72, 48}, &分组框1};
    ui::Button 按钮_9{*this, "按钮_9", "9", {172, 86, 72, 48}, &分组框1};
    ui::Button 按钮_4{*this, "按钮_4", "4", {16, 140, 72, 48}, &分组框1};
    ui::Button 按钮_5{*this, "按钮_5", "5", {94, 140, 72, 48}, &分组框1};
    ui::Button 按钮_6{*this, "按钮_6", "6", {172, 140, 72, 48}, &分组框1};
    ui::Button 按钮_1{*this, "按钮_1", "1", {16, 194, 72, 48}, &分组框1};
    ui::Button 按钮_2{*this, "按钮_2", "2", {94, 194, 72, 48}, &分组框1};
    ui::Button 按钮_3{*this, "按钮_3", "3", {172, 194, 72, 48}, &分组框1};
    ui::Button 按钮_清除{*this, "按钮_清除", "清除", {16, 248, 72, 48}, &分组框1};
    ui::Button 按钮_0{*this, "按钮_0", "0", {94, 248, 72, 48}, &分组框1};
    ui::Button 按钮_退格{*this, "按钮_退格", "退格", {172, 248, 72, 48}, &分组框1};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {16, 306, 111, 48}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {133, 306, 111, 48}, &分组框1};

    // The quantity confirmed, 1-999; nothing when cancelled.
    const std::optional<int>& chosen() const { return m_chosen; }

  private:
    void confirm();

    core::AppContext& m_app;
    std::optional<int> m_chosen;
};

}  // namespace tablora::ordering
