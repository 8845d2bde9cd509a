#pragma once

#include <string>
#include <vector>

#include "checkout/payment.h"
#include "printing/bills.h"
#include "ui/window.h"

namespace tablora::core {
class AppContext;
struct PermissionSet;
}  // namespace tablora::core

namespace tablora::checkout {

// The cash desk: every unpaid order, its lines and amount due, the change, and settling.
class CheckoutWindow : public ui::Window {
  public:
    explicit CheckoutWindow(core::AppContext& app);
    void created();
    void applyPermission(const core::PermissionSet& permissions);
    void RefreshCheckoutWindow();

    ui::GroupBox 分组框1{*this, "分组框1", {5, 0, 1016, 200}};
    ui::ReportList 超级列表框_流水{*this,
                                   "超级列表框_流水",
                                   {{"序号", 60, ui::Align::Left},
                                    {"系统单号", 160, ui::Align::Left},
                                    {"开台时间", 280, ui::Align::Left},
                                    {"台号", 100, ui::Align::Center},
                                    {"人数", 80, ui::Align::Center},
                                    {"总金额", 80, ui::Align::Right},
                                    {"结账状态", 100, ui::Align::Center},
                                    {"操作员", 140, ui::Align::Center}},
                                   {3, 9, 1010, 187},
                                   &分组框1};
    ui::GroupBox 分组框2{*this, "分组框2", {5, 198, 700, 425}};
    ui::ReportList 超级列表框_明细{*this,
                                   "超级列表框_明细",
                                   {{"序号", 50, ui::Align::Left},
                                    {"系统单号", 160, ui::Align::Left},
                                    {"菜品名称", 150, ui::Align::Center},
                                    {"单价", 70, ui::Align::Right},
                                    {"数量", 70, ui::Align::Right},
                                    {"金额", 70, ui::Align::Right},
                                    {"菜品分类", 120, ui::Align::Center}},
                                   {3, 9, 694, 413},
                                   &分组框2};
    ui::Label 透明标签1{*this, "透明标签1", "操作台号：", {750, 240, 88, 24}, nullptr, true};
    ui::Label 标签_台号{*this, "标签_台号", "", {850, 240, 120, 24}};
    ui::Label 透明标签2{*this, "透明标签2", "应收金额：", {750, 287, 88, 24}, nullptr, true};
    ui::Label 标签_金额{*this, "标签_金额", "", {850, 288, 60, 24}};
    ui::Label 透明标签6{*this, "透明标签6", "元", {934, 292, 32, 24}, nullptr, true};
    ui::Label 透明标签4{*this, "透明标签4", "结账备注：", {750, 336, 88, 24}, nullptr, true};
    ui::EditBox 编辑框_备注{*this, "编辑框_备注", ui::EditMode::MultiLine, {850, 337, 120, 47}};
    // The selected line's notes for the kitchen.
    ui::Label 标签_口味{*this, "标签_口味", "", {729, 390, 290, 22}, nullptr, true};
    ui::Line 外形框1{*this, "外形框1", {729, 416, 270, 1}};
    ui::Label 透明标签8{*this, "透明标签8", "付款方式：", {750, 424, 88, 24}, nullptr, true};
    ui::ComboBox 组合框_付款方式{*this, "组合框_付款方式", false, {850, 424, 116, 24}};
    ui::Label 透明标签5{*this, "透明标签5", "找零金额：", {752, 456, 83, 24}, nullptr, true};
    ui::Label 标签_找零{*this, "标签_找零", "", {850, 456, 60, 24}};
    ui::Label 透明标签7{*this, "透明标签7", "元", {926, 455, 32, 24}, nullptr, true};
    ui::Label 透明标签3{*this, "透明标签3", "实收金额：", {750, 500, 88, 24}, nullptr, true};
    ui::EditBox 编辑框_金额{*this, "编辑框_金额", ui::EditMode::WholeNumber, {850, 501, 60, 24}};
    ui::Button 按钮_计算{*this, "按钮_计算", "计算", {924, 502, 40, 24}};
    ui::Button 按钮_结账{*this, "按钮_结账", "结 账", {850, 552, 112, 40}};
    ui::Button 按钮_打印账单{*this, "按钮_打印账单", "打印账单", {730, 552, 112, 40}};
    // What changes the amount due, shown while the order has any: the lines' sum, what was
    // taken off, what was added.
    ui::Label 标签_消费金额{*this, "标签_消费金额", "", {729, 206, 95, 24}, nullptr, true};
    ui::Label 标签_优惠{*this, "标签_优惠", "", {826, 206, 95, 24}, nullptr, true};
    ui::Label 标签_附加{*this, "标签_附加", "", {923, 206, 95, 24}, nullptr, true};
    // Cash in two taps: the amount due or a banknote, with the change at once.
    ui::Button 按钮_整额{*this, "按钮_整额", "整额", {970, 424, 48, 28}};
    ui::Button 按钮_50{*this, "按钮_50", "50", {970, 456, 48, 28}};
    ui::Button 按钮_100{*this, "按钮_100", "100", {970, 488, 48, 28}};
    ui::Button 按钮_赠送{*this, "按钮_赠送", "赠送", {729, 597, 68, 30}};
    ui::Button 按钮_优惠{*this, "按钮_优惠", "优惠", {801, 597, 68, 30}};
    ui::Button 按钮_组合支付{*this, "按钮_组合支付", "组合支付", {873, 597, 72, 30}};
    ui::Button 按钮_拆单{*this, "按钮_拆单", "拆单", {949, 597, 68, 30}};

    // Settles the selected order with these payments, reckoned against the amount due as
    // stored now (`due` is what the person was shown; another amount refuses). True when it
    // settled; every outcome has been told.
    bool settleWith(const std::vector<Payment>& payments, long long due);

  private:
    // Shows the selected line's notes in 标签_口味.
    void showNote();
    // The amount due of the order: its lines' sum with its adjustments; the labels follow.
    void showAmountDue();
    void giftDish();
    void discount();
    void payMixed();
    void splitBill();
    // Fills the amount received (the due amount, or a note) and shows the change.
    void payQuick(long long amount);
    // The selected order's number, table and lines' sum; false, having said so, with none.
    bool selectedOrder(std::string& number, long long& lines);
    void showSelectedOrder();
    // False, having said why, when the amount received is empty or too large to reckon with.
    bool amountUsable();
    void computeChange();
    void settle();
    // The 结账 row of a settlement: how it was paid, received and given back.
    bool recordPayment(const std::string& number, const Payment& payment);
    void printPreBill();
    // The order as stored now, with its lines, read at the journal cursor's current record.
    printing::BillOrder storedOrder(long long roundOff);

    core::AppContext& m_app;
    // The 抹零 chosen for the selected order, held until it is settled; any change drops it.
    long long m_roundOff = 0;
    long long m_due = 0;  // the amount due shown
};

}  // namespace tablora::checkout
