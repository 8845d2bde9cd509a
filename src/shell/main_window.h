#pragma once

#include "ui/window.h"

namespace tablora::shell {

class App;

// The program's frame: header, toolbar, tools menu, user-and-clock panel, announcement bar.
// The program runs while it exists.
class MainWindow : public ui::Window {
  public:
    explicit MainWindow(App& app);
    void created();

    // Toolbar indexes.
    static constexpr int kSwitchUser = 1, kOrder = 3, kCheckout = 4, kQuery = 6, kSettings = 7,
                         kBoard = 8, kReport = 9;

    ui::PictureBox 图片框1{*this, "图片框1", "app", {3, 3, 35, 35}};
    ui::Label 透明标签1{*this, "透明标签1", "Tablora", {47, 10, 113, 25}, nullptr, true};
    ui::Label 透明标签2{*this,   "透明标签2", "餐饮收银系统 1.0 · 单店版", {173, 17, 208, 16},
                        nullptr, true};
    ui::ComboBox 组合框_皮肤{*this, "组合框_皮肤", false, {752, 11, 114, 20}};
    ui::Button 按钮2{*this, "按钮2", "最小化", {883, 11, 60, 20}};
    ui::Button 按钮1{*this, "按钮1", "关闭", {953, 11, 60, 20}};
    ui::Line 外形框1{*this, "外形框1", {0, 40, 1024, 1}};
    ui::Toolbar 工具条1{*this,
                        "工具条1",
                        {{"", "", true},
                         {"切换用户", "switch-user", false},
                         {"", "", true},
                         {"开台点菜", "order", false},
                         {"买单结账", "checkout", false},
                         {"", "", true},
                         {"明细查询", "query", false},
                         {"系统设置", "settings", false},
                         {"餐台总览", "board", false},
                         {"营业报表", "report", false}},
                        {0, 43, 1024, 65}};
    ui::GroupBox 分组框1{*this, "分组框1", {696, 41, 323, 63}};
    ui::Label 透明标签4{*this, "透明标签4", "当前用户：", {15, 15, 70, 16}, &分组框1, true};
    ui::Label 标签_用户{*this, "标签_用户", "", {96, 11, 96, 20}, &分组框1};
    ui::Label 透明标签3{*this, "透明标签3", "系统时间：", {15, 35, 70, 24}, &分组框1, true};
    ui::Label 标签_时间{*this, "标签_时间", "", {96, 36, 216, 20}, &分组框1};
    ui::Line 外形框2{*this, "外形框2", {0, 107, 1024, 1}};
    ui::Label 透明标签5{*this,   "透明标签5", "------Mervane程序开发设计！", {704, 632, 256, 56},
                        nullptr, true};
    ui::StatusBar 状态条_公告{*this, "状态条_公告", {52, -1}, {0, 748, 1024, 20}};
    ui::Timer 时钟1{*this, "时钟1", 1000};
    ui::PopupMenu 工具菜单{"工具菜单",
                           {"用户设置", "", "餐厅设置", "", "口味设置", "", "收银设置", "",
                            "公告设置", "", "打印设置", "", "数据备份", "", "显示比例"}};

  private:
    // No cysj.db in an installed copy's data folder: a new restaurant, or the demo.
    void offerNewRestaurant();
    void onToolbar(int index);
    void onMenu(int index);
    void switchUser();
    void tick();

    App& m_app;
};

}  // namespace tablora::shell
