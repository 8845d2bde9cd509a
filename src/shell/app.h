#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/app_context.h"

namespace tablora::settings {
class DisplayScaleWindow;
class TasteSettingsWindow;
class CashierSettingsWindow;
}  // namespace tablora::settings
namespace tablora::printing {
class PrinterSettingsWindow;
}  // namespace tablora::printing
namespace tablora::backup {
class BackupWindow;
}  // namespace tablora::backup
namespace tablora::board {
class TableBoardWindow;
}  // namespace tablora::board
namespace tablora::report {
class ReportWindow;
class PastDaysKeeper;
}  // namespace tablora::report

namespace tablora::shell {

class MainWindow;
class LoginWindow;
class InstanceGuard;

// The one application object: owns the data, the session and the window slots. Windows reach
// each other and the session through it. A slot that holds a window means "loaded".
class App : public core::AppContext {
  public:
    // The guard may be null (tests that run one copy only).
    App(ui::Desktop& desktop, std::string databasePath, InstanceGuard* guard = nullptr);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Start-up: loads the main window, whose created event guards, logs in and applies the user.
    void start();
    // True while the main window exists.
    bool running() const { return m_main != nullptr; }
    int exitCode() const { return m_exitCode; }
    // Ends the program: the main window goes, taking the work windows with it.
    void endProgram(int exitCode);

    ui::Desktop& desktop() override { return m_desktop; }
    data::DataContext& data() override { return m_data; }
    // At the end of the main window, while the file is still open.
    void finishPrintingAtExit();
    printing::PrintQueue& printQueue() override;
    backup::BackupService& backups() override;
    void keepPastReportDays() override;
    // Waits for the keeping of past report days under way.
    void finishKeepingReportDays();
    // From how many journal records past report days are kept (tests keep small journals').
    void setReportKeepingFrom(int orders) { m_keepReportsFrom = orders; }
    void reloadWindows() override;
    void refreshBoard() override;
    core::Session& session() override { return m_session; }
    InstanceGuard* guard() { return m_guard; }
    // An installed copy offers to start a new restaurant (or the demo) when it finds no
    // cysj.db; one started from a build says the file is missing, as described.
    void setOffersNewRestaurant(bool offers) { m_offersNewRestaurant = offers; }
    bool offersNewRestaurant() const { return m_offersNewRestaurant; }

    MainWindow* mainWindow() { return m_main.get(); }
    LoginWindow* loginWindow() { return m_login.get(); }
    ordering::OrderWindow* orderWindow() override { return m_order.get(); }
    checkout::CheckoutWindow* checkoutWindow() override { return m_checkout.get(); }
    query::QueryWindow* queryWindow() override { return m_query.get(); }
    settings::RestaurantSettingsWindow* restaurantSettingsWindow() override {
        return m_restaurantSettings.get();
    }
    settings::UserSettingsWindow* userSettingsWindow() override { return m_userSettings.get(); }

    // A loaded window by its name ("MainWindow", "OrderWindow", ...); null when not loaded.
    ui::Window* window(const std::string& name);

    // Shows the login window modally; true when a user logged in.
    bool showLogin();
    // The login window's word that a user logged in.
    void acceptLogin() { m_loginAccepted = true; }
    void openOrderWindow() override;
    void showDialog(ui::Window& dialog, ui::Window& owner) override;
    void openCheckoutWindow() override;
    void openQueryWindow();
    void openTableBoard();
    void openReportWindow();
    report::ReportWindow* reportWindow() { return m_report.get(); }
    // Modal: returns once the window is closed.
    void openRestaurantSettings();
    void openUserSettings();
    void openDisplayScale();
    void openTasteSettings();
    void openCashierSettings();
    void openPrinterSettings();
    void openBackups();
    void placeWorkWindow(ui::Window& window) override;
    void placeWorkWindows();
    std::string shownUserName() override;
    void showAnnouncement(const std::string& text) override;

  private:
    template <class W>
    W* load(std::unique_ptr<W>& slot, bool modal, ui::Window* owner);

    ui::Desktop& m_desktop;
    data::DataContext m_data;
    core::Session m_session;
    InstanceGuard* m_guard;
    int m_exitCode = 0;
    bool m_loginAccepted = false;
    bool m_offersNewRestaurant = false;
    int m_keepReportsFrom;

    // Destroyed after the windows; it finishes the copy begun as the program closed.
    std::unique_ptr<backup::BackupService> m_backups;
    std::unique_ptr<report::PastDaysKeeper> m_pastDays;
    // Destroyed after the windows; it sends what still waits before it goes.
    std::unique_ptr<printing::PrintQueue> m_printQueue;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<LoginWindow> m_login;
    std::unique_ptr<ordering::OrderWindow> m_order;
    std::unique_ptr<checkout::CheckoutWindow> m_checkout;
    std::unique_ptr<query::QueryWindow> m_query;
    std::unique_ptr<board::TableBoardWindow> m_board;
    std::unique_ptr<report::ReportWindow> m_report;
    std::unique_ptr<settings::RestaurantSettingsWindow> m_restaurantSettings;
    std::unique_ptr<settings::UserSettingsWindow> m_userSettings;
    std::unique_ptr<settings::DisplayScaleWindow> m_displayScale;
    std::unique_ptr<settings::TasteSettingsWindow> m_tasteSettings;
    std::unique_ptr<settings::CashierSettingsWindow> m_cashierSettings;
    std::unique_ptr<printing::PrinterSettingsWindow> m_printerSettings;
    std::unique_ptr<backup::BackupWindow> m_backupWindow;
    std::vector<ui::Window*> m_dialogs;  // modal dialogs up now, the newest last
    // Destroyed windows wait here: a handler of the window may still be running.
    std::vector<std::unique_ptr<ui::Window>> m_destroyed;
};

}  // namespace tablora::shell
