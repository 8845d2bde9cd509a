#pragma once

#include <string>
#include <vector>

#include "ordering/order_line.h"
#include "ui/window.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::ordering {

// What the kitchen must know of one line: notes chosen from those kept and one typed.
class TasteWindow : public ui::Window {
  public:
    TasteWindow(core::AppContext& app, OrderLine line, const std::string& note);

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 396, 336}};
    ui::Label 标签_菜品{*this, "标签_菜品", "", {16, 12, 368, 24}, &分组框1, true};
    ui::CheckListBox 选择列表框_口味{*this, "选择列表框_口味", {16, 42, 170, 220}, &分组框1};
    ui::Label 透明标签1{*this, "透明标签1", "其他：", {200, 44, 60, 24}, &分组框1, true};
    ui::EditBox 编辑框_其他{
        *this, "编辑框_其他", ui::EditMode::Plain, {200, 70, 184, 30}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "预览：", {200, 112, 60, 24}, &分组框1, true};
    ui::Label 标签_预览{*this, "标签_预览", "", {200, 136, 184, 80}, &分组框1, true};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {16, 276, 116, 44}, &分组框1};
    ui::Button 按钮_清除{*this, "按钮_清除", "清除", {142, 276, 116, 44}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {268, 276, 116, 44}, &分组框1};

    // The order changed in the file: the note was kept, or another program changed the order.
    bool orderChanged() const { return m_orderChanged; }

  private:
    std::string joined() const;
    void confirm();

    core::AppContext& m_app;
    OrderLine m_line;
    bool m_orderChanged = false;
};

}  // namespace tablora::ordering
