#pragma once

#include <string>
#include <vector>

#include "ordering/order_line.h"
#include "printing/bills.h"
#include "ui/window.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::ordering {

// Takes back a dish the kitchen already has: how many and why. The line, the order's total,
// the send record and the trace change in one transaction; the kitchen gets a 退菜 ticket.
class VoidDishWindow : public ui::Window {
  public:
    VoidDishWindow(core::AppContext& app, OrderLine line, std::string approver);

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 356, 232}};
    ui::Label 标签_菜品{*this, "标签_菜品", "", {20, 14, 320, 24}, &分组框1, true};
    ui::Label 标签_可退{*this, "标签_可退", "", {20, 42, 320, 24}, &分组框1, true};
    ui::Label 透明标签1{*this, "透明标签1", "退菜数量：", {20, 80, 80, 24}, &分组框1, true};
    ui::EditBox 编辑框_退菜数量{
        *this, "编辑框_退菜数量", ui::EditMode::WholeNumber, {104, 78, 80, 30}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "退菜原因：", {20, 124, 80, 24}, &分组框1, true};
    ui::ComboBox 组合框_原因{*this, "组合框_原因", true, {104, 122, 230, 30}, &分组框1};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {104, 176, 108, 40}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {226, 176, 108, 40}, &分组框1};

    // The order changed in the file: the void was made, or another program changed the order.
    bool orderChanged() const { return m_orderChanged; }

  private:
    void confirm();
    // The void itself, in one transaction; the message it failed with, or empty.
    std::string write(long long quantity, const std::string& reason,
                      std::vector<printing::KeptBill>& tickets);

    core::AppContext& m_app;
    OrderLine m_line;
    std::string m_approver;
    bool m_orderChanged = false;
};

}  // namespace tablora::ordering
