#include "ui/qt/qt_desktop.h"

#include <QApplication>
#include <QColor>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSocketNotifier>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cstdio>

#include "ui/controls.h"
#include "ui/qt/report_model.h"
#include "ui/qt/ticket_drawing.h"
#include "ui/qt/window_binding.h"
#include "ui/window.h"

namespace tablora::ui::qt {
namespace {

QString q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

QtDesktop::QtDesktop(int unattendedMs) : m_unattendedMs(unattendedMs) {}

QtDesktop::~QtDesktop() {
    for (auto& [window, binding] : m_bindings) binding.release()->deleteLater();
}

QWidget* QtDesktop::activeParent() const {
    // Never a window on its way out: it would take the dialog down with it.
    for (QWidget* w : {QApplication::activeModalWidget(), QApplication::activeWindow()}) {
        if (w && w->isVisible()) return w;
    }
    for (const auto& [window, binding] : m_bindings) {
        if (window->ownHeader() && binding->widget()->isVisible()) return binding->widget();
    }
    return nullptr;
}

Answer QtDesktop::messageBox(const std::string& text, const std::string& title, Icon icon,
                             Buttons buttons) {
    QMessageBox box(activeParent());
    box.setWindowTitle(q(title));
    box.setText(q(text));
    switch (icon) {
        case Icon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::None:
            break;
    }
    QPushButton* ok = nullptr;
    QPushButton* yesButton = nullptr;
    switch (buttons) {
        case Buttons::Ok:
            ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
            break;
        case Buttons::OkCancel:
            ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
            box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
            break;
        case Buttons::YesNo:
            yesButton = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
            box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
            box.setDefaultButton(yesButton);  // Enter answers yes
            break;
    }
    if (m_unattendedMs > 0) {
        std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
        QTimer::singleShot(m_unattendedMs, &box, [&box] { box.done(0); });
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (buttons == Buttons::YesNo) return clicked == yesButton ? Answer::Yes : Answer::No;
    if (buttons == Buttons::OkCancel) return clicked == ok ? Answer::Ok : Answer::Cancel;
    return Answer::Ok;
}

std::optional<std::string> QtDesktop::inputBox(const std::string& prompt, const std::string& title,
                                               const std::string& initial) {
    QInputDialog dialog(activeParent());
    dialog.setWindowTitle(q(title));
    dialog.setLabelText(q(prompt));
    dialog.setTextValue(QString());  // makes the line edit, before its length is set
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    // A line edit keeps 32,767 characters unless told otherwise: every character typed or
    // pasted is kept, never a cut text passed on as the whole.
    if (auto* line = dialog.findChild<QLineEdit*>()) line->setMaxLength(INT_MAX);
    dialog.setTextValue(q(initial));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toUtf8().toStdString();
}

std::optional<std::string> QtDesktop::saveDialog(const std::string& title,
                                                 const std::string& proposedName,
                                                 const std::string& filter) {
    // Starts in the process's current folder, asks no overwrite question, and leaves the
    // current folder as it was whatever the user browsed to.
    const QString before = QDir::currentPath();
    const QString name = QFileDialog::getSaveFileName(
        activeParent(), q(title), QDir(before).filePath(q(proposedName)), q(filter), nullptr,
        QFileDialog::DontConfirmOverwrite);
    QDir::setCurrent(before);
    if (name.isEmpty()) return std::nullopt;
    return name.toUtf8().toStdString();
}

void QtDesktop::popupMenu(PopupMenu& menu) {
    QMenu qmenu(activeParent());
    qmenu.setTitle(q(menu.caption()));
    std::vector<QAction*> actions;
    for (size_t i = 0; i < menu.entries().size(); ++i) {
        const auto& entry = menu.entries()[i];
        QAction* a = entry.text.empty() ? qmenu.addSeparator()
                                        : qmenu.addAction(shownAsTyped(q(entry.text)));
        a->setObjectName(q(entry.text));
        a->setEnabled(menu.entryEnabled(static_cast<int>(i)));
        actions.push_back(a);
    }
    QAction* chosen = qmenu.exec(QCursor::pos());
    const auto it = std::find(actions.begin(), actions.end(), chosen);
    if (chosen && it != actions.end()) menu.choose(static_cast<int>(it - actions.begin()));
}

void QtDesktop::showWindow(Window& window, Window* owner, bool modal) {
    QWidget* ownerWidget = owner ? widgetOf(*owner) : nullptr;
    auto binding = std::make_unique<WindowBinding>(window, ownerWidget, modal);
    WindowBinding* b = binding.get();
    m_bindings[&window] = std::move(binding);
    if (modal) {
        // A modal window comes up where the eye is: over the middle of its owner (shown or
        // about to be, at start-up), else the middle of the screen.
        const QRect over = owner
                               ? QRect(owner->left(), owner->top(), owner->width(), owner->height())
                               : b->widget()->screen()->availableGeometry();
        b->widget()->move(over.center() - QPoint(window.width() / 2, window.height() / 2));
        b->runModal();
    } else {
        b->show();
    }
}

QWidget* QtDesktop::widgetOf(const Window& window) const {
    auto it = m_bindings.find(&window);
    return it == m_bindings.end() ? nullptr : it->second->widget();
}

void QtDesktop::windowMoved(Window& window) {
    auto it = m_bindings.find(&window);
    if (it != m_bindings.end()) it->second->moveToWindowPosition();
}

void QtDesktop::windowDestroyed(Window& window) {
    auto it = m_bindings.find(&window);
    if (it == m_bindings.end()) return;
    it->second->close();
    // A handler of this window may still be on the stack: delete once control returns.
    it->second.release()->deleteLater();
    m_bindings.erase(it);
}

void QtDesktop::minimize(Window& window) {
    if (QWidget* w = widgetOf(window)) w->showMinimized();
}

void QtDesktop::bringToFront(Window& window) {
    if (m_unattendedMs > 0) std::fprintf(stderr, "brought forward: %s\n", window.name().c_str());
    QWidget* w = widgetOf(window);
    if (!w) return;
    if (w->isMinimized()) w->showNormal();
    w->show();
    w->raise();
    w->activateWindow();
}

QString QtDesktop::skinStyleSheet(int skin) {
    static const char* const files[] = {"grey-classic", "gold-blocks", "pink-memories", "blue-sky",
                                        "red-grey-metal"};
    if (skin < 0 || skin > 4) return {};
    QFile f(QStringLiteral(":/skins/%1.qss").arg(QString::fromLatin1(files[skin])));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

void QtDesktop::attachSkin(int skin) {
    const QString sheet = skinStyleSheet(skin);
    if (sheet.isEmpty()) return;
    m_skin = skin;
    m_skinSheet = sheet;
    // The style sheet is the application's, so windows made later take it on too.
    qApp->setStyleSheet(sheet);
}

void QtDesktop::adjustSkinHsv(int hue, int saturation) {
    hue = std::clamp(hue, -180, 180);
    saturation = std::clamp(saturation, -100, 100);
    if (m_skinSheet.isEmpty()) return;
    if (hue == 0 && saturation == 0) {
        qApp->setStyleSheet(m_skinSheet);
        return;
    }
    // Shift every colour of the skin's sheet round the wheel and scale its saturation.
    QString shifted = m_skinSheet;
    static const QRegularExpression colour(QStringLiteral("#[0-9a-fA-F]{6}\\b"));
    QRegularExpressionMatchIterator it = colour.globalMatch(m_skinSheet);
    qsizetype offset = 0;
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QColor c(m.captured());
        int h, s, v;
        c.getHsv(&h, &s, &v);
        if (h >= 0) h = (h + hue + 360) % 360;
        s = std::clamp(s + s * saturation / 100, 0, 255);
        const QString replacement = QColor::fromHsv(h < 0 ? 0 : h, s, v).name();
        shifted.replace(m.capturedStart() + offset, m.capturedLength(), replacement);
        offset += replacement.size() - m.capturedLength();
    }
    qApp->setStyleSheet(shifted);
}

void QtDesktop::watchReadable(int fd, std::function<void()> callback) {
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    notifier->setProperty("fd", fd);
    connect(notifier, &QSocketNotifier::activated, this,
            [callback = std::move(callback)] { callback(); });
}

void QtDesktop::stopWatching(int fd) {
    for (auto* notifier : findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly))
        if (notifier->property("fd").toInt() == fd) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
}

ui::Desktop::ScreenSize QtDesktop::screenPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QSize size = screen->geometry().size() * screen->devicePixelRatio();
    return {size.width(), size.height()};
}

bool QtDesktop::drawTicket(const std::vector<TicketLine>& lines, int paperMm, int columns,
                           const std::string& target) {
    return drawTicketOn(lines, paperMm, columns, target);
}

util::CalendarTime QtDesktop::now() {
    return util::localNow();
}

void QtDesktop::quit(int exitCode) {
    m_quit = true;
    QApplication::exit(exitCode);
}

void QtDesktop::syncAll() {
    for (auto& [window, binding] : m_bindings) binding->flush();
}

}  // namespace tablora::ui::qt
