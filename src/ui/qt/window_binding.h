#pragma once

#include <QObject>
#include <QWidget>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/window.h"

class QEventLoop;
class QToolBox;
class QScrollArea;
class QChartView;
class QTimer;

namespace tablora::ui::qt {

// The top-level widget of a window: reports moves and the system's close to the window.
class TopWidget : public QWidget {
  public:
    TopWidget(Window& window, QWidget* parent, Qt::WindowFlags flags);
    bool closing = false;

  protected:
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    static constexpr int kHeaderBand = 40;  // the top band a window with its own header drags by
    Window& m_window;
    std::optional<QPoint> m_dragFrom;  // the mouse's offset from the window while dragged
};

// One window's widgets, kept in step with its controls both ways: program changes reach the
// widgets (coalesced, once per turn of the event loop), a person's actions reach the controls.
class WindowBinding : public QObject {
  public:
    WindowBinding(Window& window, QWidget* owner, bool modal);
    ~WindowBinding() override;

    QWidget* widget() const { return m_top; }
    QWidget* widgetOf(const Control* control) const;
    void show();
    // Runs a nested event loop until the window is destroyed.
    void runModal();
    void close();
    void flush();
    void moveToWindowPosition();

  private:
    static constexpr int kDishPageHeight = 200;  // five dish buttons of a roll menu's page
    QWidget* build(Control& c, QWidget* parent);
    void sync(Control& c);
    void markDirty(Control* c);
    // Makes the dish buttons of page g of a roll menu's box, unless it has them already.
    void syncTiles(TileBoard& board, QScrollArea* area);
    void syncChart(Chart& chart, QChartView* view);
    void buildDishPage(RollMenu& menu, QToolBox* box, int g);
    // Runs a person's action unless the window is going or the binding is writing widgets.
    template <class F>
    void fromUser(F&& action);

    Window& m_window;
    TopWidget* m_top = nullptr;
    bool m_modal;
    bool m_closed = false;
    bool m_syncing = false;
    bool m_scheduled = false;
    QEventLoop* m_loop = nullptr;
    std::map<const Control*, QWidget*> m_widgets;
    std::set<Control*> m_dirty;
    std::vector<QTimer*> m_timers;
    // What each list-like widget shows now, to rebuild only on real change.
    std::map<const Control*, std::vector<std::string>> m_shownItems;
    std::map<const Control*, std::vector<MenuGroup>> m_shownGroups;
    std::map<const Control*, std::vector<bool>> m_builtPages;
};

}  // namespace tablora::ui::qt
