#include "ui/qt/window_binding.h"

#include <qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolBox>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValidator>
#include <QWindow>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QValueAxis>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "ui/qt/icons.h"
#include "ui/qt/report_model.h"

namespace tablora::ui::qt {
namespace {

// The height of a list's row, as the skins had it for every list.
constexpr int kReportRowHeight = 24;

class StarPasswordStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

QString q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string u(const QString& s) {
    return s.toUtf8().toStdString();
}

// Turns key presses into the codes handlers know: 13 is Enter.
int keyCode(const QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return 13;
    if (e->key() == Qt::Key_Escape) return 27;
    if (e->key() == Qt::Key_Delete) return ReportList::kDelete;
    if (e->key() >= Qt::Key_Space && e->key() <= Qt::Key_AsciiTilde) return e->key();
    return e->key() & 0xffff;
}

// A report list's view. Typed text never searches it: at the cash desk "200" typed into the
// order list would jump to another order and leave "00" for the amount.
class ReportView : public QTableView {
  public:
    using QTableView::QTableView;
    void keyboardSearch(const QString&) override {}
};

// Passes key presses of an edit box to its control; the text itself is typed as usual.
class KeyFilter : public QObject {
  public:
    KeyFilter(QObject* parent, std::function<void(int)> onKey)
        : QObject(parent), m_onKey(std::move(onKey)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) m_onKey(keyCode(static_cast<QKeyEvent*>(event)));
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void(int)> m_onKey;
};

// A tile of a board: a touch is a click; a right click or a press held for half a second asks
// for its menu, and the release that ends a long press is no touch.
class TileButton : public QPushButton {
  public:
    TileButton(QWidget* parent, std::function<void()> touched, std::function<void()> menu)
        : QPushButton(parent), m_touched(std::move(touched)), m_menu(std::move(menu)) {
        m_hold.setSingleShot(true);
        m_hold.setInterval(500);
        QObject::connect(&m_hold, &QTimer::timeout, this, [this] {
            m_held = true;
            m_menu();
        });
        setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(this, &QWidget::customContextMenuRequested, this, [this] { m_menu(); });
        QObject::connect(this, &QPushButton::clicked, this, [this] {
            if (!m_held) m_touched();
            m_held = false;
        });
    }

  protected:
    void mousePressEvent(QMouseEvent* e) override {
        m_held = false;
        if (e->button() == Qt::LeftButton) m_hold.start();
        QPushButton::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        m_hold.stop();
        QPushButton::mouseReleaseEvent(e);
    }

  private:
    std::function<void()> m_touched, m_menu;
    QTimer m_hold;
    bool m_held = false;
};

// The colours of the three tile states: light backgrounds, dark text (over 10:1), a border
// of the state's own hue, the same in every skin. One sheet for the whole board, the tile's
// state a property, so a hundred tiles are styled once.
QString tileStyles() {
    static const char* const states[] = {
        "background:#e3f4e6;color:#14351b;border:2px solid #3c8d4a;",
        "background:#ffe7bf;color:#3d2600;border:2px solid #c27c0e;",
        "background:#f9d0d0;color:#4a0a0a;border:2px solid #b3261e;"};
    QString sheet;
    for (int state = 0; state < 3; ++state)
        sheet += QStringLiteral(
                     "QPushButton[tileState=\"%1\"]{%2border-radius:6px;padding:4px;}"
                     "QPushButton[tileState=\"%1\"]:pressed{border-width:4px;}")
                     .arg(state)
                     .arg(QString::fromLatin1(states[state]));
    return sheet;
}

// A whole-number box takes whole yuan: digits after a "." (typed or pasted) are not taken,
// never joined to the whole part, and the person is shown why.
bool isPoint(const QString& text) {
    return text == QStringLiteral(".") || text == QStringLiteral("．") ||
           text == QStringLiteral("。");
}

void showWholeYuanHint(QLineEdit* e) {
    QToolTip::showText(e->mapToGlobal(QPoint(0, e->height())), QStringLiteral("只收整数元"), e);
}

class WholeNumberValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        // A pasted "6.5" is 6: what follows the point goes, up to the next non-digit.
        for (qsizetype at;
             (at = input.indexOf(QRegularExpression(QStringLiteral("[.．。]")))) >= 0;) {
            qsizetype end = at + 1;
            while (end < input.size() && input[end].isDigit()) ++end;
            input.remove(at, end - at);
            pos = static_cast<int>(std::min<qsizetype>(pos, at));
        }
        for (const QChar c : input)
            if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('-'))
                return Invalid;
        return Acceptable;
    }
};

class WholeNumberKeys : public QObject {
  public:
    explicit WholeNumberKeys(QLineEdit* edit) : QObject(edit), m_edit(edit) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) m_afterPoint = false;
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        // Typing after the point only while the text is the one the point was typed into.
        if (m_edit->text() != m_textAtPoint) m_afterPoint = false;
        if (isPoint(key->text())) {
            m_afterPoint = true;
            m_textAtPoint = m_edit->text();
            showWholeYuanHint(m_edit);
            return true;
        }
        const bool digit = key->text().size() == 1 && key->text()[0].isDigit();
        if (digit && m_afterPoint) {
            showWholeYuanHint(m_edit);
            return true;
        }
        if (!digit && !key->text().isEmpty()) m_afterPoint = false;
        if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) m_afterPoint = false;
        return QObject::eventFilter(watched, event);
    }

  private:
    QLineEdit* m_edit;
    bool m_afterPoint = false;
    QString m_textAtPoint;
};

