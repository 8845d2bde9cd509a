#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/desktop.h"

namespace tablora::ui {

// A window: a caption, a size, a position and the controls it owns as members.
class Window {
  public:
    Window(Desktop& desktop, std::string name, std::string caption, int width, int height,
           int left = 50, int top = 50);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    const std::string& name() const { return m_name; }
    const std::string& caption() const { return m_caption; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int left() const { return m_left; }
    int top() const { return m_top; }
    void setLeft(int left);
    void setTop(int top);
    // A person (or the window manager) moved the window; raises the moved event.
    void userMove(int left, int top);
    void minimize() { m_desktop.minimize(*this); }
    // A window that draws its own header (caption, minimise and close) has no system frame.
    bool ownHeader() const { return m_ownHeader; }
    // The control that has the keyboard when the window comes up.
    Control* initialFocus() const { return m_initialFocus; }
    void setInitialFocus(Control* control) { m_initialFocus = control; }
    void setOwnHeader(bool own) { m_ownHeader = own; }

    bool destroyed() const { return m_destroyed; }
    // Raises about-to-be-destroyed, takes the window off the screen and out of its slot.
    void destroy();
    // The system's close command; a window may treat it as its own cancel.
    void requestClose();
    // Esc closes the window as its close command does (a window with no other use for keys).
    void closeOnEscape();
    static constexpr int kEscape = 27;

    Desktop& desktop() const { return m_desktop; }
    const std::vector<Control*>& controls() const { return m_controls; }
    Control* find(const std::string& name) const;
    std::vector<Timer*> timers() const;

    std::function<void()> onAboutToBeDestroyed;
    std::function<void()> onMoved;
    std::function<void()> onCloseRequested;
    // A key no control of the window took (Esc, for one).
    std::function<void(int key)> onKeyDown;
    void pressKey(int key) {
        if (onKeyDown) onKeyDown(key);
    }
    // Set by whoever keeps the window: told once the window is destroyed.
    std::function<void(Window&)> onDestroyed;

  private:
    friend class Control;
    void registerControl(Control* control) { m_controls.push_back(control); }

    Desktop& m_desktop;
    std::string m_name;
    std::string m_caption;
    int m_width;
    int m_height;
    int m_left;
    int m_top;
    bool m_destroyed = false;
    bool m_ownHeader = false;
    Control* m_initialFocus = nullptr;
    std::vector<Control*> m_controls;
};

}  // namespace tablora::ui
