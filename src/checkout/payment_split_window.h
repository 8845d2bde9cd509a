#pragma once

#include <string>
#include <vector>

#include "checkout/payment.h"
#include "ui/window.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::checkout {

// One bill paid several ways, or shared out evenly: the payments, what is still owed, the
// change (given only from cash), then settling them all at once.
class PaymentSplitWindow : public ui::Window {
  public:
    PaymentSplitWindow(core::AppContext& app, long long due,
                       const std::vector<std::string>& methods, SettleWith settle);

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 496, 436}};
    ui::ReportList 超级列表框_付款{
        *this,
        "超级列表框_付款",
        {{"付款方式", 130, ui::Align::Left}, {"金额", 100, ui::Align::Right}},
        {14, 14, 240, 270},
        &分组框1};
    ui::Label 透明标签1{*this, "透明标签1", "付款方式：", {266, 16, 84, 26}, &分组框1, true};
    ui::ComboBox 组合框_付款方式{*this, "组合框_付款方式", false, {352, 14, 130, 30}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "金额：", {266, 54, 84, 26}, &分组框1, true};
    ui::EditBox 编辑框_金额{
        *this, "编辑框_金额", ui::EditMode::WholeNumber, {352, 52, 130, 30}, &分组框1};
    ui::Button 按钮_添加{*this, "按钮_添加", "添加", {266, 92, 104, 40}, &分组框1};
    ui::Button 按钮_删除一笔{*this, "按钮_删除一笔", "删除一笔", {378, 92, 104, 40}, &分组框1};
    ui::Label 透明标签3{*this, "透明标签3", "AA人数：", {266, 150, 84, 26}, &分组框1, true};
    ui::EditBox 编辑框_AA人数{
        *this, "编辑框_AA人数", ui::EditMode::WholeNumber, {352, 148, 130, 30}, &分组框1};
    ui::Button 按钮_AA{*this, "按钮_AA", "按人数均分", {352, 186, 130, 40}, &分组框1};
    ui::Label 标签_应收{*this, "标签_应收", "", {266, 236, 216, 24}, &分组框1};
    ui::Label 标签_已付{*this, "标签_已付", "", {266, 262, 216, 24}, &分组框1};
    ui::Label 标签_还差{*this, "标签_还差", "", {14, 298, 240, 24}, &分组框1};
    ui::Label 标签_找零{*this, "标签_找零", "", {266, 298, 216, 24}, &分组框1};
    ui::Button 按钮_结账{*this, "按钮_结账", "结 账", {250, 378, 112, 44}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {370, 378, 112, 44}, &分组框1};

  private:
    void add();
    void removeOne();
    void shareEvenly();
    // A share selected in the list takes the method chosen.
    void methodChosen();
    void showTotals();
    void settle();

    core::AppContext& m_app;
    long long m_due;
    SettleWith m_settle;
};

// The cash desk's 组合支付 button.
void payInParts(core::AppContext& app, ui::Window& owner, long long due,
                const std::vector<std::string>& methods, SettleWith settle);

}  // namespace tablora::checkout
