#include "shell/user_apply.h"

#include <algorithm>

#include "checkout/checkout_window.h"
#include "ordering/order_window.h"
#include "query/query_window.h"
#include "reports/report_window.h"
#include "settings/restaurant_settings_window.h"
#include "shell/app.h"
#include "shell/main_window.h"

namespace tablora::shell {

void applyLoggedInUser(App& app) {
    MainWindow* main = app.mainWindow();
    if (!main) return;
    core::Session& s = app.session();
    auto& data = app.data();
    // Still open on the user's record after a successful login.
    auto& users = data.openOnDemand(data.userCursor);
    s.skin = users.readInt("皮肤");
    for (const auto& flag : core::kPermissionFields)
        s.permissions.*flag.member = users.readInt(flag.field);

    main->标签_用户.setText(s.currentUser);
    main->组合框_皮肤.select(s.skin);
    applySkinAndStore(app);

    if (auto* w = app.orderWindow()) w->applyPermission(s.permissions);
    if (auto* w = app.checkoutWindow()) w->applyPermission(s.permissions);
    if (auto* w = app.queryWindow()) w->applyPermission(s.permissions);
    if (auto* w = app.restaurantSettingsWindow()) w->applyPermission(s.permissions);
    if (auto* w = app.reportWindow()) w->applyPermission(s.permissions);
    main->工具菜单.setEntryEnabled(main->工具菜单.indexOf("用户设置"), s.permissions.设置用户 != 0);
    main->工具菜单.setEntryEnabled(main->工具菜单.indexOf("公告设置"), s.permissions.设置公告 != 0);
    // The display scale is the manager's, like the users.
    main->工具菜单.setEntryEnabled(main->工具菜单.indexOf("显示比例"), s.permissions.设置用户 != 0);
    // A printer's connection may name any file the program can write: the manager's.
    main->工具菜单.setEntryEnabled(main->工具菜单.indexOf("打印设置"), s.permissions.设置餐台 != 0);
    main->工具菜单.setEntryEnabled(main->工具菜单.indexOf("口味设置"), s.permissions.设置菜品 != 0);
    main->工具菜单.setEntryEnabled(main->工具菜单.indexOf("收银设置"), s.permissions.设置餐台 != 0);
    // Restoring a copy replaces everyone's data: the manager's, like the users.
    main->工具菜单.setEntryEnabled(main->工具菜单.indexOf("数据备份"), s.permissions.设置用户 != 0);

    data.userCursor.close();
    main->状态条_公告.setPaneText(1, s.announcement);
}

void applySkinAndStore(App& app) {
    MainWindow* main = app.mainWindow();
    if (!main) return;
    const int skin = main->组合框_皮肤.selectedIndex();
    if (skin >= 0 && skin <= 4) {
        app.desktop().attachSkin(skin);
        app.desktop().adjustSkinHsv(std::clamp(0, -180, 180), std::clamp(0, -100, 100));
    }
    auto& data = app.data();
    auto& users = data.openOnDemand(data.userCursor);
    data::forEachRecord(users, [&](data::SqliteTable&) {
        if (users.readText("用户") == main->标签_用户.text()) {
            users.edit();
            users.write("皮肤", skin);
            users.update();
            return true;
        }
        return false;
    });
    users.close();
}

}  // namespace tablora::shell