// Drop-down rows a finger can hit.
class TallRows : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 32));
        return size;
    }
};

QFont fontFor(const Control& c, const QFont& base) {
    if (c.font().empty()) return base;
    QFont f(q(c.font()));
    if (!QFontDatabase::families().contains(q(c.font()))) {
        // The design's decorative face is not installed: the house face, bold, filling the height.
        f = base;
        f.setBold(true);
    }
    f.setPixelSize(std::max(12, c.geometry().height * 3 / 4));
    return f;
}

// Qt gives the window system the program's name for an empty caption; a window whose caption
// is empty says so to the window system too.
void keepCaptionEmpty(QWidget* top) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !top->windowTitle().isEmpty() ||
        QGuiApplication::platformName() != QStringLiteral("xcb"))
        return;
    xcb_connection_t* connection = x11->connection();
    if (!connection) return;
    auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return found;
    };
    const xcb_atom_t netWmName = atom("_NET_WM_NAME"), utf8 = atom("UTF8_STRING");
    if (netWmName == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE) return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(top->winId()),
                        netWmName, utf8, 8, 0, nullptr);
    xcb_flush(connection);
}

}  // namespace

TopWidget::TopWidget(Window& window, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_window(window) {}

void TopWidget::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!closing && !m_window.destroyed()) m_window.userMove(x(), y());
}

void TopWidget::closeEvent(QCloseEvent* event) {
    if (closing || m_window.destroyed()) {
        event->accept();
        return;
    }
    // The window decides: usually it goes, the login window cancels.
    event->ignore();
    m_window.requestClose();
}

void TopWidget::mousePressEvent(QMouseEvent* event) {
    // A window with its own header is dragged by it: by the window manager where there is one,
    // else by following the mouse, so a till without one can move it too.
    if (m_window.ownHeader() && event->button() == Qt::LeftButton &&
        event->position().y() < kHeaderBand) {
        if (!windowHandle() || !windowHandle()->startSystemMove())
            m_dragFrom = event->globalPosition().toPoint() - pos();
    }
    QWidget::mousePressEvent(event);
}

void TopWidget::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragFrom && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_dragFrom);
    QWidget::mouseMoveEvent(event);
}

void TopWidget::mouseReleaseEvent(QMouseEvent* event) {
    m_dragFrom.reset();
    QWidget::mouseReleaseEvent(event);
}

void TopWidget::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!m_window.ownHeader()) return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

WindowBinding::WindowBinding(Window& window, QWidget* owner, bool modal)
    : m_window(window), m_modal(modal) {
    Qt::WindowFlags flags = Qt::Window;
    if (window.ownHeader())
        flags |= Qt::FramelessWindowHint;
    else if (modal)
        flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    else if (owner)
        // A work window covers its owner's body exactly: a frame of the window manager's
        // would push it down and over the announcement bar.
        flags = Qt::Tool | Qt::FramelessWindowHint;
    m_top = new TopWidget(window, owner, flags);
    m_top->setObjectName(q(window.name()));
    // Keys no control took reach the window (Esc leaves a board's picking, for one).
    m_top->installEventFilter(new KeyFilter(
        this, [this](int key) { fromUser([this, key] { m_window.pressKey(key); }); }));
    m_top->setWindowTitle(q(window.caption()));
    m_top->setFixedSize(window.width(), window.height());
    m_top->setAutoFillBackground(true);
    if (window.ownHeader()) m_top->setWindowIcon(drawnIcon(QStringLiteral("app")));

    for (Control* c : window.controls()) {
        if (c->kind() == ControlKind::Timer) {
            auto* timer = new QTimer(this);
            timer->setInterval(static_cast<Timer*>(c)->interval());
            auto* t = static_cast<Timer*>(c);
            connect(timer, &QTimer::timeout, this, [this, t] { fromUser([t] { t->tick(); }); });
            m_timers.push_back(timer);
            continue;
        }
        QWidget* parent = m_top;
        if (c->container()) {
            auto it = m_widgets.find(c->container());
            if (it != m_widgets.end()) parent = it->second;
        }
        QWidget* w = build(*c, parent);
        w->setObjectName(q(c->name()));
        const Rect& g = c->geometry();
        w->setGeometry(g.left, g.top, g.width, g.height);
        m_widgets[c] = w;
        sync(*c);
        c->setObserver([this, c] { markDirty(c); });
    }
    if (!owner) {
        // The main window lies wholly within the screen's room (a 1366 x 768 till included),
        // at its design place where that fits; the work windows follow it.
        const QRect room = m_top->screen()->availableGeometry();
        const int left = std::clamp(window.left(), room.left(),
                                    std::max(room.left(), room.right() + 1 - window.width()));
        const int top = std::clamp(window.top(), room.top(),
                                   std::max(room.top(), room.bottom() + 1 - window.height()));
        window.userMove(left, top);
    }
    moveToWindowPosition();
}

