#include "shell/app.h"

#include "backup/backup_service.h"
#include "backup/backup_window.h"
#include "board/table_board_window.h"
#include "checkout/checkout_window.h"
#include "ordering/order_window.h"
#include "printing/print_queue.h"
#include "printing/printer_settings_window.h"
#include "query/query_window.h"
#include "reports/past_days.h"
#include "reports/report_window.h"
#include "settings/cashier_settings_window.h"
#include "settings/display_scale_window.h"
#include "settings/restaurant_settings_window.h"
#include "settings/taste_settings_window.h"
#include "settings/user_settings_window.h"
#include "shell/login_window.h"
#include "shell/main_window.h"

namespace tablora::shell {

App::App(ui::Desktop& desktop, std::string databasePath, InstanceGuard* guard)
    : m_desktop(desktop),
      m_data(std::move(databasePath)),
      m_guard(guard),
      m_keepReportsFrom(report::PastDaysKeeper::kWorthKeeping) {}

App::~App() {
    if (m_main) m_main->destroy();
    // Exit cleanup: the windows go before the data they read.
    m_destroyed.clear();
}

printing::PrintQueue& App::printQueue() {
    if (!m_printQueue) m_printQueue = std::make_unique<printing::PrintQueue>(m_desktop);
    return *m_printQueue;
}

void App::finishPrintingAtExit() {
    if (m_printQueue) m_printQueue->finishAtExit();
}

void App::keepPastReportDays() {
    if (!m_pastDays) m_pastDays = std::make_unique<report::PastDaysKeeper>(m_desktop);
    // What was kept was written by another connection: the cursors take that in before the
    // next action has to.
    m_pastDays->keep(m_data, m_desktop.now(), m_keepReportsFrom,
                     [this] { m_data.prepareForWork(); });
}

void App::finishKeepingReportDays() {
    if (m_pastDays) m_pastDays->finishAll();
}

backup::BackupService& App::backups() {
    if (!m_backups) m_backups = std::make_unique<backup::BackupService>(*this);
    return *m_backups;
}

void App::reloadWindows() {
    const bool order = m_order != nullptr, checkout = m_checkout != nullptr,
               query = m_query != nullptr, board = m_board != nullptr, report = m_report != nullptr;
    for (ui::Window* w :
         {static_cast<ui::Window*>(m_order.get()), static_cast<ui::Window*>(m_checkout.get()),
          static_cast<ui::Window*>(m_query.get()), static_cast<ui::Window*>(m_board.get()),
          static_cast<ui::Window*>(m_report.get())})
        if (w) w->destroy();
    if (order) openOrderWindow();
    if (checkout) openCheckoutWindow();
    if (query) openQueryWindow();
    if (board) openTableBoard();
    if (report) openReportWindow();
}

void App::refreshBoard() {
    if (m_board) m_board->refresh();
}

template <class W>
W* App::load(std::unique_ptr<W>& slot, bool modal, ui::Window* owner) {
    if (slot) {
        // Each window exists at most once: asking for it again brings it to the front.
        m_desktop.bringToFront(*slot);
        return slot.get();
    }
    slot = std::make_unique<W>(*this);
    W* window = slot.get();
    window->onDestroyed = [this, &slot](ui::Window&) { m_destroyed.push_back(std::move(slot)); };
    window->created();
    if (window->destroyed()) return nullptr;
    m_desktop.showWindow(*window, owner, modal);
    return slot.get();
}

void App::start() {
    load(m_main, false, nullptr);
}

void App::endProgram(int exitCode) {
    m_exitCode = exitCode;
    if (m_main) m_main->destroy();
    m_desktop.quit(exitCode);
}

bool App::showLogin() {
    m_loginAccepted = false;
    load(m_login, true, m_main.get());
    // The modal show returns once the window is gone.
    return running() && m_loginAccepted;
}

ui::Window* App::window(const std::string& name) {
    for (ui::Window* w :
         {static_cast<ui::Window*>(m_main.get()), static_cast<ui::Window*>(m_login.get()),
          static_cast<ui::Window*>(m_order.get()), static_cast<ui::Window*>(m_checkout.get()),
          static_cast<ui::Window*>(m_query.get()), static_cast<ui::Window*>(m_board.get()),
          static_cast<ui::Window*>(m_report.get()),
          static_cast<ui::Window*>(m_restaurantSettings.get()),
          static_cast<ui::Window*>(m_userSettings.get()),
          static_cast<ui::Window*>(m_displayScale.get()),
          static_cast<ui::Window*>(m_tasteSettings.get()),
          static_cast<ui::Window*>(m_cashierSettings.get()),
          static_cast<ui::Window*>(m_printerSettings.get()),
          static_cast<ui::Window*>(m_backupWindow.get())})
        if (w && w->name() == name) return w;
    for (auto d = m_dialogs.rbegin(); d != m_dialogs.rend(); ++d)
        if ((*d)->name() == name) return *d;
    return nullptr;
}

void App::showDialog(ui::Window& dialog, ui::Window& owner) {
    m_dialogs.push_back(&dialog);
    m_desktop.showWindow(dialog, &owner, true);
    std::erase(m_dialogs, &dialog);
}

void App::openOrderWindow() {
    load(m_order, false, m_main.get());
}

void App::openCheckoutWindow() {
    load(m_checkout, false, m_main.get());
}

void App::openQueryWindow() {
    load(m_query, false, m_main.get());
}

void App::openTableBoard() {
    load(m_board, false, m_main.get());
}

void App::openReportWindow() {
    load(m_report, false, m_main.get());
}

void App::openRestaurantSettings() {
    load(m_restaurantSettings, true, m_main.get());
}

void App::openUserSettings() {
    load(m_userSettings, true, m_main.get());
}

void App::openDisplayScale() {
    load(m_displayScale, true, m_main.get());
}

void App::openTasteSettings() {
    load(m_tasteSettings, true, m_main.get());
}

void App::openCashierSettings() {
    load(m_cashierSettings, true, m_main.get());
}

void App::openPrinterSettings() {
    load(m_printerSettings, true, m_main.get());
}

void App::openBackups() {
    load(m_backupWindow, true, m_main.get());
}

void App::placeWorkWindow(ui::Window& window) {
    if (!m_main) return;
    window.setTop(m_main->top() + 105);
    window.setLeft(m_main->left());
}

void App::placeWorkWindows() {
    if (m_order) placeWorkWindow(*m_order);
    if (m_checkout) placeWorkWindow(*m_checkout);
    if (m_query) placeWorkWindow(*m_query);
    if (m_board) placeWorkWindow(*m_board);
    if (m_report) placeWorkWindow(*m_report);
}

std::string App::shownUserName() {
    return m_main ? m_main->标签_用户.text() : std::string();
}

void App::showAnnouncement(const std::string& text) {
    if (m_main) m_main->状态条_公告.setPaneText(1, text);
}

}  // namespace tablora::shell
