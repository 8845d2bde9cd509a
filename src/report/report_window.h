#pragma once

#include "report/day_report.h"
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

    ui::Label 透明标签1{*this, "透明标签1", "开始日期：", {10, 10, 80, 24}, nullptr, true};
    ui::DatePicker 日期框_开始{*this, "日期框_开始", {90, 8, 140, 26}};
    ui::Label 透明标签2{*this, "透明标签2", "结束日期：", {246, 10, 80, 24}, nullptr, true};
    ui::DatePicker 日期框_结束{*this, "日期框_结束", {326, 8, 140, 26}};
    ui::Button 按钮_查询{*this, "按钮_查询", "查询", {480, 5, 100, 32}};
    ui::Label 透明标签3{*this, "透明标签3", "现金清点：", {620, 10, 80, 24}, nullptr, true};
    ui::EditBox 编辑框_现金清点{
        *this, "编辑框_现金清点", ui::EditMode::WholeNumber, {700, 8, 100, 26}};
    ui::Button 按钮_日结{*this, "按钮_日结", "日结", {812, 5, 100, 32}};
    ui::Label 标签_日结{*this, "标签_日结", "", {924, 10, 90, 24}, nullptr, true};
    ui::ReportList 超级列表框_汇总{
        *this,
        "超级列表框_汇总",
        {{"项目", 110, ui::Align::Left}, {"数值", 110, ui::Align::Right}},
        {4, 44, 240, 290}};
    ui::ReportList 超级列表框_付款方式{*this,
                                       "超级列表框_付款方式",
                                       {{"付款方式", 100, ui::Align::Left},
                                        {"单数", 70, ui::Align::Right},
                                        {"金额", 90, ui::Align::Right}},
                                       {250, 44, 280, 290}};
    ui::ReportList 超级列表框_时段{*this,
                                   "超级列表框_时段",
                                   {{"时段", 120, ui::Align::Left},
                                    {"单数", 100, ui::Align::Right},
                                    {"金额", 120, ui::Align::Right}},
                                   {536, 44, 484, 290}};
    ui::ReportList 超级列表框_菜品排行{*this,
                                       "超级列表框_菜品排行",
                                       {{"菜品", 200, ui::Align::Left},
                                        {"分类", 120, ui::Align::Left},
                                        {"数量", 80, ui::Align::Right},
                                        {"金额", 100, ui::Align::Right}},
                                       {4, 340, 520, 286}};
    ui::ReportList 超级列表框_分类{*this,
                                   "超级列表框_分类",
                                   {{"分类", 150, ui::Align::Left},
                                    {"数量", 90, ui::Align::Right},
                                    {"金额", 110, ui::Align::Right}},
                                   {530, 340, 490, 286}};

  private:
    void query();
    void closeDay();
    // The 日结 row of the one day shown, current on `closes`; false when the day is not closed.
    bool findClose(data::SqliteTable& closes);
    bool oneDay() const;
    void showSummary(const std::vector<long long>& figures);

    core::AppContext& m_app;
};

}  // namespace tablora::report