// The window clears its controls' observers when it is destroyed; the controls may be gone
// by the time this runs.
WindowBinding::~WindowBinding() = default;

template <class F>
void WindowBinding::fromUser(F&& action) {
    if (m_closed || m_syncing || m_window.destroyed()) return;
    action();
}

QWidget* WindowBinding::widgetOf(const Control* control) const {
    auto it = m_widgets.find(control);
    return it == m_widgets.end() ? nullptr : it->second;
}

QWidget* WindowBinding::build(Control& c, QWidget* parent) {
    switch (c.kind()) {
        case ControlKind::Button: {
            auto* b = new QPushButton(parent);
            auto* button = static_cast<Button*>(&c);
            connect(b, &QPushButton::clicked, this,
                    [this, button] { fromUser([button] { button->click(); }); });
            // Enter on a focused button presses it, as Space does.
            b->installEventFilter(new KeyFilter(this, [b](int key) {
                if (key == 13 && b->isEnabled()) b->click();
            }));
            return b;
        }
        case ControlKind::Label:
        case ControlKind::TransparentLabel: {
            auto* l = new QLabel(parent);
            l->setTextFormat(Qt::PlainText);  // "<b>VIP</b>" is a name, not markup
            l->setAlignment(alignmentOf(static_cast<Label&>(c).align()));
            l->setFont(fontFor(c, l->font()));
            if (c.kind() == ControlKind::Label) l->setProperty("role", QStringLiteral("value"));
            if (static_cast<Label&>(c).money()) {
                // Money a cashier reads at a glance: as large as the box allows, bold.
                QFont f = l->font();
                f.setBold(true);
                f.setPixelSize(std::max(12, c.geometry().height * 4 / 5));
                l->setFont(f);
            }
            return l;
        }
        case ControlKind::GroupBox:
            return new QGroupBox(parent);
        case ControlKind::Line: {
            auto* f = new QFrame(parent);
            f->setFrameShape(c.geometry().height > c.geometry().width ? QFrame::VLine
                                                                      : QFrame::HLine);
            f->setFrameShadow(QFrame::Sunken);
            return f;
        }
        case ControlKind::PictureBox: {
            auto* l = new QLabel(parent);
            l->setAlignment(Qt::AlignCenter);
            l->setPixmap(
                drawnImage(q(c.text()), std::min(c.geometry().width, c.geometry().height)));
            return l;
        }
        case ControlKind::EditBox: {
            auto* edit = static_cast<EditBox*>(&c);
            auto* keys = new KeyFilter(
                this, [this, edit](int key) { fromUser([edit, key] { edit->pressKey(key); }); });
            if (edit->mode() == EditMode::MultiLine) {
                auto* t = new QPlainTextEdit(parent);
                t->setTabChangesFocus(true);  // Tab moves on, as in every other field
                connect(t, &QPlainTextEdit::textChanged, this, [this, t, edit] {
                    fromUser([t, edit] { edit->type(u(t->toPlainText())); });
                });
                t->installEventFilter(keys);
                return t;
            }
            auto* e = new QLineEdit(parent);
            if (edit->mode() == EditMode::Password) {
                // A password shows as "*" under every style and skin, not as the style's dots.
                auto* stars = new StarPasswordStyle;
                stars->setParent(e);
                e->setStyle(stars);
                e->setEchoMode(QLineEdit::Password);
            }
            connect(e, &QLineEdit::textEdited, this, [this, edit](const QString& text) {
                fromUser([edit, &text] { edit->type(u(text)); });
            });
            e->installEventFilter(keys);
            if (edit->mode() == EditMode::WholeNumber) {
                e->setValidator(new WholeNumberValidator(e));
                e->installEventFilter(new WholeNumberKeys(e));  // before the handlers' keys
            }
            return e;
        }
        case ControlKind::ComboBox: {
            auto* combo = static_cast<ComboBox*>(&c);
            auto* box = new QComboBox(parent);
            box->setEditable(combo->editable());
            // A typed text stays a typed text: the list holds only what the program put in it.
            box->setInsertPolicy(QComboBox::NoInsert);
            box->setMaxVisibleItems(20);
            box->setItemDelegate(new TallRows(box));
            connect(box, &QComboBox::activated, this, [this, combo](int index) {
                fromUser([combo, index] { combo->choose(index); });
            });
            if (combo->editable()) {
                connect(box->lineEdit(), &QLineEdit::textEdited, this,
                        [this, combo](const QString& text) {
                            fromUser([combo, &text] { combo->type(u(text)); });
                        });
            }
            return box;
        }
        case ControlKind::ListBox:
        case ControlKind::CheckListBox: {
            auto* list = static_cast<ListBox*>(&c);
            auto* w = new QListWidget(parent);
            connect(w, &QListWidget::currentRowChanged, this,
                    [this, list](int row) { fromUser([list, row] { list->choose(row); }); });
            if (c.kind() == ControlKind::CheckListBox) {
                auto* checks = static_cast<CheckListBox*>(&c);
                connect(w, &QListWidget::itemChanged, this,
                        [this, w, checks](QListWidgetItem* item) {
                            fromUser([w, checks, item] {
                                checks->tick(w->row(item), item->checkState() == Qt::Checked);
                            });
                        });
            }
            return w;
        }
        case ControlKind::ReportList: {
            auto* list = static_cast<ReportList*>(&c);
            // A table view: a tree view keeps some fifty bytes for every row it lists, 45 MB
            // for a journal of a million orders; this one keeps a row's height alone.
            auto* view = new ReportView(parent);
            auto* model = new ReportModel(*list, view);
            view->setModel(model);
            view->verticalHeader()->hide();
            view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
            view->verticalHeader()->setDefaultSectionSize(kReportRowHeight);
            view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            view->horizontalHeader()->setHighlightSections(false);
            view->horizontalHeader()->setStretchLastSection(true);
            view->setShowGrid(false);
            view->setWordWrap(false);
            view->setTabKeyNavigation(false);
            view->setCornerButtonEnabled(false);
            view->setAlternatingRowColors(true);
            view->setSelectionBehavior(QAbstractItemView::SelectRows);
            view->setSelectionMode(QAbstractItemView::SingleSelection);
            view->setEditTriggers(QAbstractItemView::NoEditTriggers);
            for (int i = 0; i < list->columnCount(); ++i)
                view->setColumnWidth(i, list->columns()[static_cast<size_t>(i)].width);
            view->installEventFilter(new KeyFilter(
                this, [this, list](int key) { fromUser([list, key] { list->pressKey(key); }); }));
            // A row is chosen when a person selects it: the view also makes a row current
            // (unselected) when it merely gets the keyboard, which chooses nothing.
            connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                    [this, list, view](const QItemSelection& selected) {
                        if (selected.isEmpty()) return;
                        const QModelIndex current = view->currentIndex();
                        const int row =
                            current.isValid() && view->selectionModel()->isSelected(current)
                                ? current.row()
                                : selected.indexes().first().row();
                        fromUser([list, row] { list->selectRow(row); });
                    });
            return view;
        }
        case ControlKind::RollMenu: {
            auto* menu = static_cast<RollMenu*>(&c);
            // The headers scroll when there are too many for the open group's dishes to show.
            auto* area = new QScrollArea(parent);
            area->setFrameShape(QFrame::NoFrame);
            area->setWidgetResizable(true);
            area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            auto* box = new QToolBox;
            box->setObjectName(q(c.name()));
            area->setWidget(box);
            connect(box, &QToolBox::currentChanged, this, [this, menu, box](int index) {
                buildDishPage(*menu, box, index);
                if (index < menu->groupCount())
                    fromUser([menu, index] { menu->setOpenGroup(index); });
            });
            return area;
        }
        case ControlKind::DatePicker: {
            auto* picker = static_cast<DatePicker*>(&c);
            auto* d = new QDateEdit(parent);
            d->setCalendarPopup(true);
            d->setDisplayFormat(QStringLiteral("yyyy年M月d日"));
            connect(d, &QDateEdit::dateChanged, this, [this, picker](QDate date) {
                fromUser([picker, date] {
                    picker->pick({date.year(), date.month(), date.day(), 0, 0, 0});
                });
            });
            return d;
        }
        case ControlKind::Toolbar: {
            auto* bar = static_cast<Toolbar*>(&c);
            auto* t = new QToolBar(parent);
            t->setIconSize(QSize(32, 32));
            t->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            for (size_t i = 0; i < bar->items().size(); ++i) {
                const auto& item = bar->items()[i];
                if (item.separator) {
                    t->addSeparator();
                    continue;
                }
                QAction* a = t->addAction(drawnIcon(q(item.icon)), q(item.caption));
                a->setObjectName(q(item.caption));
                const int index = static_cast<int>(i);
                connect(a, &QAction::triggered, this,
                        [this, bar, index] { fromUser([bar, index] { bar->clickItem(index); }); });
            }
            return t;
        }
        case ControlKind::StatusBar: {
            auto* bar = static_cast<StatusBar*>(&c);
            auto* f = new QFrame(parent);
            f->setFrameShape(QFrame::StyledPanel);
            f->setProperty("role", QStringLiteral("statusbar"));
            auto* layout = new QHBoxLayout(f);
            layout->setContentsMargins(4, 0, 4, 0);
            layout->setSpacing(6);
            for (int width : bar->paneWidths()) {
                auto* pane = new QLabel(f);
                pane->setTextFormat(Qt::PlainText);
                if (width > 0) pane->setFixedWidth(width);
                layout->addWidget(pane, width > 0 ? 0 : 1);
            }
            return f;
        }
        case ControlKind::Timer:
            break;
        case ControlKind::Chart: {
            auto* view = new QChartView(parent);
            view->setRenderHint(QPainter::Antialiasing);
            view->chart()->legend()->setVisible(false);
            view->chart()->setMargins(QMargins(2, 2, 2, 2));
            view->chart()->setBackgroundRoundness(0);
            return view;
        }
        case ControlKind::TileBoard: {
            auto* area = new QScrollArea(parent);
            area->setFrameShape(QFrame::NoFrame);
            area->setWidgetResizable(true);
            area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            auto* inside = new QWidget;
            new QGridLayout(inside);
            inside->setStyleSheet(tileStyles());
            QFont font = inside->font();
            font.setPixelSize(15);
            inside->setFont(font);
            area->setWidget(inside);
            return area;
        }
    }
    return new QWidget(parent);
}

