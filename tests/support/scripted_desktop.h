#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/desktop.h"
#include "ui/window.h"

namespace tablora::test {

struct SaveDialogRecord {
    std::string title, proposedName, filter;
};

struct MessageRecord {
    std::string text;
    std::string title;
    ui::Icon icon = ui::Icon::None;
    ui::Buttons buttons = ui::Buttons::Ok;
    ui::Answer answer = ui::Answer::Ok;
};

const char* iconName(ui::Icon icon);

// The desktop for tests and scenarios: answers are queued, every message box is recorded,
// the clock is set by the script, and a modal window is handed to the script to act on.
class ScriptedDesktop : public ui::Desktop {
  public:
    ui::Answer messageBox(const std::string& text, const std::string& title, ui::Icon icon,
                          ui::Buttons buttons) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override;
    std::optional<std::string> saveDialog(const std::string& title, const std::string& proposedName,
                                          const std::string& filter) override;
    void popupMenu(ui::PopupMenu& menu) override;
    void showWindow(ui::Window& window, ui::Window* owner, bool modal) override;
    void windowMoved(ui::Window&) override {}
    void windowDestroyed(ui::Window& window) override;
    void minimize(ui::Window& window) override;
    void bringToFront(ui::Window& window) override;
    void attachSkin(int skin) override;
    void adjustSkinHsv(int hue, int saturation) override;
    void watchReadable(int fd, std::function<void()> callback) override {
        readables.emplace_back(fd, std::move(callback));
    }
    void stopWatching(int fd) override {
        std::erase_if(readables, [fd](const auto& r) { return r.first == fd; });
    }
    util::CalendarTime now() override { return clock; }
    ScreenSize screenPixels() override { return screen; }
    void quit(int exitCode) override;

    // What the script sets up.
    util::CalendarTime clock{2025, 3, 7, 14, 5, 9};
    ScreenSize screen;  // unknown unless a test sets it
    std::deque<ui::Answer> answers;
    std::deque<std::optional<std::string>> inputs;
    std::deque<std::optional<std::string>> saves;
    std::deque<std::string> menuChoices;  // entry text; empty picks nothing
    // Acts on a modal window until it is destroyed; queued scripts go first, then the driver.
    std::deque<std::function<void(ui::Window&)>> modalScripts;
    std::function<void(ui::Window&)> modalDriver;
    // Each line of the transcript as it happens.
    std::function<void(const std::string&)> log;

    // What happened.
    std::vector<MessageRecord> messages;
    std::vector<SaveDialogRecord> saveDialogs;
    std::vector<std::pair<int, std::function<void()>>> readables;  // run by the test
    std::vector<std::string> shownWindows;
    std::vector<std::string> minimized;
    std::vector<std::string> broughtForward;
    std::vector<int> attachedSkins;
    bool quitCalled = false;
    int exitCode = 0;

  private:
    void say(const std::string& line) {
        if (log) log(line);
    }
};

}  // namespace tablora::test
