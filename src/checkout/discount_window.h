#pragma once

#include <string>

#include "core/order_bill.h"
#include "ui/window.h"

namespace tablora::core {
class AppContext;
}
namespace tablora::data {
class DataContext;
}

namespace tablora::checkout {

// The order a discount is for, as the cash desk shows it.
struct DiscountOrder {
    std::string number, table;
    long long lines = 0;  // 流水.金额 as shown
    std::string dish;     // the line selected, if any
    long long roundOff = 0;
};

struct DiscountChoice {
    bool done = false;          // 确定 kept the choice
    bool linesChanged = false;  // another program changed the order meanwhile
    long long roundOff = 0;     // the 抹零 the cash desk holds until settling
};

// The bill's discounts, 抹零 and service charge with a preview of what the guest pays. Rates
// and a waived service charge are kept with the order on 确定; 抹零 goes back to the cash desk.
class DiscountWindow : public ui::Window {
  public:
    DiscountWindow(core::AppContext& app, DiscountOrder order, core::OrderBill bill);

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 536, 476}};
    ui::Label 透明标签1{*this, "透明标签1", "整单折扣：", {16, 16, 84, 26}, &分组框1, true};
    ui::ComboBox 组合框_折扣{*this, "组合框_折扣", true, {102, 14, 150, 30}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "折扣原因：", {268, 16, 84, 26}, &分组框1, true};
    ui::ComboBox 组合框_折扣原因{*this, "组合框_折扣原因", true, {354, 14, 168, 30}, &分组框1};
    ui::Label 标签_单品{*this, "标签_单品", "", {16, 56, 236, 26}, &分组框1, true};
    ui::Label 透明标签3{*this, "透明标签3", "单品折扣：", {268, 56, 84, 26}, &分组框1, true};
    ui::ComboBox 组合框_单品折扣{*this, "组合框_单品折扣", true, {354, 54, 168, 30}, &分组框1};
    ui::Label 透明标签4{*this, "透明标签4", "抹零：", {16, 96, 84, 26}, &分组框1, true};
    ui::ComboBox 组合框_抹零{*this, "组合框_抹零", false, {102, 94, 150, 30}, &分组框1};
    ui::EditBox 编辑框_抹零{
        *this, "编辑框_抹零", ui::EditMode::WholeNumber, {268, 94, 84, 30}, &分组框1};
    ui::CheckListBox 选择框_免服务费{*this, "选择框_免服务费", {372, 94, 150, 30}, &分组框1};
    ui::ReportList 超级列表框_调整{*this,
                                   "超级列表框_调整",
                                   {{"类型", 100, ui::Align::Left},
                                    {"说明", 280, ui::Align::Left},
                                    {"金额", 100, ui::Align::Right}},
                                   {16, 136, 506, 220},
                                   &分组框1};
    ui::Label 标签_应收{*this, "标签_应收", "", {16, 366, 300, 30}, &分组框1};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {290, 412, 110, 44}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {412, 412, 110, 44}, &分组框1};

    const DiscountChoice& choice() const { return m_choice; }

  private:
    // What the boxes say now; nothing (having said why when `tell`) when a box is wrong.
    struct Chosen {
        int wholeRate = 100, lineRate = 100;
        bool waived = false;
        long long roundOff = 0;
    };
    std::optional<Chosen> read(bool tell);
    // The bill's terms with what the boxes chose in place of the kept ones.
    core::BillTerms termsWith(const Chosen& chosen, long long roundOff) const;
    void preview();
    void confirm();
    bool write(const Chosen& chosen, const std::string& approver);

    core::AppContext& m_app;
    DiscountOrder m_order;
    core::OrderBill m_bill;
    DiscountChoice m_choice;
};

// Inside the caller's transaction: the order is unpaid and its lines' sum is still this.
bool orderAsShown(data::DataContext& data, const std::string& number, long long lines);

// The cash desk's 优惠 button.
DiscountChoice chooseDiscount(core::AppContext& app, ui::Window& owner, const DiscountOrder& order);

}  // namespace tablora::checkout