void WindowBinding::markDirty(Control* c) {
    if (m_closed) return;
    m_dirty.insert(c);
    if (m_scheduled) return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] { flush(); });
}

void WindowBinding::flush() {
    m_scheduled = false;
    auto dirty = std::move(m_dirty);
    m_dirty.clear();
    for (Control* c : dirty) sync(*c);
}

void WindowBinding::sync(Control& c) {
    QWidget* w = widgetOf(&c);
    if (!w || m_closed) return;
    m_syncing = true;
    w->setEnabled(c.enabled());
    if (w->isVisibleTo(w->parentWidget()) != c.visible()) {
        w->setVisible(c.visible());
        if (c.visible()) w->raise();
    }
    if (c.focusRequested()) {
        c.focusTaken();
        w->setFocus();
    }
    switch (c.kind()) {
        case ControlKind::Button:
            static_cast<QPushButton*>(w)->setText(shownAsTyped(q(c.text())));
            break;
        case ControlKind::Label:
        case ControlKind::TransparentLabel: {
            auto* l = static_cast<QLabel*>(w);
            l->setText(q(c.text()));
            // Less received than due shows red before the bill is settled.
            if (const auto& label = static_cast<Label&>(c); label.money() || label.alert())
                l->setStyleSheet(label.alert() || c.text().starts_with('-')
                                     ? QStringLiteral("color: #c00000;")
                                     : QString());
            break;
        }
        case ControlKind::EditBox: {
            const QString text = q(c.text());
            if (auto* e = qobject_cast<QLineEdit*>(w)) {
                if (e->text() != text) e->setText(text);
            } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
                if (t->toPlainText() != text) t->setPlainText(text);
            }
            break;
        }
        case ControlKind::ComboBox: {
            auto& combo = static_cast<ComboBox&>(c);
            auto* box = static_cast<QComboBox*>(w);
            auto& shown = m_shownItems[&c];
            if (shown != combo.items()) {
                box->clear();
                for (const auto& item : combo.items()) box->addItem(q(item));
                shown = combo.items();
            }
            if (box->currentIndex() != combo.selectedIndex()) {
                // Typing leaves no item selected; moving the box's index would clear the line
                // and put the cursor at its end, away from where the person types.
                const QString typed = box->currentText();
                const int cursor = combo.editable() ? box->lineEdit()->cursorPosition() : 0;
                box->setCurrentIndex(combo.selectedIndex());
                if (combo.editable() && typed == q(combo.text())) {
                    box->setEditText(typed);
                    box->lineEdit()->setCursorPosition(cursor);
                }
            }
            if (combo.editable() && box->currentText() != q(combo.text()))
                box->setEditText(q(combo.text()));
            break;
        }
        case ControlKind::ListBox:
        case ControlKind::CheckListBox: {
            auto& list = static_cast<ListBox&>(c);
            auto* lw = static_cast<QListWidget*>(w);
            auto& shown = m_shownItems[&c];
            if (shown != list.items()) {
                lw->clear();
                for (const auto& item : list.items()) lw->addItem(q(item));
                shown = list.items();
            }
            if (c.kind() == ControlKind::CheckListBox && lw->count() > 0) {
                // Every item in sight in the box's described height.
                const int row =
                    std::clamp((c.geometry().height - 2 * lw->frameWidth()) / lw->count(), 16, 24);
                lw->setStyleSheet(
                    QStringLiteral("QListWidget::item { height: %1px; padding: 0px; }").arg(row));
            }
            if (c.kind() == ControlKind::CheckListBox) {
                auto& checks = static_cast<CheckListBox&>(c);
                for (int i = 0; i < lw->count(); ++i) {
                    lw->item(i)->setFlags(lw->item(i)->flags() | Qt::ItemIsUserCheckable);
                    lw->item(i)->setCheckState(checks.ticked(i) ? Qt::Checked : Qt::Unchecked);
                }
            }
            lw->setCurrentRow(list.selectedIndex());
            break;
        }
        case ControlKind::ReportList: {
            auto& list = static_cast<ReportList&>(c);
            auto* view = static_cast<QTableView*>(w);
            auto* model = static_cast<ReportModel*>(view->model());
            model->catchUp(list.takeChanges());
            // The scroll bars take in rows just added before the view is scrolled to one.
            bool laidOut = false;
            const auto scrollTo = [&](const QModelIndex& index) {
                if (!std::exchange(laidOut, true)) view->doItemsLayout();
                view->scrollTo(index);
            };
            const QModelIndex current =
                list.currentRow() >= 0 ? model->index(list.currentRow(), 0) : QModelIndex();
            if (current.isValid()) {
                if (view->currentIndex().row() != current.row() ||
                    !view->selectionModel()->isSelected(current)) {
                    view->selectionModel()->setCurrentIndex(
                        current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                    scrollTo(current);
                }
            } else {
                view->selectionModel()->clear();
            }
            // The line the program just added or changed is in sight.
            if (const int wanted = list.takeScrollRequest(); wanted >= 0)
                scrollTo(model->index(wanted, 0));
            break;
        }
        case ControlKind::RollMenu: {
            auto& menu = static_cast<RollMenu&>(c);
            auto* area = static_cast<QScrollArea*>(w);
            auto* box = static_cast<QToolBox*>(area->widget());
            auto& shown = m_shownGroups[&c];
            auto& built = m_builtPages[&c];
            const auto& groups = menu.groups();
            // A page for a group; its dish buttons are made when the page is first shown.
            // Its header opens the group it stands for now, wherever pages came or went.
            auto insertPage = [&](int at) {
                auto* scroll = new QScrollArea;
                scroll->setWidgetResizable(true);
                scroll->setFrameShape(QFrame::NoFrame);
                scroll->setWidget(new QWidget);
                box->insertItem(at, scroll, shownAsTyped(q(menu.groupTitle(at))));
                const auto headers =
                    box->findChildren<QAbstractButton*>(QStringLiteral("qt_toolbox_toolboxbutton"));
                // A tool box always shows one page, also while no group is open; a click on
                // the header of the page shown must open that group too, which the box does
                // not signal.
                for (QAbstractButton* header : headers) {
                    if (header->property("page").value<QWidget*>()) continue;
                    header->setProperty("page", QVariant::fromValue<QWidget*>(scroll));
                    connect(header, &QAbstractButton::clicked, this, [this, &menu, box, scroll] {
                        const int g = box->indexOf(scroll);
                        if (g >= 0 && g < menu.groupCount())
                            fromUser([&menu, g] { menu.setOpenGroup(g); });
                    });
                }
                built.insert(built.begin() + at, false);
                shown.insert(shown.begin() + at, groups[static_cast<size_t>(at)]);
            };
            auto removePage = [&](int at) {
                QWidget* page = box->widget(at);
                box->removeItem(at);
                page->deleteLater();
                built.erase(built.begin() + at);
                shown.erase(shown.begin() + at);
            };
            auto rebuild = [&] {
                while (box->count() > 0) {
                    QWidget* page = box->widget(0);
                    box->removeItem(0);
                    page->deleteLater();
                }
                shown.clear();
                built.clear();
                for (int g = 0; g < menu.groupCount(); ++g) insertPage(g);
                // With no group open the box shows this empty page, whose header is hidden:
                // every group's dishes stay folded away.
                box->addItem(new QWidget, QString());
                for (QAbstractButton* header : box->findChildren<QAbstractButton*>(
                         QStringLiteral("qt_toolbox_toolboxbutton")))
                    if (!header->property("page").value<QWidget*>()) header->hide();
            };
            // Groups added, removed or renamed one at a time (the settings window's steps)
            // change one page; anything else makes the pages anew.
            const size_t n = shown.size(), m = groups.size();
            size_t head = 0, tail = 0;
            while (head < n && head < m && shown[head].title == groups[head].title) ++head;
            while (tail < n - head && tail < m - head &&
                   shown[n - 1 - tail].title == groups[m - 1 - tail].title)
                ++tail;
            const size_t gone = n - head - tail, come = m - head - tail;
            if (box->count() == 0) {
                rebuild();
            } else if (gone <= 1 && come <= 1) {
                if (gone == 1 && come == 1) {
                    box->setItemText(static_cast<int>(head), shownAsTyped(q(groups[head].title)));
                    shown[head].title = groups[head].title;
                } else if (gone == 1) {
                    removePage(static_cast<int>(head));
                } else if (come == 1) {
                    insertPage(static_cast<int>(head));
                }
            } else {
                rebuild();
            }
            // Only the groups whose dishes changed are made again, when next shown.
            for (size_t g = 0; g < shown.size(); ++g) {
                if (shown[g].items == groups[g].items) continue;
                shown[g].items = groups[g].items;
                built[g] = false;
            }
            // Room for the headers and a page of dishes; beyond the box's height the headers
            // scroll instead of squeezing the dishes out of sight.
            const auto headers =
                box->findChildren<QAbstractButton*>(QStringLiteral("qt_toolbox_toolboxbutton"));
            const int header = headers.isEmpty() ? 0 : headers[0]->sizeHint().height() + 1;
            box->setMinimumHeight(menu.groupCount() * header + kDishPageHeight);
            const int open = menu.openGroup() >= 0 && menu.openGroup() < menu.groupCount()
                                 ? menu.openGroup()
                                 : box->count() - 1;
            if (box->currentIndex() != open) box->setCurrentIndex(open);
            buildDishPage(menu, box, box->currentIndex());
            if (open < menu.groupCount()) {
                // The open group's header and as many of its dishes as fit are in sight.
                area->ensureWidgetVisible(box->widget(open), 0, 0);
                for (QAbstractButton* header : box->findChildren<QAbstractButton*>(
                         QStringLiteral("qt_toolbox_toolboxbutton")))
                    if (header->property("page").value<QWidget*>() == box->widget(open))
                        area->ensureWidgetVisible(header, 0, 0);
            }
            break;
        }
        case ControlKind::DatePicker: {
            const auto& d = static_cast<DatePicker&>(c).date();
            static_cast<QDateEdit*>(w)->setDate(QDate(d.year, d.month, d.day));
            break;
        }
        case ControlKind::StatusBar: {
            auto& bar = static_cast<StatusBar&>(c);
            const auto panes = w->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
            for (int i = 0; i < bar.paneCount() && i < panes.size(); ++i)
                panes[i]->setText(q(bar.paneText(i)));
            break;
        }
        case ControlKind::TileBoard:
            syncTiles(static_cast<TileBoard&>(c), static_cast<QScrollArea*>(w));
            break;
        case ControlKind::Chart:
            syncChart(static_cast<Chart&>(c), static_cast<QChartView*>(w));
            break;
        case ControlKind::GroupBox:
        case ControlKind::Line:
        case ControlKind::PictureBox:
        case ControlKind::Toolbar:
        case ControlKind::Timer:
            break;
    }
    m_syncing = false;
}

