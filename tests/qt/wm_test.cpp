// The real program's windows on a real X server (Xvfb, 1366 x 768, the commonest till screen),
// with a window manager (openbox) or without one, as the X server reports them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "checkout/checkout_window.h"
#include "ordering/order_window.h"
#include "query/query_window.h"
#include "shell/app.h"
#include "shell/login_window.h"
#include "shell/main_window.h"
#include "support/temp_db.h"
#include "ui/qt/qt_desktop.h"

using namespace tablora;

namespace {

bool g_withWindowManager = false;

bool waitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        ::usleep(5000);
    }
    return true;
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    // The event loop goes on while the tool works: the program answers the X server meanwhile.
    waitFor([&] { return p.state() == QProcess::NotRunning; }, 10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Where the X server has the window: its outer top-left corner on the screen.
QPoint placeOf(QWidget* w) {
    const QString info =
        run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(w->winId())});
    auto number = [&](const char* label) {
        const auto m =
            QRegularExpression(QString::fromUtf8(label) + QStringLiteral(":\\s+(-?\\d+)"))
                .match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -99999;
    };
    return {number("Absolute upper-left X"), number("Absolute upper-left Y")};
}

std::string netWmName(QWidget* w) {
    return run(QStringLiteral("xprop"),
               {QStringLiteral("-id"), QString::number(w->winId()), QStringLiteral("_NET_WM_NAME")})
        .trimmed()
        .toStdString();
}

class OnAScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        QTimer::singleShot(100, [this] {
            app.loginWindow()->编辑框_密码.type("888888");
            app.loginWindow()->按钮_登录.click();
        });
        app.start();
        ASSERT_TRUE(app.running());
        desktop.syncAll();
    }
    void TearDown() override { app.endProgram(0); }
    QWidget* widget(ui::Window* w) { return desktop.widgetOf(*w); }
    // Waits until the X server reports the window at this place.
    bool reportedAt(ui::Window* w, QPoint place) {
        return waitFor([&] { return placeOf(widget(w)) == place; });
    }

    test::TempDir dir;
    std::string db = test::makeDemoDatabase(dir);
    ui::qt::QtDesktop desktop;
    shell::App app{desktop, db};
};

TEST_F(OnAScreen, TheMainWindowFitsTheScreenAndTheWorkWindowsCoverItsBodyExactly) {
    auto* main = app.mainWindow();
    // 768 px tall on a 768 px screen: at the top, never with its announcement bar below it.
    ASSERT_TRUE(reportedAt(main, {50, 0})) << placeOf(widget(main)).y();
    EXPECT_EQ(main->top(), 0);
    EXPECT_EQ(netWmName(widget(main)), "_NET_WM_NAME(UTF8_STRING) = \"Tablora\"");
    app.openOrderWindow();
    app.openCheckoutWindow();
    app.openQueryWindow();
    desktop.syncAll();
    for (ui::Window* w : {static_cast<ui::Window*>(app.orderWindow()),
                          static_cast<ui::Window*>(app.checkoutWindow()),
                          static_cast<ui::Window*>(app.queryWindow())}) {
        EXPECT_TRUE(reportedAt(w, {50, 105}))
            << w->name() << " at " << placeOf(widget(w)).x() << "," << placeOf(widget(w)).y();
        // Its caption is the described empty one, not a name the toolkit put in its place.
        EXPECT_EQ(netWmName(widget(w)), "_NET_WM_NAME(UTF8_STRING) =");  // empty
    }
    // The table board is placed like them, under its own caption, its tiles within the screen.
    app.openTableBoard();
    desktop.syncAll();
    ui::Window* board = app.window("TableBoardWindow");
    ASSERT_NE(board, nullptr);
    EXPECT_TRUE(reportedAt(board, {50, 105}))
        << placeOf(widget(board)).x() << "," << placeOf(widget(board)).y();
    EXPECT_EQ(netWmName(widget(board)), "_NET_WM_NAME(UTF8_STRING) = \"餐台总览\"");
    app.openReportWindow();
    desktop.syncAll();
    ui::Window* report = app.window("ReportWindow");
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(reportedAt(report, {50, 105}))
        << placeOf(widget(report)).x() << "," << placeOf(widget(report)).y();
    EXPECT_EQ(netWmName(widget(report)), "_NET_WM_NAME(UTF8_STRING) = \"营业报表\"");
    auto* tile = widget(board)->findChild<QWidget*>(QStringLiteral("包间4号"));
    ASSERT_NE(tile, nullptr);
    EXPECT_TRUE(
        QRect(0, 0, 1366, 768).contains(QRect(tile->mapToGlobal(QPoint(0, 0)), tile->size())));
}

TEST_F(OnAScreen, DraggingTheHeaderMovesTheMainWindowAndTheWorkWindowsFollow) {
    auto* main = app.mainWindow();
    ASSERT_TRUE(reportedAt(main, {50, 0}));
    app.openOrderWindow();
    desktop.syncAll();
    ASSERT_TRUE(reportedAt(app.orderWindow(), {50, 105}));
    // A person drags the header band (clear of its buttons) with the real pointer.
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QStringLiteral("400"), QStringLiteral("15")});
    waitFor([] { return false; }, 200);
    const QStringList steps = {QStringLiteral("mousedown 1"), QStringLiteral("mousemove 420 40"),
                               QStringLiteral("mousemove 460 80"),
                               QStringLiteral("mousemove 500 115"), QStringLiteral("mouseup 1")};
    for (const QString& step : steps) {
        QProcess::startDetached(QStringLiteral("xdotool"), step.split(QLatin1Char(' ')));
        waitFor([] { return false; }, 250);
    }
    ASSERT_TRUE(waitFor([&] { return main->left() != 50; })) << "the window did not move";
    const QPoint moved = placeOf(widget(main));
    EXPECT_EQ(moved, QPoint(150, 100));
    EXPECT_EQ(QPoint(main->left(), main->top()), moved);
    EXPECT_TRUE(reportedAt(app.orderWindow(), moved + QPoint(0, 105)))
        << placeOf(widget(app.orderWindow())).x() << "," << placeOf(widget(app.orderWindow())).y();
}

// Starts a process and returns its id; 0 when it could not.
pid_t spawn(const std::vector<std::string>& command) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid < 0 ? 0 : pid;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--with-window-manager") g_withWindowManager = true;
    // A screen of its own, told by the X server once it is up.
    int ready[2];
    if (::pipe(ready) != 0) return 1;
    const pid_t xvfb = spawn({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0",
                              "1366x768x24", "-nolisten", "tcp"});
    ::close(ready[1]);
    char number[16] = {};
    if (xvfb == 0 || ::read(ready[0], number, sizeof number - 1) <= 0) {
        std::fprintf(stderr, "no X server could be started\n");
        return 1;
    }
    ::setenv("DISPLAY", (":" + std::string(number, std::strcspn(number, "\n"))).c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    pid_t wm = 0;
    if (g_withWindowManager) {
        wm = spawn({"openbox", "--sm-disable"});
        // Ready once it has claimed the screen.
        for (int i = 0; i < 100; ++i) {
            if (std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window") ==
                0)
                break;
            ::usleep(50000);
        }
    }
    int result;
    {
        QApplication application(argc, argv);
        QApplication::setApplicationName(QString());
        QApplication::setQuitOnLastWindowClosed(false);
        result = RUN_ALL_TESTS();
    }
    if (wm) ::kill(wm, SIGTERM);
    ::kill(xvfb, SIGTERM);
    ::waitpid(xvfb, nullptr, 0);
    return result;
}
