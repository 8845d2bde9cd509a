#include "shell/main_window.h"

#include "backup/backup_service.h"
#include "checkout/checkout_window.h"
#include "ordering/order_window.h"
#include "query/query_window.h"
#include "settings/restaurant_settings_window.h"
#include "settings/user_settings_window.h"
#include "shell/app.h"
#include "shell/instance_guard.h"
#include "shell/login_window.h"
#include "shell/user_apply.h"
#include "util/date_time.h"

#include <filesystem>

namespace tablora::shell {

MainWindow::MainWindow(App& app)
    : Window(app.desktop(), "MainWindow", "Tablora", 1024, 768), m_app(app) {
    setOwnHeader(true);
    透明标签1.setFont("迷你简蝶语");
    for (const char* skin :
         {"皮肤—灰色经典", "皮肤—金色积木", "皮肤—粉色回忆", "皮肤—蓝色天空", "皮肤—红灰金属"})
        组合框_皮肤.addItem(skin);
    状态条_公告.setPaneText(0, " 公告：");

    onAboutToBeDestroyed = [this] {
        // The day's work is copied as the program closes (after a session only).
        if (!m_app.session().currentUser.empty()) m_app.backups().atClose();
        m_app.finishPrintingAtExit();
        m_app.data().closeUserAndDatabase();
        // Owned windows go with their owner.
        if (auto* w = m_app.loginWindow()) w->destroy();
        if (auto* w = m_app.orderWindow()) w->destroy();
        if (auto* w = m_app.checkoutWindow()) w->destroy();
        if (auto* w = m_app.queryWindow()) w->destroy();
        if (auto* w = m_app.window("TableBoardWindow")) w->destroy();
        if (auto* w = m_app.window("ReportWindow")) w->destroy();
        if (auto* w = m_app.restaurantSettingsWindow()) w->destroy();
        if (auto* w = m_app.userSettingsWindow()) w->destroy();
        if (auto* w = m_app.window("DisplayScaleWindow")) w->destroy();
        if (auto* w = m_app.window("TasteSettingsWindow")) w->destroy();
        if (auto* w = m_app.window("CashierSettingsWindow")) w->destroy();
        if (auto* w = m_app.window("PrinterSettingsWindow")) w->destroy();
        if (auto* w = m_app.window("BackupWindow")) w->destroy();
    };
    onCloseRequested = [this] { m_app.endProgram(0); };
    onMoved = [this] { m_app.placeWorkWindows(); };
    工具条1.onItemClicked = [this](int index) { onToolbar(index); };
    工具菜单.onEntryClicked = [this](int index) { onMenu(index); };
    时钟1.onTick = [this] { tick(); };
    按钮2.onClick = [this] { minimize(); };
    按钮1.onClick = [this] { m_app.endProgram(0); };
    组合框_皮肤.onSelectionChanged = [this] { applySkinAndStore(m_app); };
}

void MainWindow::created() {
    if (InstanceGuard* guard = m_app.guard(); guard && !guard->claim()) {
        m_app.desktop().messageBox("检测到已有同样的程序在运行，请无重复运行！",
                                   "友情提醒:", ui::Icon::Information);
        guard->askRunningCopyToComeForward();
        m_app.endProgram(0);
        return;
    }
    if (InstanceGuard* guard = m_app.guard()) {
        // Whatever this copy shows on top comes forward: the login window while it is up.
        guard->listen(m_app.desktop(), [this] {
            if (auto* login = m_app.loginWindow())
                m_app.desktop().bringToFront(*login);
            else
                m_app.desktop().bringToFront(*this);
        });
    }
    if (m_app.offersNewRestaurant()) offerNewRestaurant();
    // A damaged file is offered its newest good copy before anyone logs in.
    if (!m_app.backups().checkAtStartUp()) {
        m_app.endProgram(1);
        return;
    }
    if (!m_app.showLogin()) return;
    // Before the first write of the day (the user's skin is stored next).
    m_app.backups().afterLogin();
    applyLoggedInUser(m_app);
    if (m_app.data().onNetworkFolder())
        m_app.message("数据文件位于网络文件夹，请勿在多台电脑上同时使用！", ui::Icon::Exclamation);
    m_app.keepPastReportDays();
    m_app.data().prepareForWork();
}

void MainWindow::offerNewRestaurant() {
    const std::string path = m_app.data().databasePath();
    std::error_code error;
    if (std::filesystem::exists(path, error)) return;
    auto& desktop = m_app.desktop();
    const ui::Answer answer = desktop.messageBox(
        "没有找到数据文件。要开始一家新餐厅吗？\n选“是”新建空白餐厅，选“否”先用演示数据试一试。",
        "信息：", ui::Icon::Question, ui::Buttons::YesNo);
    std::string made;
    if (answer == ui::Answer::Yes) {
        const auto user = desktop.inputBox("请输入经理的用户名：", "新建餐厅", "经理");
        if (!user || user->empty()) return;  // the missing file is told as described
        const auto password = desktop.inputBox("请输入经理的密码：", "新建餐厅", "");
        if (!password || password->empty()) return;
        made = data::createDatabase(path, *user, *password, false);
        if (made.empty())
            m_app.message("新建餐厅成功！请用经理的用户名和密码登录。", ui::Icon::Information);
    } else {
        made = data::createDemoDatabase(path, "经理", "888888");
        if (made.empty())
            m_app.message("创建演示餐厅成功！用户“经理”，密码“888888”。", ui::Icon::Information);
    }
    if (!made.empty()) m_app.message(made, ui::Icon::Exclamation);
}

void MainWindow::onToolbar(int index) {
    switch (index) {
        case kSwitchUser:
            switchUser();
            break;
        case kOrder:
            m_app.openOrderWindow();
            break;
        case kCheckout:
            m_app.openCheckoutWindow();
            break;
        case kQuery:
            m_app.openQueryWindow();
            break;
        case kSettings:
            m_app.desktop().popupMenu(工具菜单);
            break;
        case kBoard:
            m_app.openTableBoard();
            break;
        case kReport:
            m_app.openReportWindow();
            break;
        default:
            break;  // separators
    }
}

void MainWindow::onMenu(int index) {
    const std::string entry = 工具菜单.entries()[static_cast<size_t>(index)].text;
    if (entry == "餐厅设置")
        m_app.openRestaurantSettings();
    else if (entry == "用户设置")
        m_app.openUserSettings();
    else if (entry == "公告设置")
        settings::editAnnouncement(m_app);
    else if (entry == "打印设置")
        m_app.openPrinterSettings();
    else if (entry == "数据备份")
        m_app.openBackups();
    else if (entry == "显示比例")
        m_app.openDisplayScale();
    else if (entry == "口味设置")
        m_app.openTasteSettings();
    else if (entry == "收银设置")
        m_app.openCashierSettings();
}

void MainWindow::switchUser() {
    m_app.session().switchUser = true;
    m_app.showLogin();
    if (m_app.running() && m_app.session().switchUser) {
        m_app.backups().afterLogin();
        applyLoggedInUser(m_app);
        m_app.keepPastReportDays();
        m_app.data().prepareForWork();
    }
}

void MainWindow::tick() {
    标签_时间.setText(util::dateText(m_app.desktop().now()));
}

}  // namespace tablora::shell
