#pragma once

#include "ui/window.h"
#include "util/date_time.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::report {

// What was taken off orders over the report's span, by whom and why: voids, decreases of what
// the kitchen had not been sent, and deleted orders.
class AuditWindow : public ui::Window {
  public:
    AuditWindow(core::AppContext& app, util::CalendarTime first, util::CalendarTime last);
    // False, having told the person, when the trace could not be read.
    bool refresh();

    ui::GroupBox 分组框0{*this, "分组框0", {4, -2, 1012, 56}};
    ui::Label 标签_期间{*this, "标签_期间", "", {16, 18, 400, 24}, &分组框0, true};
    ui::Label 透明标签1{*this, "透明标签1", "动作：", {600, 18, 50, 24}, &分组框0, true};
    ui::ComboBox 组合框_动作{*this, "组合框_动作", false, {650, 14, 120, 30}, &分组框0};
    ui::Button 按钮_关闭{*this, "按钮_关闭", "关闭", {900, 14, 95, 30}, &分组框0};
    ui::ReportList 超级列表框_操作记录{*this,
                                       "超级列表框_操作记录",
                                       {{"时间", 150, ui::Align::Left},
                                        {"台号", 80, ui::Align::Center},
                                        {"单号", 130, ui::Align::Left},
                                        {"动作", 50, ui::Align::Center},
                                        {"菜品", 180, ui::Align::Left},
                                        {"数量", 50, ui::Align::Right},
                                        {"金额", 70, ui::Align::Right},
                                        {"原因", 120, ui::Align::Left},
                                        {"操作员", 70, ui::Align::Center},
                                        {"授权人", 70, ui::Align::Center}},
                                       {4, 58, 1012, 430}};

  private:
    core::AppContext& m_app;
    util::CalendarTime m_first, m_last;
};

}  // namespace tablora::report
