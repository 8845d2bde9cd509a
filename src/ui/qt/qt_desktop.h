#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <memory>

#include "ui/desktop.h"

class QWidget;

namespace tablora::ui::qt {

class WindowBinding;

// The desktop on Qt 6 Widgets: every window becomes a real widget tree mirroring its controls.
class QtDesktop : public QObject, public Desktop {
  public:
    // With unattendedMs > 0 nobody is expected at the screen: every message box is also
    // written to standard error and answers itself with its default after that many ms.
    explicit QtDesktop(int unattendedMs = 0);
    ~QtDesktop() override;

    Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                      Buttons buttons) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override;
    std::optional<std::string> saveDialog(const std::string& title, const std::string& proposedName,
                                          const std::string& filter) override;
    void popupMenu(PopupMenu& menu) override;
    void showWindow(Window& window, Window* owner, bool modal) override;
    void windowMoved(Window& window) override;
    void windowDestroyed(Window& window) override;
    void minimize(Window& window) override;
    void bringToFront(Window& window) override;
    void attachSkin(int skin) override;
    void adjustSkinHsv(int hue, int saturation) override;
    void watchReadable(int fd, std::function<void()> callback) override;
    void stopWatching(int fd) override;
    ScreenSize screenPixels() override;
    bool drawTicket(const std::vector<TicketLine>& lines, int paperMm, int columns,
                    const std::string& target) override;
    util::CalendarTime now() override;
    void quit(int exitCode) override;

    // The top-level widget of a shown window, or null.
    QWidget* widgetOf(const Window& window) const;
    // Applies every pending control change to the widgets now (tests and screenshots).
    void syncAll();
    bool quitRequested() const { return m_quit; }
    int attachedSkin() const { return m_skin; }

    // The style sheet of skin 0..4, as carried in the program.
    static QString skinStyleSheet(int skin);

  private:
    QWidget* activeParent() const;

    std::map<const Window*, std::unique_ptr<WindowBinding>> m_bindings;
    int m_skin = -1;
    QString m_skinSheet;
    bool m_quit = false;
    int m_unattendedMs;
};

}  // namespace tablora::ui::qt
