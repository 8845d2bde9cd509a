#include "shell/login_window.h"

#include "backup/backup_service.h"
#include "shell/app.h"

namespace tablora::shell {

LoginWindow::LoginWindow(App& app)
    : Window(app.desktop(), "LoginWindow", "", 402, 308), m_app(app) {
    透明标签1.setFont("迷你简蝶语");
    setInitialFocus(&编辑框_密码);  // the user is chosen already; the password is typed next
    按钮_登录.onClick = [this] { logIn(); };
    编辑框_密码.onKeyDown = [this](int key) {
        if (key == ui::EditBox::kEnter) logIn();
    };
    按钮_取消.onClick = [this] { cancel(); };
    // The system's close command is a cancel: nobody is logged in by closing the window.
    onCloseRequested = [this] { cancel(); };
}

void LoginWindow::created() {
    auto& data = m_app.data();
    switch (data.openForLogin()) {
        case data::DataContext::LoginOpen::NoDatabase:
            m_app.message("没有找到数据库文件，请检查！", ui::Icon::Error);
            return;
        case data::DataContext::LoginOpen::NoUserTable:
            m_app.message("用户数据表打开失败，请检查！", ui::Icon::Error);
            return;
        case data::DataContext::LoginOpen::Ok:
            break;
    }
    auto& users = data.userCursor;
    data::forEachRecord(users, [&](data::SqliteTable&) {
        组合框_用户.addItem(users.readText("用户"));
        return false;
    });
    组合框_用户.select(0);
}

void LoginWindow::logIn() {
    const std::string password = 编辑框_密码.text();
    if (password.empty()) {
        m_app.message("密码不能为空！", ui::Icon::Exclamation);
        return;
    }
    // Nobody works in a file before the start-up check of all of it has answered.
    if (!m_app.backups().finishStartUpCheck()) {
        m_app.endProgram(1);
        return;
    }
    auto& users = m_app.data().openOnDemand(m_app.data().userCursor);
    users.moveFirst();
    m_app.session().announcement = users.readText("公告内容");
    const std::string name = 组合框_用户.itemText(组合框_用户.selectedIndex());
    // With several users of one name, the first whose password matches is the one.
    const bool matched = data::forEachRecord(users, [&](data::SqliteTable&) {
        return users.readText("用户") == name && users.readText("密码") == password;
    });
    if (matched) {
        m_app.session().currentUser = users.readText("用户");
        m_app.acceptLogin();
        destroy();
        return;
    }
    m_app.message("密码错误，请重新输入！", ui::Icon::Exclamation);
}

void LoginWindow::cancel() {
    m_app.data().closeUserAndDatabase();
    if (m_app.session().switchUser) {
        destroy();
        m_app.session().switchUser = false;
    } else {
        m_app.endProgram(0);
    }
}

}  // namespace tablora::shell
