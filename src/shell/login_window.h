#pragma once

#include "ui/window.h"

namespace tablora::shell {

class App;

// Asks for a user from the user table and that user's password.
class LoginWindow : public ui::Window {
  public:
    explicit LoginWindow(App& app);
    void created();

    ui::GroupBox 分组框1{*this, "分组框1", {1, -3, 400, 310}};
    ui::Label 透明标签1{*this, "透明标签1", "Tablora", {40, 32, 194, 48}, &分组框1, true};
    ui::Label 透明标签4{*this, "透明标签4", "版本：1.0", {270, 53, 72, 24}, &分组框1, true};
    ui::Line 外形框1{*this, "外形框1", {36, 82, 320, 1}, &分组框1};
    ui::GroupBox 分组框2{*this, "分组框2", {35, 96, 320, 120}, &分组框1};
    ui::PictureBox 图片框3{*this, "图片框3", "user", {26, 25, 28, 28}, &分组框2};
    ui::Label 透明标签2{*this, "透明标签2", "用户名：", {65, 28, 56, 25}, &分组框2, true};
    ui::ComboBox 组合框_用户{*this, "组合框_用户", false, {138, 28, 150, 20}, &分组框2};
    ui::PictureBox 图片框2{*this, "图片框2", "key", {26, 70, 28, 28}, &分组框2};
    ui::Label 透明标签3{*this, "透明标签3", "密  码：", {65, 72, 56, 25}, &分组框2, true};
    ui::EditBox 编辑框_密码{
        *this, "编辑框_密码", ui::EditMode::Password, {138, 72, 150, 25}, &分组框2};
    ui::Button 按钮_登录{*this, "按钮_登录", "登录", {157, 232, 80, 30}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {269, 232, 80, 30}, &分组框1};
    ui::Line 外形框2{*this, "外形框2", {1, 278, 388, 1}, &分组框1};
    ui::Label 透明标签5{
        *this,    "透明标签5", "餐饮收银系统 1.0 · 单店版 · 请使用本人账号登录", {35, 284, 312, 16},
        &分组框1, true};

  private:
    void logIn();
    void cancel();

    App& m_app;
};

}  // namespace tablora::shell
