#include "ui/window.h"

namespace tablora::ui {

Window::Window(Desktop& desktop, std::string name, std::string caption, int width, int height,
               int left, int top)
    : m_desktop(desktop),
      m_name(std::move(name)),
      m_caption(std::move(caption)),
      m_width(width),
      m_height(height),
      m_left(left),
      m_top(top) {}

Window::~Window() = default;

void Window::setLeft(int left) {
    m_left = left;
    m_desktop.windowMoved(*this);
}

void Window::setTop(int top) {
    m_top = top;
    m_desktop.windowMoved(*this);
}

void Window::userMove(int left, int top) {
    if (left == m_left && top == m_top) return;
    m_left = left;
    m_top = top;
    if (onMoved) onMoved();
}

void Window::destroy() {
    if (m_destroyed) return;
    m_destroyed = true;
    if (onAboutToBeDestroyed) onAboutToBeDestroyed();
    for (Control* c : m_controls) c->setObserver(nullptr);
    m_desktop.windowDestroyed(*this);
    if (onDestroyed) onDestroyed(*this);
}

void Window::closeOnEscape() {
    onKeyDown = [this](int key) {
        if (key == kEscape) requestClose();
    };
}

void Window::requestClose() {
    if (m_destroyed) return;
    if (onCloseRequested)
        onCloseRequested();
    else
        destroy();
}

Control* Window::find(const std::string& name) const {
    for (Control* c : m_controls)
        if (c->name() == name) return c;
    return nullptr;
}

std::vector<Timer*> Window::timers() const {
    std::vector<Timer*> out;
    for (Control* c : m_controls)
        if (c->kind() == ControlKind::Timer) out.push_back(static_cast<Timer*>(c));
    return out;
}

}  // namespace tablora::ui
