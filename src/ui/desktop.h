#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "util/date_time.h"

namespace tablora::ui {

class Window;
class PopupMenu;

enum class Icon { None = 0, Error = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

// A line of a paper ticket, laid out in columns (a Chinese character takes two).
struct TicketLine {
    std::string text;
    bool bold = false;
    bool big = false;  // double width and height
    bool centred = false;
};

// The platform the windows run on: dialogs, showing windows, the clock, the look.
class Desktop {
  public:
    virtual ~Desktop() = default;

    virtual Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                              Buttons buttons = Buttons::Ok) = 0;
    // OK gives the text typed; cancel gives nothing.
    virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                                const std::string& initial) = 0;
    // The file name confirmed, or nothing when cancelled.
    virtual std::optional<std::string> saveDialog(const std::string& title,
                                                  const std::string& proposedName,
                                                  const std::string& filter) = 0;
    // Shows the menu at the mouse; the entry picked is raised on the menu itself.
    virtual void popupMenu(PopupMenu& menu) = 0;

    // Shows a window that has been created. A modal show returns when it has been destroyed.
    virtual void showWindow(Window& window, Window* owner, bool modal) = 0;
    virtual void windowMoved(Window& window) = 0;
    virtual void windowDestroyed(Window& window) = 0;
    virtual void minimize(Window& window) = 0;
    // Shows, restores and activates a window (another copy of the program asked for it).
    virtual void bringToFront(Window& window) = 0;

    // The look of every window of the process: skin 0..4, then a hue/saturation shift.
    virtual void attachSkin(int skin) = 0;
    virtual void adjustSkinHsv(int hue, int saturation) = 0;

    // Calls back on the window thread whenever the file descriptor has data to read.
    virtual void watchReadable(int fd, std::function<void()> callback) = 0;
    // Stops calling back for the file descriptor (before whoever watched it goes).
    virtual void stopWatching(int fd) = 0;

    // Draws a ticket `columns` wide on paper `paperMm` millimetres wide, for printers that take
    // no receipt-printer bytes: on the system print queue named `target`, or into a PDF file
    // when `target` is "pdf:PATH". Called off the window thread; false when it could not.
    virtual bool drawTicket(const std::vector<TicketLine>& lines, int paperMm, int columns,
                            const std::string& target) {
        (void)lines, (void)paperMm, (void)columns, (void)target;
        return false;
    }
    // The screen's size in its own pixels, whatever the display scale; 0 x 0 when unknown.
    struct ScreenSize {
        int width = 0, height = 0;
    };
    virtual ScreenSize screenPixels() { return {}; }
    // The local clock, to the whole second.
    virtual util::CalendarTime now() = 0;
    // Ends the event loop; the program then exits with this code.
    virtual void quit(int exitCode) = 0;
};

}  // namespace tablora::ui
