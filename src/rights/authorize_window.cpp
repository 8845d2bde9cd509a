#include "rights/authorize_window.h"

#include <algorithm>

#include "core/app_context.h"
#include "rights/extra_rights.h"

namespace tablora::rights {

AuthorizeWindow::AuthorizeWindow(core::AppContext& app, std::string right,
                                 std::vector<std::string> holders)
    : Window(app.desktop(), "AuthorizeWindow", "授权", 320, 180),
      m_app(app),
      m_right(std::move(right)) {
    标签_说明.setText("需要“" + m_right + "”权限的用户授权：");
    for (auto& name : holders) 组合框_用户.addItem(std::move(name));
    组合框_用户.select(0);
    setInitialFocus(&编辑框_密码);
    按钮_确定.onClick = [this] { confirm(); };
    按钮_取消.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    编辑框_密码.onKeyDown = [this](int key) {
        if (key == ui::EditBox::kEnter) confirm();
    };
    closeOnEscape();
}

void AuthorizeWindow::confirm() {
    const std::string user = 组合框_用户.text();
    auto& database = m_app.data().database;
    if (编辑框_密码.text().empty()) {
        m_app.message("密码不能为空！", ui::Icon::Exclamation);
        return;
    }
    // Read again: the right may have been taken away since the list was made.
    const auto holders = usersHolding(database, m_right);
    if (std::find(holders.begin(), holders.end(), user) == holders.end()) {
        m_app.message("该用户没有“" + m_right + "”权限，不能授权！", ui::Icon::Exclamation);
        return;
    }
    if (!passwordMatches(database, user, 编辑框_密码.text())) {
        编辑框_密码.setText("");
        m_app.message("密码错误，请重新输入！", ui::Icon::Exclamation);
        return;
    }
    m_approver = user;
    destroy();
}

Approval askApproval(core::AppContext& app, ui::Window& owner, const std::string& right,
                     const std::string& beyond) {
    auto& database = app.data().database;
    const std::string& me = app.session().currentUser;
    if (beyond.empty()) {
        ExtraRights mine;
        readExtraRights(database, me, mine);
        for (const auto& f : kExtraRightFields)
            if (right == f.field && mine.*f.member != 0) return {true, {}};
    } else {
        app.message(beyond, ui::Icon::Exclamation);
    }
    std::vector<std::string> holders = usersHolding(database, right);
    std::erase(holders, me);
    if (holders.empty()) {
        app.message("没有可以授权的用户！", ui::Icon::Exclamation);
        return {};
    }
    AuthorizeWindow window(app, right, std::move(holders));
    app.showDialog(window, owner);
    if (window.approver().empty()) return {};
    return {true, window.approver()};
}

}  // namespace tablora::rights