void WindowBinding::syncChart(Chart& chart, QChartView* view) {
    // A chart is drawn afresh from its points: a handful of bars or slices.
    auto* c = new QChart;
    c->setTitle(q(chart.text()));
    QFont title = c->titleFont();
    title.setPixelSize(13);
    c->setTitleFont(title);
    c->setMargins(QMargins(2, 2, 2, 2));
    c->setBackgroundRoundness(0);
    const auto& points = chart.points();
    if (chart.chartKind() == ChartKind::Pie) {
        auto* pie = new QPieSeries;
        for (const auto& p : points) pie->append(q(p.label), p.value);
        // The shares are read in the legend below: labels beside a small pie would be cut.
        for (QPieSlice* slice : pie->slices())
            slice->setLabel(
                QStringLiteral("%1%2%").arg(slice->label()).arg(qRound(slice->percentage() * 100)));
        // Colours told apart at a glance, not shades of one.
        static const QColor kSlices[] = {QColor(0x4e, 0x79, 0xa7), QColor(0xf2, 0x8e, 0x2b),
                                         QColor(0xe1, 0x57, 0x59), QColor(0x59, 0xa1, 0x4f),
                                         QColor(0xb0, 0x7a, 0xa1), QColor(0xed, 0xc9, 0x48),
                                         QColor(0x76, 0xb7, 0xb2), QColor(0x9c, 0x75, 0x5f),
                                         QColor(0xff, 0x9d, 0xa7), QColor(0xba, 0xb0, 0xac)};
        for (qsizetype i = 0; i < pie->count(); ++i)
            pie->slices()[i]->setBrush(kSlices[i % static_cast<qsizetype>(std::size(kSlices))]);
        c->addSeries(pie);
        c->legend()->setVisible(true);
        c->legend()->setAlignment(Qt::AlignRight);
        c->legend()->setMarkerShape(QLegend::MarkerShapeCircle);
        pie->setPieSize(0.85);
        QFont legend = c->legend()->font();
        legend.setPixelSize(13);
        c->legend()->setFont(legend);
    } else {
        QStringList labels;
        double top = 0;
        for (const auto& p : points) {
            labels << q(p.label);
            top = std::max(top, p.value);
        }
        auto* x = new QBarCategoryAxis;
        x->append(labels);
        x->setLabelsAngle(labels.size() > 8 ? -90 : 0);
        // A long span has too many days to name under a narrow chart.
        x->setLabelsVisible(labels.size() <= 16);
        auto* y = new QValueAxis;
        // Whole steps: one a unit for small counts, round ones above.
        if (top <= 10) {
            const int units = std::max(1, static_cast<int>(std::ceil(top)));
            y->setRange(0, units);
            y->setTickCount(units + 1);
        } else {
            y->setRange(0, top);
            y->applyNiceNumbers();
        }
        y->setLabelFormat(QStringLiteral("%d"));
        c->addAxis(x, Qt::AlignBottom);
        c->addAxis(y, Qt::AlignLeft);
        // A line of one day is a lone dot: one day is drawn as a bar.
        if (chart.chartKind() == ChartKind::Bars || points.size() == 1) {
            auto* set = new QBarSet(QString());
            set->setColor(QColor(0x5b, 0x8f, 0xc9));
            set->setLabelColor(QColor(0x22, 0x22, 0x22));
            for (const auto& p : points) *set << p.value;
            auto* bars = new QBarSeries;
            bars->append(set);
            // Each bar says its value, while there is room above a bar to say it.
            bars->setLabelsVisible(points.size() <= 16);
            bars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
            bars->setLabelsFormat(QStringLiteral("@value"));
            if (top > 0) y->setMax(y->max() * 1.15);
            c->addSeries(bars);
            bars->attachAxis(x);
            bars->attachAxis(y);
            bars->setLabelsVisible(points.size() <= 16);
        } else {
            auto* line = new QLineSeries;
            line->setPointsVisible(true);  // a single day is a point
            for (int i = 0; i < static_cast<int>(points.size()); ++i)
                line->append(i, points[static_cast<size_t>(i)].value);
            c->addSeries(line);
            line->attachAxis(y);
            auto* index = new QValueAxis;
            index->setRange(0, std::max<qreal>(1, static_cast<qreal>(points.size()) - 1));
            index->setVisible(false);
            c->addAxis(index, Qt::AlignTop);
            line->attachAxis(index);
        }
        c->legend()->setVisible(false);
    }
    QChart* old = view->chart();
    view->setChart(c);
    delete old;
}

