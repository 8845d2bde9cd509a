#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}  // namespace tablora::core

namespace tablora::settings {

// Who may log in: names and passwords on the left, the ten permissions on the right. The
// first user is the manager: its password can change, nothing else about it.
class UserSettingsWindow : public ui::Window {
  public:
    explicit UserSettingsWindow(core::AppContext& app);
    void created();
    // False, having told the person, when the file could not be read.
    bool RefreshUserLists();

    ui::GroupBox 分组框4{*this, "分组框4", {0, -3, 650, 376}};
    ui::Label 透明标签2{*this, "透明标签2", "用户设置", {16, 18, 88, 24}, &分组框4, true};
    ui::Line 外形框1{*this, "外形框1", {15, 50, 620, 1}, &分组框4};
    ui::Button 按钮3{*this, "按钮3", "关闭", {533, 16, 95, 25}, &分组框4};
    ui::GroupBox 分组框1{*this, "分组框1", {14, 60, 155, 300}, &分组框4};
    ui::Label 透明标签1{*this, "透明标签1", "用户列表", {40, 11, 72, 24}, &分组框1, true};
    ui::ListBox 列表框_用户{*this, "列表框_用户", {6, 37, 141, 256}, &分组框1};
    ui::PictureBox 图片框3{*this, "图片框3", "user", {177, 96, 28, 28}, &分组框4};
    ui::PictureBox 图片框2{*this, "图片框2", "key", {177, 153, 28, 28}, &分组框4};
    ui::GroupBox 分组框2{*this, "分组框2", {210, 87, 160, 40}, &分组框4};
    ui::Label 透明标签3{*this, "透明标签3", "用户：", {9, 13, 40, 16}, &分组框2, true};
    ui::EditBox 编辑框_用户{*this, "编辑框_用户", ui::EditMode::Plain, {55, 10, 100, 24}, &分组框2};
    ui::GroupBox 分组框3{*this, "分组框3", {210, 144, 160, 40}, &分组框4};
    ui::Label 透明标签4{*this, "透明标签4", "密码：", {9, 13, 40, 16}, &分组框3, true};
    ui::EditBox 编辑框_密码{
        *this, "编辑框_密码", ui::EditMode::Password, {55, 10, 100, 24}, &分组框3};
    ui::Button 按钮_添加{*this, "按钮_添加", "添加", {237, 211, 95, 30}, &分组框4};
    ui::Button 按钮_修改{*this, "按钮_修改", "修改", {237, 258, 95, 30}, &分组框4};
    ui::Button 按钮_删除{*this, "按钮_删除", "删除", {237, 306, 95, 30}, &分组框4};
    ui::Line 外形框2{*this, "外形框2", {389, 51, 1, 324}, &分组框4};
    ui::GroupBox 分组框5{*this, "分组框5", {408, 60, 224, 48}, &分组框4};
    ui::Label 透明标签5{*this, "透明标签5", "设置用户：", {8, 14, 72, 24}, &分组框5, true};
    ui::ComboBox 组合框_用户{*this, "组合框_用户", false, {80, 14, 136, 20}, &分组框5};
    ui::Label 透明标签7{*this, "透明标签7", "拥有权限", {410, 117, 72, 16}, &分组框4, true};
    ui::CheckListBox 选择列表框_权限{*this, "选择列表框_权限", {408, 139, 112, 220}, &分组框4};
    ui::Button 按钮_全选{*this, "按钮_全选", "全选", {529, 141, 95, 30}, &分组框4};
    ui::Button 按钮_反选{*this, "按钮_反选", "反选", {529, 181, 95, 30}, &分组框4};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {529, 262, 95, 30}, &分组框4};
    // The rights beyond the ten, for the user chosen in 组合框_用户.
    ui::Button 按钮_附加权限{*this, "按钮_附加权限", "附加权限", {529, 318, 95, 30}, &分组框4};
    ui::Label 透明标签6{
        *this,
        "透明标签6",
        "新添加用户没有任何权限，如果勾选“设置用户”权限，他可以修改管理密码，请适当授权！",
        {18, 373, 590, 24},
        nullptr,
        true};

  private:
    void showUser();
    void addUser();
    void changeUser();
    void deleteUser();
    void showPermissions();
    void tickAll(bool ticked);
    void savePermissions();
    void editExtraRights();
    // False, having said so, when the name or the password is blank.
    bool fieldsFilled();
    // The record the lists show at this position, current on userCursor while it still
    // holds the listed name: two users of one name are still two records, and another
    // program's changes never redirect a write.
    bool reachListed(int position);
    // A listed user is gone or changed: the lists show the file again, the person is told.
    void listedGone(const std::string& said);
    void message(const std::string& text);
    void done(const std::string& said);

    core::AppContext& m_app;
    std::vector<std::int64_t> m_userIds;  // the rowid of each listed user
};

// The tools menu's announcement entry: asks for the new text and stores it in the first
// user's record; only a stored text is shown and becomes the session's announcement.
void editAnnouncement(core::AppContext& app);

}  // namespace tablora::settings
