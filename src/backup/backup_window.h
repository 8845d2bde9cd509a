#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}  // namespace tablora::core

namespace tablora::backup {

// The copies of the database: made on request, restored, and the folders they go to.
class BackupWindow : public ui::Window {
  public:
    explicit BackupWindow(core::AppContext& app);
    ~BackupWindow() override { *m_alive = false; }
    void created();

    // A header band with the way out, as the settings windows have.
    ui::GroupBox 分组框0{*this, "分组框0", {4, -2, 632, 56}};
    ui::Label 透明标签0{*this, "透明标签0", "数据备份", {16, 18, 88, 24}, &分组框0, true};
    ui::Button 按钮_关闭{*this, "按钮_关闭", "关闭", {521, 16, 95, 25}, &分组框0};
    ui::GroupBox 分组框1{*this, "分组框1", {4, 52, 632, 312}};
    ui::Label 透明标签1{*this, "透明标签1", "备份文件：", {10, 8, 140, 22}, &分组框1, true};
    ui::ReportList 超级列表框_备份{*this,
                                   "超级列表框_备份",
                                   {{"备份时间", 170, ui::Align::Left},
                                    {"大小", 90, ui::Align::Right},
                                    {"流水记录数", 100, ui::Align::Right},
                                    {"位置", 248, ui::Align::Left}},
                                   {10, 32, 612, 222},
                                   &分组框1};
    ui::Button 按钮_立即备份{*this, "按钮_立即备份", "立即备份", {10, 266, 100, 34}, &分组框1};
    ui::Button 按钮_恢复{*this, "按钮_恢复", "恢复", {124, 266, 100, 34}, &分组框1};
    ui::Label 标签_状态{*this, "标签_状态", "", {240, 274, 382, 20}, &分组框1, true};

    ui::GroupBox 分组框2{*this, "分组框2", {4, 358, 632, 98}};
    ui::Label 透明标签2{*this, "透明标签2", "备份文件夹：", {10, 16, 90, 24}, &分组框2, true};
    ui::Label 标签_备份文件夹{*this, "标签_备份文件夹", "", {104, 16, 518, 24}, &分组框2, true};
    ui::Label 透明标签3{*this, "透明标签3", "第二文件夹：", {10, 56, 90, 24}, &分组框2, true};
    ui::EditBox 编辑框_第二文件夹{
        *this, "编辑框_第二文件夹", ui::EditMode::Plain, {104, 54, 394, 26}, &分组框2};
    ui::Button 按钮_保存{*this, "按钮_保存", "保存", {512, 50, 100, 34}, &分组框2};

  private:
    void refresh();
    void copyNow();
    void restore();
    void saveFolder();
    // While a copy or a restore is under way the buttons wait.
    void setWorking(const std::string& what);

    core::AppContext& m_app;
    std::vector<std::string> m_paths;
    // A copy's outcome may come back after the window is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace tablora::backup
