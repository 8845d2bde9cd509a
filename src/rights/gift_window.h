#pragma once

#include <string>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::rights {

// The line of an order a comp is for.
struct GiftLine {
    std::string number, table, dish;
    long long price = 0, quantity = 0, comped = 0;
};

// Gives a guest some of a line free: how many and why, kept as an adjustment of the bill with
// its trace, in one transaction. The order window and the cash desk share it.
class GiftWindow : public ui::Window {
  public:
    GiftWindow(core::AppContext& app, GiftLine line, std::string approver);

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 356, 232}};
    ui::Label 标签_菜品{*this, "标签_菜品", "", {20, 14, 320, 24}, &分组框1, true};
    ui::Label 标签_可赠{*this, "标签_可赠", "", {20, 42, 320, 24}, &分组框1, true};
    ui::Label 透明标签1{*this, "透明标签1", "赠送数量：", {20, 80, 80, 24}, &分组框1, true};
    ui::EditBox 编辑框_赠送数量{
        *this, "编辑框_赠送数量", ui::EditMode::WholeNumber, {104, 78, 80, 30}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "赠送原因：", {20, 124, 80, 24}, &分组框1, true};
    ui::ComboBox 组合框_原因{*this, "组合框_原因", true, {104, 122, 230, 30}, &分组框1};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {104, 176, 108, 40}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {226, 176, 108, 40}, &分组框1};

    // The order changed in the file: the comp was kept, or another program changed the order.
    bool orderChanged() const { return m_orderChanged; }

  private:
    void confirm();

    core::AppContext& m_app;
    GiftLine m_line;
    std::string m_approver;
    bool m_orderChanged = false;
};

// The 赠送 button of a window showing an order line: on a comped line, asks whether to take the
// comp back; otherwise the right (or a manager's approval) and GiftWindow. True when the order
// changed in the file.
bool giveOrTakeBack(core::AppContext& app, ui::Window& owner, const GiftLine& line);

// Whether a line may go down to `left`: not below what is comped (said when it would).
bool keepsWhatIsComped(core::AppContext& app, const std::string& number, const std::string& dish,
                       long long left);

}  // namespace tablora::rights
