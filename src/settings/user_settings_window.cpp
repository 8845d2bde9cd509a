#include "settings/user_settings_window.h"

#include "core/app_context.h"
#include "core/shared_lists.h"
#include "rights/extra_rights.h"
#include "settings/extra_rights_window.h"
#include "util/text.h"

namespace tablora::settings {

UserSettingsWindow::UserSettingsWindow(core::AppContext& app)
    : Window(app.desktop(), "UserSettingsWindow", "用户设置", 650, 400), m_app(app) {
    for (const auto& flag : core::kPermissionFields) 选择列表框_权限.addItem(flag.field);
    按钮3.onClick = [this] { destroy(); };
    onCloseRequested = [this] { destroy(); };
    列表框_用户.onSelectionChanged = [this] { showUser(); };
    按钮_添加.onClick = [this] { addUser(); };
    按钮_修改.onClick = [this] { changeUser(); };
    按钮_删除.onClick = [this] { deleteUser(); };
    组合框_用户.onSelectionChanged = [this] { showPermissions(); };
    按钮_全选.onClick = [this] { tickAll(true); };
    按钮_反选.onClick = [this] { tickAll(false); };
    按钮_确定.onClick = [this] { savePermissions(); };
    按钮_附加权限.onClick = [this] { editExtraRights(); };
}

void UserSettingsWindow::created() {
    RefreshUserLists();
}

void UserSettingsWindow::message(const std::string& text) {
    m_app.message(text, ui::Icon::Exclamation);
}

bool UserSettingsWindow::RefreshUserLists() {
    auto& data = m_app.data();
    std::vector<std::string> names;
    std::vector<std::int64_t> ids;
    if (!core::readColumn(data, data.userCursor, "用户", names, ids)) {
        m_app.tellReadFailed();
        return false;
    }
    列表框_用户.clear();
    组合框_用户.clear();
    for (const auto& name : names) {
        列表框_用户.addItem(name);
        组合框_用户.addItem(name);
    }
    m_userIds = std::move(ids);
    return true;
}

bool UserSettingsWindow::reachListed(int position) {
    auto& data = m_app.data();
    return core::reachListed(data, data.userCursor, m_userIds, position, "用户",
                             列表框_用户.itemText(position));
}

void UserSettingsWindow::listedGone(const std::string& said) {
    const bool unreadable = m_app.data().userCursor.readFailed();
    m_app.data().userCursor.close();
    if (!RefreshUserLists()) return;  // told already
    if (!said.empty())
        message(said);
    else if (unreadable)
        m_app.tellReadFailed();
}

void UserSettingsWindow::showUser() {
    const int selected = 列表框_用户.selectedIndex();
    if (selected < 0) return;
    编辑框_用户.setEnabled(selected != 0);
    按钮_删除.setEnabled(selected != 0);
    auto& users = m_app.data().userCursor;
    if (!reachListed(selected)) {
        listedGone("");
        return;
    }
    编辑框_用户.setText(users.readText("用户"));
    编辑框_密码.setText(users.readText("密码"));
    users.close();
}

bool UserSettingsWindow::fieldsFilled() {
    if (!util::isBlank(编辑框_用户.text()) && !util::isBlank(编辑框_密码.text())) return true;
    message("用户或密码不能为空，请检查！");
    return false;
}

void UserSettingsWindow::done(const std::string& said) {
    m_app.message(said, ui::Icon::Information);
    编辑框_用户.setText("");
    编辑框_密码.setText("");
    RefreshUserLists();
}

void UserSettingsWindow::addUser() {
    if (!编辑框_用户.enabled()) {
        // With the manager selected, 添加 readies the form for a new user; nothing is written.
        列表框_用户.select(-1);
        编辑框_用户.setEnabled(true);
        按钮_删除.setEnabled(true);
        编辑框_用户.setText("");
        编辑框_密码.setText("");
        return;
    }
    const std::string name = 编辑框_用户.text();
    for (const auto& listed : 列表框_用户.items()) {
        if (listed == name) {
            message("要添加的用户已存在。请修改！");
            return;
        }
    }
    if (!fieldsFilled()) return;
    auto& data = m_app.data();
    auto& users = data.openOnDemand(data.userCursor);
    users.addNew();
    users.write("用户", name);
    users.write("密码", 编辑框_密码.text());
    users.write("皮肤", 0);
    for (const auto& flag : core::kPermissionFields) users.write(flag.field, 0);
    const bool added = users.update();
    users.close();
    if (added)
        done("用户添加成功！");
    else
        message("用户添加失败，请检查！");
}

void UserSettingsWindow::changeUser() {
    const int selected = 列表框_用户.selectedIndex();
    if (selected < 0) {
        message("请先选择要修改的用户！");
        return;
    }
    if (!fieldsFilled()) return;
    auto& users = m_app.data().userCursor;
    if (!reachListed(selected)) {
        listedGone("修改失败，请检查！");
        return;
    }
    // A renamed user keeps his extra rights: both change together or neither does.
    auto& database = m_app.data().database;
    const std::string old = users.readText("用户");
    database.beginTransaction();
    users.edit();
    users.write("用户", 编辑框_用户.text());
    users.write("密码", 编辑框_密码.text());
    const bool changed = users.update() &&
                         (old == 编辑框_用户.text() ||
                          rights::renameExtraRights(database, old, 编辑框_用户.text())) &&
                         database.commitTransaction();
    if (!changed) database.rollbackTransaction();
    users.close();
    if (changed)
        done("修改成功！");
    else
        message("修改失败，请检查！");
}

void UserSettingsWindow::deleteUser() {
    const int selected = 列表框_用户.selectedIndex();
    if (selected < 0) {
        message("请先选择要删除的用户！");
        return;
    }
    auto& users = m_app.data().userCursor;
    // The manager's record is never deleted, whatever state the buttons are in.
    if (selected == 0) return;
    if (!reachListed(selected)) {
        listedGone("删除失败，请检查！");
        return;
    }
    // His extra rights go with him, unless another record still bears the name.
    auto& database = m_app.data().database;
    const std::string name = users.readText("用户");
    database.beginTransaction();
    const bool deleted =
        users.deleteCurrent() &&
        (!users.findAll("用户", name).empty() || rights::deleteExtraRights(database, name)) &&
        database.commitTransaction();
    if (!deleted) database.rollbackTransaction();
    users.close();
    if (deleted)
        done("删除成功！");
    else
        message("删除失败，请检查！");
}

void UserSettingsWindow::showPermissions() {
    const int selected = 组合框_用户.selectedIndex();
    if (selected < 0) return;
    for (ui::Control* c :
         std::initializer_list<ui::Control*>{&选择列表框_权限, &按钮_全选, &按钮_反选, &按钮_确定})
        c->setEnabled(selected != 0);
    auto& users = m_app.data().userCursor;
    if (!reachListed(selected)) {
        listedGone("");
        return;
    }
    // Ticked is exactly what grants the right at login: any value but 0.
    for (size_t k = 0; k < core::kPermissionFields.size(); ++k)
        选择列表框_权限.setTicked(static_cast<int>(k),
                                  users.readInt(core::kPermissionFields[k].field) != 0);
    users.close();
}

void UserSettingsWindow::tickAll(bool ticked) {
    if (组合框_用户.selectedIndex() < 0) {
        message("请选择要设置权限的用户！");
        return;
    }
    for (int k = 0; k < 选择列表框_权限.itemCount(); ++k) 选择列表框_权限.setTicked(k, ticked);
}

void UserSettingsWindow::savePermissions() {
    const int selected = 组合框_用户.selectedIndex();
    if (selected < 0) {
        message("请选择要设置权限的用户！");
        return;
    }
    auto& users = m_app.data().userCursor;
    // The manager keeps every permission, whatever state the buttons are in.
    if (selected == 0) return;
    if (!reachListed(selected)) {
        listedGone("修改失败，请检查！");
        return;
    }
    users.edit();
    for (size_t k = 0; k < core::kPermissionFields.size(); ++k)
        users.write(core::kPermissionFields[k].field,
                    选择列表框_权限.ticked(static_cast<int>(k)) ? 1 : 0);
    const bool saved = users.update();
    users.close();
    if (!saved) {
        message("修改失败，请检查！");
        return;
    }
    m_app.message("权限设置成功！", ui::Icon::Information);
    组合框_用户.select(-1);
    for (int k = 0; k < 选择列表框_权限.itemCount(); ++k) 选择列表框_权限.setTicked(k, false);
}

void UserSettingsWindow::editExtraRights() {
    if (组合框_用户.selectedIndex() < 0) {
        message("请选择要设置权限的用户！");
        return;
    }
    ExtraRightsWindow window(m_app, 组合框_用户.text());
    window.created();
    m_app.showDialog(window, *this);
}

void editAnnouncement(core::AppContext& app) {
    core::Session& session = app.session();
    const auto text = app.desktop().inputBox("公告信息显示在程序底部，修改后全员生效！",
                                             "公告设置：", session.announcement);
    if (!text) return;
    // Written first: a text that did not reach the file must not look like the announcement.
    auto& data = app.data();
    auto& users = data.openOnDemand(data.userCursor);
    const bool stored =
        users.moveFirst() && users.edit() && users.write("公告内容", *text) && users.update();
    users.close();
    if (!stored) {
        app.message("公告设置失败，请检查！", ui::Icon::Exclamation);
        return;
    }
    app.message("公告设置成功！", ui::Icon::Information);
    app.showAnnouncement(*text);
    session.announcement = *text;
}

}  // namespace tablora::settings