void WindowBinding::syncTiles(TileBoard& board, QScrollArea* area) {
    constexpr int kMinWidth = 150, kHeight = 108, kGap = 10;
    QWidget* inside = area->widget();
    auto* grid = static_cast<QGridLayout*>(inside->layout());
    const auto& tiles = board.tiles();
    const auto textOf = [](const Tile& tile) {
        QStringList lines{q(tile.name)};
        for (const auto& line : tile.lines) lines << q(line);
        return lines.join(QLatin1Char('\n'));
    };
    const auto show = [&](QPushButton* b, const Tile& tile) {
        b->setObjectName(q(tile.name));
        if (const QString text = textOf(tile); b->text() != text) b->setText(text);
        if (b->property("tileState").toInt() != tile.state || !b->property("tileState").isValid()) {
            b->setProperty("tileState", tile.state);
            b->style()->unpolish(b);
            b->style()->polish(b);
        }
        b->setEnabled(board.enabled());
    };
    // The same tables: each tile shows its new lines; only a changed count lays the board out.
    if (grid->count() == static_cast<int>(tiles.size())) {
        for (int i = 0; i < grid->count(); ++i)
            show(static_cast<QPushButton*>(grid->itemAt(i)->widget()),
                 tiles[static_cast<size_t>(i)]);
        return;
    }
    while (QLayoutItem* item = grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    grid->setSpacing(kGap);
    grid->setContentsMargins(kGap, kGap, kGap, kGap);
    const int width = board.geometry().width - area->verticalScrollBar()->sizeHint().width();
    // As many columns as fit, the tiles then widened to fill the row.
    const int columns = std::max(1, (width - kGap) / (kMinWidth + kGap));
    const int tileWidth = std::max(kMinWidth, (width - kGap) / columns - kGap);
    for (size_t i = 0; i < tiles.size(); ++i) {
        const int index = static_cast<int>(i);
        auto* b = new TileButton(
            inside, [this, &board, index] { fromUser([&board, index] { board.touch(index); }); },
            [this, &board, index] { fromUser([&board, index] { board.askMenu(index); }); });
        b->setFixedSize(tileWidth, kHeight);
        show(b, tiles[i]);
        grid->addWidget(b, index / columns, index % columns, Qt::AlignLeft | Qt::AlignTop);
    }
    // The tiles keep to the top left; what is left over stays empty.
    grid->setRowStretch(static_cast<int>((tiles.size() + columns - 1) / columns), 1);
    grid->setColumnStretch(columns, 1);
}

void WindowBinding::buildDishPage(RollMenu& menu, QToolBox* box, int g) {
    auto& built = m_builtPages[&menu];
    const auto& shown = m_shownGroups[&menu];
    if (g < 0 || static_cast<size_t>(g) >= built.size() || built[static_cast<size_t>(g)]) return;
    auto* scroll = qobject_cast<QScrollArea*>(box->widget(g));
    if (!scroll) return;
    built[static_cast<size_t>(g)] = true;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    // A long dish loses letters from the middle of its name, never its price at the end; the
    // tooltip has the whole text.
    const int room =
        menu.geometry().width - 8 - 24 - box->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const auto& items = shown[static_cast<size_t>(g)].items;
    for (size_t i = 0; i < items.size(); ++i) {
        const QString text = q(items[i]);
        auto* item = new QPushButton(page);
        item->setText(shownAsTyped(item->fontMetrics().elidedText(text, Qt::ElideMiddle, room)));
        item->setProperty("role", QStringLiteral("dish"));
        item->setMinimumHeight(36);
        item->setToolTip(Qt::convertFromPlainText(text));
        // The group a dish is clicked in is the open one, as the person sees it.
        const int index = static_cast<int>(i);
        connect(item, &QPushButton::clicked, this, [this, &menu, g, index] {
            fromUser([&menu, g, index] {
                menu.setOpenGroup(g);
                menu.clickItem(g, index);
            });
        });
        layout->addWidget(item);
    }
    layout->addStretch(1);
    // The page a person may be clicking on goes once control returns to the event loop.
    if (QWidget* old = scroll->takeWidget()) old->deleteLater();
    scroll->setWidget(page);
}

void WindowBinding::moveToWindowPosition() {
    m_top->move(m_window.left(), m_window.top());
}

void WindowBinding::show() {
    for (QTimer* t : m_timers) t->start();
    m_top->show();
    keepCaptionEmpty(m_top);
    m_top->raise();
    m_top->activateWindow();
    if (QWidget* focus = widgetOf(m_window.initialFocus())) focus->setFocus();
}

void WindowBinding::runModal() {
    m_top->setWindowModality(Qt::ApplicationModal);
    show();
    if (m_closed) return;
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
}

void WindowBinding::close() {
    if (m_closed) return;
    flush();
    m_closed = true;
    for (QTimer* t : m_timers) t->stop();
    if (m_loop) m_loop->quit();
    m_top->closing = true;
    m_top->hide();
    m_top->deleteLater();
}

}  // namespace tablora::ui::qt
