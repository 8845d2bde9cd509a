#pragma once

#include <string>
#include <vector>

#include "ui/window.h"

namespace tablora::core {
class AppContext;
}

namespace tablora::rights {

// A user who holds a right approves one action of someone who lacks it, with his password.
class AuthorizeWindow : public ui::Window {
  public:
    AuthorizeWindow(core::AppContext& app, std::string right, std::vector<std::string> holders);

    ui::GroupBox 分组框1{*this, "分组框1", {2, -2, 316, 180}};
    ui::Label 标签_说明{*this, "标签_说明", "", {20, 16, 280, 24}, &分组框1, true};
    ui::Label 透明标签1{*this, "透明标签1", "用户：", {20, 52, 60, 24}, &分组框1, true};
    ui::ComboBox 组合框_用户{*this, "组合框_用户", false, {84, 50, 200, 28}, &分组框1};
    ui::Label 透明标签2{*this, "透明标签2", "密码：", {20, 92, 60, 24}, &分组框1, true};
    ui::EditBox 编辑框_密码{
        *this, "编辑框_密码", ui::EditMode::Password, {84, 90, 200, 28}, &分组框1};
    ui::Button 按钮_确定{*this, "按钮_确定", "确定", {84, 132, 96, 36}, &分组框1};
    ui::Button 按钮_取消{*this, "按钮_取消", "取消", {188, 132, 96, 36}, &分组框1};

    // Who approved; empty until a holder's password was right.
    const std::string& approver() const { return m_approver; }

  private:
    void confirm();

    core::AppContext& m_app;
    std::string m_right;
    std::string m_approver;
};

struct Approval {
    bool granted = false;
    std::string approver;  // empty when the user acted on his own right
};

// Whether the logged-in user may do what needs `right` (a name of kExtraRightFields). Without
// it, or with `beyond` said (he holds it but the action exceeds his limit), a user who holds it
// approves in AuthorizeWindow; the approval covers this one action.
Approval askApproval(core::AppContext& app, ui::Window& owner, const std::string& right,
                     const std::string& beyond = {});

}  // namespace tablora::rights
