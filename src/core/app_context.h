#pragma once

#include <string>

#include "core/session.h"
#include "data/data_context.h"
#include "ui/desktop.h"
#include "ui/window.h"

namespace tablora::ordering {
class OrderWindow;
}
namespace tablora::checkout {
class CheckoutWindow;
}
namespace tablora::query {
class QueryWindow;
}
namespace tablora::settings {
class RestaurantSettingsWindow;
class UserSettingsWindow;
}  // namespace tablora::settings

namespace tablora::printing {
class PrintQueue;
}
namespace tablora::backup {
class BackupService;
}

namespace tablora::core {

// What every window stands on: the data, the session, the desktop, the other loaded windows
// (null when not loaded) and the little the windows need of the main window. The shell's
// application object offers it, so the features never reach up into the shell.
class AppContext {
  public:
    virtual ~AppContext() = default;

    virtual ui::Desktop& desktop() = 0;
    virtual data::DataContext& data() = 0;
    virtual Session& session() = 0;
    // Sends print jobs off the window thread; made on first use.
    virtual printing::PrintQueue& printQueue() = 0;
    // The copies of the database; made on first use.
    virtual backup::BackupService& backups() = 0;
    // After the day's first login: the past days' report figures are worked out and kept.
    virtual void keepPastReportDays() = 0;
    // The data was replaced under the windows (a restore): every loaded work window is made
    // again so it shows the data as it now is.
    virtual void reloadWindows() = 0;
    // Tells the table board, when loaded, that the tables or their orders changed.
    virtual void refreshBoard() = 0;
    virtual void openOrderWindow() = 0;
    // Shows a dialog modal over its owner and returns once it is destroyed; while it is up the
    // application can find it by name like its own windows.
    virtual void showDialog(ui::Window& dialog, ui::Window& owner) = 0;
    virtual void openCheckoutWindow() = 0;

    virtual ordering::OrderWindow* orderWindow() = 0;
    virtual checkout::CheckoutWindow* checkoutWindow() = 0;
    virtual query::QueryWindow* queryWindow() = 0;
    virtual settings::RestaurantSettingsWindow* restaurantSettingsWindow() = 0;
    virtual settings::UserSettingsWindow* userSettingsWindow() = 0;

    // Puts a work window at the main window's left, 105 pixels below its top.
    virtual void placeWorkWindow(ui::Window& window) = 0;
    // The user name the main window shows; empty without a main window.
    virtual std::string shownUserName() = 0;
    // Shows a text in the main window's announcement bar.
    virtual void showAnnouncement(const std::string& text) = 0;

    // A message box with the program's title "信息：" and an OK button.
    void message(const std::string& text, ui::Icon icon) {
        desktop().messageBox(text, "信息：", icon, ui::Buttons::Ok);
    }
    // A list that could not be read from the file must not look empty: it stays as it was
    // and the person is told.
    void tellReadFailed() { message("数据读取失败，请检查！", ui::Icon::Exclamation); }
    // "保存成功！" or "保存失败，请检查！", in the house style.
    void tellOutcome(bool done, const std::string& action) {
        if (done)
            message(action + "成功！", ui::Icon::Information);
        else
            message(action + "失败，请检查！", ui::Icon::Exclamation);
    }
};

}  // namespace tablora::core
