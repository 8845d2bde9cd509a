#pragma once

#include <string>
#include <vector>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::checkout {

// A line of the order being split: what stays and what goes to the new bill.
struct SplitLine {
    std::string dish, category;
    long long price = 0, quantity = 0, moved = 0;
};

// Two guests at one table want two bills: the dishes and how many of each go to a new unpaid
// order at "大厅1号-1", with what the kitchen was sent, their notes, comps and discounts.
class SplitBillWindow : public ui::Window {
  public:
    SplitBillWindow(core::AppContext& app, std::string number, std::string table, long long lines,
                    std::vector<SplitLine> items);

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 716, 446}};
    ui::Label 透明标签1{*this, "透明标签1", "原单", {14, 10, 300, 24}, &分组框1, true};
    ui::ReportList 超级列表框_原单{*this,
                                   "超级列表框_原单",
                                   {{"菜品名称", 150, ui::Align::Left},
                                    {"单价", 60, ui::Align::Right},
                                    {"数量", 60, ui::Align::Right}},
                                   {14, 36, 290, 300},
                                   &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "新单", {414, 10, 290, 24}, &分组框1, true};
    ui::ReportList 超级列表框_新单{*this,
                                   "超级列表框_新单",
                                   {{"菜品名称", 150, ui::Align::Left},
                                    {"单价", 60, ui::Align::Right},
                                    {"数量", 60, ui::Align::Right}},
                                   {414, 36, 290, 300},
                                   &分组框1};
    ui::Label 透明标签3{*this, "透明标签3", "数量：", {314, 60, 90, 24}, &分组框1, true};
    ui::EditBox 编辑框_移动数量{
        *this, "编辑框_移动数量", ui::EditMode::WholeNumber, {314, 86, 90, 30}, &分组框1};
    ui::Button 按钮_移入{*this, "按钮_移入", "→", {314, 130, 90, 44}, &分组框1};
    ui::Button 按钮_移回{*this, "按钮_移回", "←", {314, 184, 90, 44}, &分组框1};
    ui::Label 标签_原单金额{*this, "标签_原单金额", "", {14, 344, 290, 26}, &分组框1};
    ui::Label 标签_新单金额{*this, "标签_新单金额", "", {414, 344, 290, 26}, &分组框1};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {472, 388, 112, 44}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {592, 388, 112, 44}, &分组框1};

    // The bills changed in the file (split, or changed by another program meanwhile).
    bool changed() const { return m_changed; }
    void setApprover(std::string approver) { m_approver = std::move(approver); }

  private:
    void move(bool intoNew);
    void showLists();
    void confirm();
    // The split in one transaction; the new order's table name, or empty having said why.
    std::string write();

    core::AppContext& m_app;
    std::string m_number, m_table;
    long long m_lines;
    std::vector<SplitLine> m_items;
    bool m_changed = false;
    std::string m_approver;
};

// The cash desk's (and the board's) 拆单: the right, then the window. True when the bills
// changed.
bool splitOrder(core::AppContext& app, ui::Window& owner, const std::string& number);

}  // namespace tablora::checkout
