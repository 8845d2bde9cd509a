#pragma once

#include "printing/bills.h"
#include "reports/day_report.h"
#include "ui/window.h"

namespace tablora::core {
class AppContext;
struct PermissionSet;
}  // namespace tablora::core

namespace tablora::report {

// The owner's numbers over a span of days: the summary, how bills were paid, what sells, when
// it is busy; and the day close with the cash count.
class ReportWindow : public ui::Window {
  public:
    explicit ReportWindow(core::AppContext& app);
    void created();
    void applyPermission(const core::PermissionSet& permissions);

    ui::Label 透明标签1{*this, "透明标签1", "开始日期：", {8, 10, 72, 24}, nullptr, true};
    ui::DatePicker 日期框_开始{*this, "日期框_开始", {80, 8, 130, 26}};
    ui::Label 透明标签2{*this, "透明标签2", "结束日期：", {218, 10, 72, 24}, nullptr, true};
    ui::DatePicker 日期框_结束{*this, "日期框_结束", {290, 8, 130, 26}};
    ui::Button 按钮_查询{*this, "按钮_查询", "查询", {428, 5, 76, 32}};
    ui::Label 透明标签3{*this, "透明标签3", "现金清点：", {516, 10, 72, 24}, nullptr, true};
    ui::EditBox 编辑框_现金清点{
        *this, "编辑框_现金清点", ui::EditMode::WholeNumber, {588, 8, 80, 26}};
    ui::Button 按钮_日结{*this, "按钮_日结", "日结", {674, 5, 70, 32}};
    ui::Label 标签_日结{*this, "标签_日结", "", {750, 10, 60, 24}, nullptr, true};
    ui::Button 按钮_导出{*this, "按钮_导出", "导出Excel", {816, 5, 100, 32}};
    ui::Button 按钮_打印{*this, "按钮_打印", "打印", {922, 5, 96, 32}};
    ui::ReportList 超级列表框_汇总{*this,
                                   "超级列表框_汇总",
                                   {{"项目", 90, ui::Align::Left}, {"数值", 90, ui::Align::Right}},
                                   {4, 44, 190, 290}};
    ui::ReportList 超级列表框_付款方式{*this,
                                       "超级列表框_付款方式",
                                       {{"付款方式", 80, ui::Align::Left},
                                        {"单数", 55, ui::Align::Right},
                                        {"金额", 75, ui::Align::Right}},
                                       {198, 44, 220, 290}};
    ui::ReportList 超级列表框_时段{*this,
                                   "超级列表框_时段",
                                   {{"时段", 56, ui::Align::Left},
                                    {"单数", 50, ui::Align::Right},
                                    {"金额", 70, ui::Align::Right}},
                                   {422, 44, 200, 290}};
    ui::Chart 图表_时段{
        *this, "图表_时段", ui::ChartKind::Bars, "每小时营业额", {626, 44, 394, 290}};
    ui::ReportList 超级列表框_菜品排行{*this,
                                       "超级列表框_菜品排行",
                                       {{"菜品", 104, ui::Align::Left},
                                        {"分类", 56, ui::Align::Left},
                                        {"数量", 46, ui::Align::Right},
                                        {"金额", 70, ui::Align::Right}},
                                       {4, 340, 310, 262}};
    ui::ReportList 超级列表框_分类{*this,
                                   "超级列表框_分类",
                                   {{"分类", 80, ui::Align::Left},
                                    {"数量", 50, ui::Align::Right},
                                    {"金额", 70, ui::Align::Right}},
                                   {318, 340, 210, 262}};
    ui::Chart 图表_分类{*this, "图表_分类", ui::ChartKind::Pie, "分类占比", {532, 340, 260, 262}};
    ui::Chart 图表_营业额{
        *this, "图表_营业额", ui::ChartKind::Line, "每日营业额", {796, 340, 224, 262}};

    // The day's cash: what should be in the drawer, and once closed what was counted.
    ui::Label 标签_现金{*this, "标签_现金", "", {4, 606, 520, 22}, nullptr, true};
    ui::Label 标签_差额{*this, "标签_差额", "", {532, 606, 260, 22}, nullptr, true};
    // What was taken off orders over the span, and by whom.
    ui::Button 按钮_操作记录{*this, "按钮_操作记录", "操作记录", {916, 603, 104, 26}};
    // Cash into or out of the drawer outside a sale (a float, a banking run).
    ui::Button 按钮_现金收支{*this, "按钮_现金收支", "现金收支", {806, 603, 104, 26}};

  private:
    void moveCash();
    void openAudit();
    void query();
    // The cash line of the one day shown: expected, and counted with the difference once closed.
    void showCash(const Report& r, data::SqliteTable* close);
    void closeDay();
    // The 日结 row of the one day shown, current on `closes`; false when the day is not closed.
    bool findClose(data::SqliteTable& closes);
    bool oneDay() const;
    void showSummary(const std::vector<long long>& figures);
    void exportWorkbook();
    void print();
    // The report as a ticket: the summary, the payment methods, the categories, the dishes;
    // with the day close's cash count when one is given.
    printing::Ticket reportTicket(int paperMm, const printing::ShopText& shop,
                                  const std::string& closeLines) const;

    core::AppContext& m_app;
};

}  // namespace tablora::report
