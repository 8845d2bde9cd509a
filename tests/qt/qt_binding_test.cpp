// The real widgets: a person's typing and clicks reach the handlers, and the widgets mirror
// the controls. Runs on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFrame>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSet>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolBox>

#include "checkout/checkout_window.h"
#include "ordering/order_window.h"
#include "printing/print_queue.h"
#include "settings/restaurant_settings_window.h"
#include "settings/user_settings_window.h"
#include "shell/app.h"
#include "shell/login_window.h"
#include "shell/main_window.h"
#include "support/temp_db.h"
#include "ui/qt/icons.h"
#include "ui/qt/qt_desktop.h"

using namespace tablora;

namespace {

QString q(const char* s) {
    return QString::fromUtf8(s);
}

class QtBindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Nobody is at the screen: message boxes are noted and accepted as they come up.
        QObject::connect(&m_acceptor, &QTimer::timeout, &m_acceptor, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    messages << box->text();
                    titles << box->windowTitle();
                    icons << box->icon();
                    box->accept();
                }
            }
        });
        m_acceptor.start(10);
    }

    // Logs in by typing into the real login widgets once the modal window is up.
    void startAndLogIn() {
        QTimer::singleShot(50, [this] {
            QWidget* login = desktop.widgetOf(*app.loginWindow());
            ASSERT_NE(login, nullptr);
            auto* password = login->findChild<QLineEdit*>(q("编辑框_密码"));
            ASSERT_NE(password, nullptr);
            EXPECT_EQ(password->echoMode(), QLineEdit::Password);
            EXPECT_EQ(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                   password),
                      '*');
            QTest::keyClicks(password, q("888888"));
            EXPECT_EQ(password->displayText(), q("******"));
            QTest::mouseClick(login->findChild<QPushButton*>(q("按钮_登录")), Qt::LeftButton);
        });
        app.start();
        ASSERT_TRUE(app.running());
        desktop.syncAll();
    }

    template <class T>
    T* find(ui::Window* window, const char* name) {
        QWidget* top = window ? desktop.widgetOf(*window) : nullptr;
        return top ? top->findChild<T*>(q(name)) : nullptr;
    }

    // Opens the order window and the first table for two, and orders the dishes named.
    ordering::OrderWindow* openFirstTable(const std::vector<std::pair<int, int>>& dishes) {
        clickToolbar("开台点菜");
        auto* order = app.orderWindow();
        order->组合框_餐台.choose(0);
        order->组合框_人数.choose(1);
        order->按钮_开台.click();
        for (const auto& [group, item] : dishes) order->卷帘式菜单_点菜.clickItem(group, item);
        desktop.syncAll();
        return order;
    }

    void clickToolbar(const char* caption) {
        auto* bar = find<QToolBar>(app.mainWindow(), "工具条1");
        ASSERT_NE(bar, nullptr);
        QAction* action = bar->findChild<QAction*>(q(caption));
        ASSERT_NE(action, nullptr);
        action->trigger();
        desktop.syncAll();
    }

    test::TempDir dir;
    std::string db = test::makeDemoDatabase(dir);
    ui::qt::QtDesktop desktop;
    shell::App app{desktop, db};
    QStringList messages;
    QStringList titles;
    QList<QMessageBox::Icon> icons;

  private:
    QTimer m_acceptor;
};

}  // namespace

TEST_F(QtBindingTest, LoggingInThroughTheWidgetsFillsTheMainWindow) {
    startAndLogIn();
    auto* user = find<QLabel>(app.mainWindow(), "标签_用户");
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->text(), q("经理"));
    QWidget* top = desktop.widgetOf(*app.mainWindow());
    EXPECT_EQ(top->size(), QSize(1024, 768));
    EXPECT_EQ(find<QComboBox>(app.mainWindow(), "组合框_皮肤")->currentText(), q("皮肤—灰色经典"));
    EXPECT_EQ(find<QWidget>(app.mainWindow(), "按钮1")->geometry(), QRect(953, 11, 60, 20));
    EXPECT_EQ(desktop.attachedSkin(), 0);

    app.mainWindow()->时钟1.tick();
    desktop.syncAll();
    EXPECT_FALSE(find<QLabel>(app.mainWindow(), "标签_时间")->text().isEmpty());

    // The tools menu pops up with its entries enabled as the permissions say.
    QStringList entries;
    QTimer::singleShot(50, [&entries] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) entries << a->text() + (a->isEnabled() ? q("+") : q("-"));
            menu->close();
        }
    });
    clickToolbar("系统设置");
    EXPECT_EQ(entries, (QStringList{q("用户设置+"), q("餐厅设置+"), q("口味设置+"), q("收银设置+"), q("公告设置+"),
                                    q("打印设置+"), q("数据备份+"), q("显示比例+")}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(QtBindingTest, TheLoginComesUpOverTheMainWindowAndEnterPressesAFocusedButton) {
    QPoint loginCentre, mainCentre;
    QTimer::singleShot(50, [&] {
        QWidget* login = desktop.widgetOf(*app.loginWindow());
        ASSERT_NE(login, nullptr);
        loginCentre = login->geometry().center();
        const auto& m = *app.mainWindow();
        mainCentre = QRect(m.left(), m.top(), m.width(), m.height()).center();
        QTest::keyClicks(login->findChild<QLineEdit*>(q("编辑框_密码")), q("888888"));
        auto* logIn = login->findChild<QPushButton*>(q("按钮_登录"));
        logIn->setFocus();
        QTest::keyClick(logIn, Qt::Key_Return);
    });
    app.start();
    ASSERT_TRUE(app.running());
    EXPECT_LE((loginCentre - mainCentre).manhattanLength(), 2);
    EXPECT_EQ(app.session().currentUser, "经理");  // Enter on 登录 logged in

    // Tab leaves the checkout remark box instead of typing a tab into it.
    clickToolbar("买单结账");
    auto* remark = find<QPlainTextEdit>(app.checkoutWindow(), "编辑框_备注");
    ASSERT_NE(remark, nullptr);
    EXPECT_TRUE(remark->tabChangesFocus());
}

TEST_F(QtBindingTest, ClickingADishInTheRollMenuAddsALine) {
    startAndLogIn();
    clickToolbar("开台点菜");
    auto* order = app.orderWindow();
    ASSERT_NE(order, nullptr);
    auto* tables = find<QComboBox>(order, "组合框_餐台");
    ASSERT_EQ(tables->count(), 12);
    EXPECT_GE(tables->view()->sizeHintForRow(0), 32);  // a row a finger can hit
    tables->setCurrentIndex(2);
    emit tables->activated(2);
    auto* guests = find<QComboBox>(order, "组合框_人数");
    QTest::keyClicks(guests->lineEdit(), q("3"));
    QTest::mouseClick(find<QPushButton>(order, "按钮_开台"), Qt::LeftButton);
    EXPECT_EQ(messages, QStringList{q("开台成功！")});
    EXPECT_EQ(titles, QStringList{q("信息：")});
    EXPECT_EQ(icons, QList<QMessageBox::Icon>{QMessageBox::Information});
    desktop.syncAll();
    EXPECT_EQ(find<QLabel>(order, "标签_当前操作")->text(), q("大厅3号"));

    auto* menu = find<QToolBox>(order, "卷帘式菜单_点菜");
    ASSERT_EQ(menu->count(), 6);  // and the empty page shown while no group is open
    EXPECT_EQ(menu->itemText(1), q("热菜"));
    menu->setCurrentIndex(1);
    EXPECT_EQ(order->卷帘式菜单_点菜.openGroup(), 1);
    QPushButton* dish = nullptr;
    for (auto* b : menu->widget(1)->findChildren<QPushButton*>())
        if (b->text() == q("宫保鸡丁/28元")) dish = b;
    ASSERT_NE(dish, nullptr);
    EXPECT_GE(dish->minimumHeight(), 36);
    QTest::mouseClick(dish, Qt::LeftButton);
    desktop.syncAll();
    auto* lines = find<QTableView>(order, "超级列表框_点菜");
    ASSERT_EQ(lines->model()->rowCount(), 1);
    EXPECT_EQ(lines->model()->index(0, 2).data().toString(), q("宫保鸡丁"));
    EXPECT_EQ(lines->model()->headerData(6, Qt::Horizontal).toString(), q("菜品分类"));
    EXPECT_EQ(lines->columnWidth(2), 200);
    EXPECT_EQ(find<QLabel>(order, "标签_总金额")->text(), q("28"));
    EXPECT_EQ(test::querySql(db, "SELECT 菜品 FROM 明细"), "宫保鸡丁");

    // From the keyboard: "+", "-" and Delete on the selected line.
    order->超级列表框_点菜.selectRow(0);
    desktop.syncAll();
    lines->setFocus();
    QTest::keyClick(lines, Qt::Key_Plus);
    QTest::keyClick(lines, Qt::Key_Plus);
    QTest::keyClick(lines, Qt::Key_Minus);
    desktop.syncAll();
    EXPECT_EQ(test::querySql(db, "SELECT 数量 FROM 明细"), "2");
    QTest::keyClick(lines, Qt::Key_Delete);
    desktop.syncAll();
    EXPECT_EQ(test::querySql(db, "SELECT count(*) FROM 明细"), "0");
    EXPECT_EQ(lines->model()->rowCount(), 0);
}

TEST_F(QtBindingTest, ALongDishKeepsItsPriceOnItsButton) {
    test::execSql(db, "INSERT INTO 菜品 VALUES ('满汉全席豪华至尊团圆宴大套餐/368元','热菜')");
    startAndLogIn();
    clickToolbar("开台点菜");
    auto* menu = find<QToolBox>(app.orderWindow(), "卷帘式菜单_点菜");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->widget(1)->findChildren<QPushButton*>().isEmpty());  // made when opened
    menu->setCurrentIndex(1);
    QPushButton* longDish = nullptr;
    for (auto* b : menu->widget(1)->findChildren<QPushButton*>())
        if (b->toolTip().contains(q("满汉全席"))) longDish = b;
    ASSERT_NE(longDish, nullptr);
    EXPECT_TRUE(longDish->text().endsWith(q("/368元"))) << longDish->text().toStdString();
    EXPECT_TRUE(longDish->text().startsWith(q("满汉")));
    EXPECT_TRUE(longDish->text().contains(QChar(0x2026)));  // shortened in the middle
}

TEST_F(QtBindingTest, TheCategoryShownFirstOpensWhenItsHeaderOrADishIsClicked) {
    startAndLogIn();
    bool checked = false;
    QTimer::singleShot(50, [&] {
        auto* w = app.restaurantSettingsWindow();
        ASSERT_NE(w, nullptr);
        auto* menu = find<QToolBox>(w, "卷帘式菜单_菜单");
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(w->卷帘式菜单_菜单.openGroup(), -1);  // shown, yet not open
        const auto headers =
            menu->findChildren<QAbstractButton*>(QStringLiteral("qt_toolbox_toolboxbutton"));
        // Five groups, and the empty page shown while none is open, its header hidden.
        ASSERT_EQ(headers.size(), 6);
        EXPECT_TRUE(headers[5]->isHidden());
        EXPECT_EQ(menu->currentIndex(), 5);
        QTest::mouseClick(headers[0], Qt::LeftButton);
        desktop.syncAll();
        EXPECT_EQ(w->卷帘式菜单_菜单.openGroup(), 0);
        EXPECT_EQ(w->编辑框_分类.text(), "凉菜");
        QPushButton* dish = nullptr;
        for (auto* b : menu->widget(0)->findChildren<QPushButton*>())
            if (b->text() == q("拍黄瓜/12元")) dish = b;
        ASSERT_NE(dish, nullptr);
        QTest::mouseClick(dish, Qt::LeftButton);
        desktop.syncAll();
        EXPECT_EQ(w->卷帘式菜单_菜单.selectedItem(), 0);
        EXPECT_EQ(w->编辑框_单价.text(), "12");
        checked = true;
        w->按钮10.click();
    });
    app.openRestaurantSettings();
    EXPECT_TRUE(checked);
}

TEST_F(QtBindingTest, NamesAndTheAnnouncementShowAsPlainText) {
    test::execSql(db,
                  "INSERT INTO 餐台 VALUES ('<b>VIP</b>'); INSERT INTO 分类 VALUES ('烟&酒');"
                  "UPDATE 用户 SET 公告内容='<img src=\"/etc/hostname\">今晚' WHERE rowid=1");
    startAndLogIn();
    auto* pane = find<QFrame>(app.mainWindow(), "状态条_公告");
    ASSERT_NE(pane, nullptr);
    for (auto* label : pane->findChildren<QLabel*>()) EXPECT_EQ(label->textFormat(), Qt::PlainText);
    clickToolbar("开台点菜");
    auto* order = app.orderWindow();
    order->组合框_餐台.choose(order->组合框_餐台.itemCount() - 1);
    order->组合框_人数.type("2");
    order->按钮_开台.click();
    desktop.syncAll();
    auto* current = find<QLabel>(order, "标签_当前操作");
    EXPECT_EQ(current->text(), q("<b>VIP</b>"));
    EXPECT_EQ(current->textFormat(), Qt::PlainText);
    auto* menu = find<QToolBox>(order, "卷帘式菜单_点菜");
    EXPECT_EQ(menu->itemText(5), q("烟&&酒"));  // shown as 烟&酒, no mnemonic
}

TEST_F(QtBindingTest, TypingAGuestCountAndEnterAddsNothingToTheList) {
    startAndLogIn();
    clickToolbar("开台点菜");
    auto* guests = find<QComboBox>(app.orderWindow(), "组合框_人数");
    ASSERT_NE(guests, nullptr);
    const int items = guests->count();
    guests->lineEdit()->setFocus();
    guests->lineEdit()->clear();
    QTest::keyClicks(guests->lineEdit(), q("3"));
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, q("人"));
    QApplication::sendEvent(guests->lineEdit(), &typed);
    QTest::keyClick(guests->lineEdit(), Qt::Key_Return);
    desktop.syncAll();
    EXPECT_EQ(guests->count(), items);
    EXPECT_EQ(app.orderWindow()->组合框_人数.itemCount(), items);
    EXPECT_EQ(app.orderWindow()->组合框_人数.text(), "3人");

    // Typing in the middle keeps the cursor where the person types.
    guests->setCurrentIndex(1);  // "2" picked from the list
    app.orderWindow()->组合框_人数.choose(1);
    desktop.syncAll();
    guests->lineEdit()->setCursorPosition(0);
    QTest::keyClicks(guests->lineEdit(), q("1"));
    desktop.syncAll();
    QTest::keyClicks(guests->lineEdit(), q("0"));
    desktop.syncAll();
    EXPECT_EQ(guests->currentText(), q("102"));
    EXPECT_EQ(guests->lineEdit()->cursorPosition(), 2);
    EXPECT_EQ(app.orderWindow()->组合框_人数.text(), "102");
}

TEST_F(QtBindingTest, SelectingAnOrderWithTheKeyboardShowsItsLines) {
    test::execSql(
        db,
        "INSERT INTO 流水 VALUES ('20250307180000','2025年3月7日18时','大厅1号',2,30,0,'经理','');"
        "INSERT INTO 流水 VALUES "
        "('20250307180500','2025年3月7日18时5分','大厅2号',4,56,0,'经理','');"
        "INSERT INTO 明细 VALUES ('20250307180500','宫保鸡丁',28,2,56,'热菜');");
    startAndLogIn();
    clickToolbar("买单结账");
    auto* checkout = app.checkoutWindow();
    auto* orders = find<QTableView>(checkout, "超级列表框_流水");
    ASSERT_EQ(orders->model()->rowCount(), 2);
    orders->setFocus();
    QTest::keyClick(orders, Qt::Key_Down);  // onto the first row
    desktop.syncAll();
    if (checkout->超级列表框_流水.currentRow() == 0) QTest::keyClick(orders, Qt::Key_Down);
    desktop.syncAll();
    EXPECT_EQ(checkout->超级列表框_流水.currentRow(), 1);
    EXPECT_EQ(find<QLabel>(checkout, "标签_台号")->text(), q("大厅2号"));
    EXPECT_EQ(find<QLabel>(checkout, "标签_金额")->text(), q("56"));
    auto* lines = find<QTableView>(checkout, "超级列表框_明细");
    ASSERT_EQ(lines->model()->rowCount(), 1);
    EXPECT_EQ(lines->model()->index(0, 4).data().toString(), q("2"));

    // Selecting the order put the keyboard in the amount box, which takes digits and "-"
    // only; Enter computes the change.
    auto* amount = find<QLineEdit>(checkout, "编辑框_金额");
    EXPECT_EQ(desktop.widgetOf(*checkout)->focusWidget(), amount);
    QTest::keyClicks(amount, q("6a0"));
    EXPECT_EQ(amount->text(), q("60"));
    QTest::keyClick(amount, Qt::Key_Return);
    desktop.syncAll();
    EXPECT_EQ(find<QLabel>(checkout, "标签_找零")->text(), q("4"));

    // The order tapped again and "200" typed: the list searches nothing, the amount takes it.
    desktop.widgetOf(*checkout)->activateWindow();
    orders->setFocus();
    QApplication::processEvents();
    for (const char key : {'2', '0', '0'}) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), key);
        desktop.syncAll();
    }
    EXPECT_EQ(checkout->超级列表框_流水.currentRow(), 1);
    EXPECT_EQ(amount->text(), q("200"));
}

// WCAG contrast of two #rrggbb colours.
double contrast(const QString& a, const QString& b) {
    auto luminance = [](const QString& hex) {
        const QColor c(hex);
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

TEST(Skins, DrawnIconsCarryALightRimForDarkSkins) {
    for (const char* name : {"switch-user", "order", "checkout", "query", "settings"}) {
        const QImage icon = ui::qt::drawnImage(q(name), 32).toImage();
        int light = 0, dark = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) {
                const QColor c = icon.pixelColor(x, y);
                if (c.alpha() < 150) continue;
                if (c.lightness() > 220) ++light;
                if (c.lightness() < 90) ++dark;
            }
        EXPECT_GT(light, 20) << name;  // seen on a dark toolbar
        EXPECT_GT(dark, 20) << name;   // and on a light one
    }
}

TEST(Skins, TextOnColouredBackgroundsKeepsFourAndAHalfToOne) {
    for (int skin = 0; skin < 5; ++skin) {
        const QString sheet = ui::qt::QtDesktop::skinStyleSheet(skin);
        auto colour = [&](const char* pattern) {
            const auto m = QRegularExpression(q(pattern)).match(sheet);
            EXPECT_TRUE(m.hasMatch()) << pattern << " in skin " << skin;
            return m.captured(1);
        };
        const QString text = colour(R"(QWidget \{ color: (#[0-9a-fA-F]{6}))");
        const QString window = colour(R"(QueryWindow,[^{]*\{ background: (#[0-9a-fA-F]{6}))");
        const QString value = colour(R"(QLabel\[role="value"\] \{ color: (#[0-9a-fA-F]{6}))");
        const QString group = colour(R"(QGroupBox \{[^}]*background: (#[0-9a-fA-F]{6}))");
        const QString selected = colour(R"(selection-background-color: (#[0-9a-fA-F]{6}))");
        const QString selectedText = colour(R"(selection-color: (#[0-9a-fA-F]{6}))");
        EXPECT_GE(contrast(text, window), 4.5) << "skin " << skin;
        EXPECT_GE(contrast(value, group), 4.5) << "skin " << skin;
        EXPECT_GE(contrast(value, window), 4.5) << "skin " << skin;
        EXPECT_GE(contrast(selectedText, selected), 4.5) << "skin " << skin;
    }
}

TEST_F(QtBindingTest, FiveDistinctSkinsStyleEveryWindowIncludingLaterOnes) {
    QSet<QString> sheets;
    for (int skin = 0; skin < 5; ++skin) {
        const QString sheet = ui::qt::QtDesktop::skinStyleSheet(skin);
        EXPECT_GT(sheet.size(), 1000) << skin;
        sheets.insert(sheet);
    }
    EXPECT_EQ(sheets.size(), 5);
    EXPECT_TRUE(ui::qt::QtDesktop::skinStyleSheet(5).isEmpty());

    startAndLogIn();
    app.mainWindow()->组合框_皮肤.choose(3);
    EXPECT_EQ(qApp->styleSheet(), ui::qt::QtDesktop::skinStyleSheet(3));
    EXPECT_EQ(test::querySql(db, "SELECT 皮肤 FROM 用户"), "3");
    clickToolbar("开台点菜");  // a window made after the skin was attached takes it on
    auto* open = find<QPushButton>(app.orderWindow(), "按钮_开台");
    ASSERT_NE(open, nullptr);
    const QColor skyText(0x12, 0x3a, 0x5e);
    EXPECT_EQ(open->palette().color(QPalette::ButtonText), skyText);

    desktop.adjustSkinHsv(500, 0);  // limited to 180: every colour turns round
    EXPECT_NE(qApp->styleSheet(), ui::qt::QtDesktop::skinStyleSheet(3));
    desktop.adjustSkinHsv(0, 0);
    EXPECT_EQ(qApp->styleSheet(), ui::qt::QtDesktop::skinStyleSheet(3));
    qApp->setStyleSheet(QString());
}

TEST_F(QtBindingTest, TheCashDeskOpensAndStaysWithNoOrderChosenUntilAPersonChoosesOne) {
    test::execSql(db,
                  "INSERT INTO 流水 VALUES "
                  "('20250307180000','2025年3月7日18时','大厅1号',2,30,0,'经理','');");
    startAndLogIn();
    clickToolbar("买单结账");
    auto* checkout = app.checkoutWindow();
    auto* orders = find<QTableView>(checkout, "超级列表框_流水");
    // The list gets the keyboard, which makes a row current in the view: that chooses nothing.
    desktop.widgetOf(*checkout)->activateWindow();
    orders->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    desktop.syncAll();
    EXPECT_EQ(checkout->超级列表框_流水.currentRow(), -1);
    EXPECT_EQ(find<QLabel>(checkout, "标签_台号")->text(), QString());
    checkout->RefreshCheckoutWindow();
    desktop.syncAll();
    orders->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(checkout->超级列表框_流水.currentRow(), -1);
    QTest::mouseClick(orders->viewport(), Qt::LeftButton, {},
                      orders->visualRect(orders->model()->index(0, 1)).center());
    desktop.syncAll();
    EXPECT_EQ(checkout->超级列表框_流水.currentRow(), 0);
    EXPECT_EQ(find<QLabel>(checkout, "标签_台号")->text(), q("大厅1号"));

    // Whole yuan only: the digits after a point are not taken, and the box says so.
    auto* amount = find<QLineEdit>(checkout, "编辑框_金额");
    QTest::keyClicks(amount, q("6.5"));
    EXPECT_EQ(amount->text(), q("6"));
    amount->clear();
    QTest::keyClicks(amount, q("130.5"));
    EXPECT_EQ(amount->text(), q("130"));
    amount->clear();
    amount->insert(q("12.75"));  // pasted
    EXPECT_EQ(amount->text(), q("12"));
    QTest::keyClick(amount, Qt::Key_Return);
    desktop.syncAll();
    // Less received than due: the change shows red before the bill is settled.
    auto* change = find<QLabel>(checkout, "标签_找零");
    EXPECT_EQ(change->text(), q("-18"));
    EXPECT_TRUE(change->styleSheet().contains(q("#c00000")));
    EXPECT_TRUE(change->font().bold());
}

TEST_F(QtBindingTest, ANewOrderLineIsScrolledIntoSight) {
    startAndLogIn();
    auto* order = openFirstTable({});
    for (int g = 0; g < order->卷帘式菜单_点菜.groupCount(); ++g)
        for (int i = 0; i < order->卷帘式菜单_点菜.itemCount(g); ++i)
            order->卷帘式菜单_点菜.clickItem(g, i);
    desktop.syncAll();
    QApplication::processEvents();
    auto* lines = find<QTableView>(order, "超级列表框_点菜");
    const int last = lines->model()->rowCount() - 1;
    ASSERT_GT(last, 20);
    EXPECT_TRUE(
        lines->viewport()->rect().contains(lines->visualRect(lines->model()->index(last, 1))));
    // A changed line too, and it stays selected.
    order->超级列表框_点菜.selectRow(0);
    desktop.syncAll();
    order->超级列表框_点菜.selectRow(last);
    order->按钮_数量加.click();
    desktop.syncAll();
    QApplication::processEvents();
    EXPECT_TRUE(
        lines->viewport()->rect().contains(lines->visualRect(lines->model()->index(last, 1))));
    EXPECT_EQ(order->超级列表框_点菜.currentRow(), last);
}

TEST_F(QtBindingTest, AllTenPermissionsShowAndThirtyCategoriesLeaveRoomForDishes) {
    test::execSql(db,
                  "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25) "
                  "INSERT INTO 分类 SELECT '分类' || i FROM n;"
                  "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 8) "
                  "INSERT INTO 菜品 SELECT '末道菜' || i || '/9元', '分类25' FROM n;");
    startAndLogIn();
    bool checked = false;
    QTimer::singleShot(50, [&] {
        auto* w = app.userSettingsWindow();
        auto* permissions = find<QListWidget>(w, "选择列表框_权限");
        ASSERT_EQ(permissions->count(), 10);
        EXPECT_EQ(permissions->height(), 220);
        for (int k = 0; k < 10; ++k)
            EXPECT_TRUE(permissions->viewport()->rect().contains(
                permissions->visualItemRect(permissions->item(k))))
                << k;
        checked = true;
        w->按钮3.click();
    });
    app.openUserSettings();
    EXPECT_TRUE(checked);

    clickToolbar("开台点菜");
    auto* order = app.orderWindow();
    ASSERT_EQ(order->卷帘式菜单_点菜.groupCount(), 30);
    order->卷帘式菜单_点菜.setOpenGroup(29);
    desktop.syncAll();
    QApplication::processEvents();
    auto* menu = find<QToolBox>(order, "卷帘式菜单_点菜");
    auto* area = qobject_cast<QScrollArea*>(menu->parentWidget()->parentWidget());
    ASSERT_NE(area, nullptr);
    QPushButton* dish = nullptr;
    for (auto* b : menu->widget(29)->findChildren<QPushButton*>())
        if (b->text() == q("末道菜1/9元")) dish = b;
    ASSERT_NE(dish, nullptr);
    // The open group's first dish is on screen, whole, where a finger can touch it.
    const QRect shown(dish->mapTo(area->viewport(), QPoint(0, 0)), dish->size());
    EXPECT_TRUE(area->viewport()->rect().contains(shown));
    QTest::mouseClick(dish, Qt::LeftButton);
    desktop.syncAll();
    EXPECT_EQ(order->卷帘式菜单_点菜.openGroup(), 29);
}

TEST_F(QtBindingTest, TheAnnouncementKeepsEveryCharacterOfALongText) {
    startAndLogIn();
    const QString text(40000, QChar(0x516c));  // 公 × 40,000
    QTimer::singleShot(50, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QInputDialog*>(w); dialog && dialog->isVisible()) {
                dialog->findChild<QLineEdit*>()->setText(text);
                EXPECT_EQ(dialog->textValue().size(), 40000);
                dialog->accept();
            }
    });
    settings::editAnnouncement(app);
    EXPECT_EQ(app.session().announcement.size(), 40000u * 3);
    EXPECT_EQ(test::querySql(db, "SELECT length(公告内容) FROM 用户 WHERE rowid = 1"), "40000");
}

TEST_F(QtBindingTest, AListTellsItsViewOnlyWhatChanged) {
    startAndLogIn();
    auto* order = openFirstTable({{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}});
    auto* model = find<QTableView>(order, "超级列表框_点菜")->model();
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);
    order->超级列表框_点菜.selectRow(3);  // choosing a row changes no cell
    desktop.syncAll();
    EXPECT_EQ(changed.count(), 0);
    order->按钮_数量加.click();  // that line's cells, and the totals' row numbers unchanged
    desktop.syncAll();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 3);
    EXPECT_EQ(changed[0][1].toModelIndex().row(), 3);
    order->按钮_删除.click();  // one row out, the rows after it renumbered
    desktop.syncAll();
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 3);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->index(3, 0).data().toString(), q("4"));
}

TEST_F(QtBindingTest, ACategoryAddedRenamedOrDeletedChangesOnePageAndEveryHeaderOpensItsGroup) {
    startAndLogIn();
    bool checked = false;
    QTimer::singleShot(50, [&] {
        auto* w = app.restaurantSettingsWindow();
        auto* menu = find<QToolBox>(w, "卷帘式菜单_菜单");
        QWidget* firstPage = menu->widget(0);
        auto headerOf = [&](int g) -> QAbstractButton* {
            for (auto* h :
                 menu->findChildren<QAbstractButton*>(QStringLiteral("qt_toolbox_toolboxbutton")))
                if (h->property("page").value<QWidget*>() == menu->widget(g)) return h;
            return nullptr;
        };
        w->编辑框_分类.type("夜宵");
        w->按钮_菜品分类添加.click();
        desktop.syncAll();
        ASSERT_EQ(menu->count(), 7);
        EXPECT_EQ(menu->widget(0), firstPage);  // the other pages stay
        EXPECT_EQ(menu->itemText(5), q("夜宵"));
        QTest::mouseClick(headerOf(5), Qt::LeftButton);
        desktop.syncAll();
        EXPECT_EQ(w->卷帘式菜单_菜单.openGroup(), 5);
        w->编辑框_分类.type("宵夜");
        w->按钮_菜品分类修改.click();
        desktop.syncAll();
        EXPECT_EQ(menu->itemText(5), q("宵夜"));
        EXPECT_EQ(menu->currentIndex(), 5);
        QTest::mouseClick(headerOf(1), Qt::LeftButton);  // a header before it still opens its own
        desktop.syncAll();
        EXPECT_EQ(w->卷帘式菜单_菜单.openGroup(), 1);
        QTest::mouseClick(headerOf(5), Qt::LeftButton);
        desktop.syncAll();
        w->按钮_菜品分类删除.click();
        desktop.syncAll();
        EXPECT_EQ(menu->count(), 6);
        EXPECT_EQ(menu->widget(0), firstPage);
        EXPECT_EQ(menu->currentIndex(), 5);  // no group open: the empty page
        checked = true;
        w->按钮10.click();
    });
    app.openRestaurantSettings();
    EXPECT_TRUE(checked);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// A printer reached through the desktop ("system:") gets the ticket drawn: here into a PDF.
TEST_F(QtBindingTest, ASystemPrinterGetsTheBillDrawnAtItsPaperWidth) {
    startAndLogIn();
    const std::string pdf = dir.path("bill.pdf");
    ASSERT_TRUE(test::execSql(
        db, "INSERT INTO 打印机 VALUES ('前台', 'system:pdf:" + pdf + "', 58, '账单', '')"));
    ASSERT_TRUE(test::execSql(
        db,
        "INSERT INTO 流水 VALUES ('20261209183005','2026-12-09 18:30','包间2号',6,56,0,"
        "'经理','');"
        "INSERT INTO 明细 VALUES ('20261209183005','宫保鸡丁',28,2,56,'热菜')"));
    app.openCheckoutWindow();
    auto& cash = *app.checkoutWindow();
    ASSERT_EQ(cash.超级列表框_流水.rowCount(), 1);
    cash.超级列表框_流水.selectRow(0);
    ASSERT_FALSE(cash.标签_台号.text().empty());
    cash.按钮_打印账单.click();
    app.printQueue().finishAll();
    std::ifstream in(pdf, std::ios::binary);
    std::string head(5, '\0');
    in.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
    EXPECT_EQ(test::querySql(db, "SELECT count(*) FROM 打印任务"), "0");
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral(" ")).toStdString();

    // A queue that does not exist is a failed job, kept with its drawing to print again.
    const std::vector<ui::TicketLine> lines = {{"预结单", true, true, true},
                                               {"宫保鸡丁", false, false, false}};
    EXPECT_FALSE(desktop.drawTicket(lines, 80, 48, "no-such-queue"));
    EXPECT_FALSE(desktop.drawTicket(lines, 80, 48, "pdf:" + dir.path("no/folder/x.pdf")));
    // A file that is not a PDF is never replaced by one; a PDF is.
    const std::string other = dir.path("notes.txt");
    std::ofstream(other) << "SQLite format 3";
    EXPECT_FALSE(desktop.drawTicket(lines, 80, 48, "pdf:" + other));
    std::ifstream kept(other);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "SQLite format 3");
    EXPECT_TRUE(desktop.drawTicket(lines, 80, 48, "pdf:" + pdf));
}

TEST_F(QtBindingTest, TheBoardsTilesAreTouchedAndTheirMenuComesOnARightClickOrALongPress) {
    startAndLogIn();
    openFirstTable({{1, 0}});
    clickToolbar("餐台总览");
    auto* board = app.window("TableBoardWindow");
    ASSERT_NE(board, nullptr);
    desktop.syncAll();
    auto* taken = find<QPushButton>(board, "大厅1号");
    auto* free = find<QPushButton>(board, "大厅2号");
    ASSERT_NE(taken, nullptr);
    ASSERT_NE(free, nullptr);
    EXPECT_GE(taken->width(), 100);
    EXPECT_GE(taken->height(), 70);
    EXPECT_EQ(taken->text(), q("大厅1号\n就餐中\n2人\n0分钟\n28元"));
    EXPECT_EQ(free->text(), q("大厅2号\n空闲"));
    EXPECT_EQ(taken->property("tileState").toInt(), 1);
    EXPECT_EQ(free->property("tileState").toInt(), 0);
    EXPECT_NE(taken->palette().color(QPalette::Button), free->palette().color(QPalette::Button));

    // A touch on a free tile: the order window with that table chosen.
    QTest::mouseClick(free, Qt::LeftButton);
    desktop.syncAll();
    EXPECT_EQ(find<QComboBox>(app.orderWindow(), "组合框_餐台")->currentText(), q("大厅2号"));

    // The menu on a right click, then a long press: 换台 asks for a free table.
    QStringList shown;
    const auto pickMove = [&shown] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions())
                shown << a->text() + (a->isEnabled() ? q("+") : q("-"));
            for (QAction* a : menu->actions())
                if (a->text() == q("换台")) menu->setActiveAction(a);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    };
    QTimer::singleShot(50, pickMove);
    QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(10, 10),
                            taken->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(taken, &right);
    desktop.syncAll();
    EXPECT_EQ(shown, (QStringList{q("换台+"), q("并台+"), q("拆单+"), q("结账+")}));
    EXPECT_EQ(find<QLabel>(board, "标签_提示")->text(), q("请点击要换到的空闲餐台"));
    QTest::keyClick(desktop.widgetOf(*board), Qt::Key_Escape);
    desktop.syncAll();
    EXPECT_EQ(find<QLabel>(board, "标签_提示")->text(), QString());

    shown.clear();
    QTimer::singleShot(700, pickMove);
    QTest::mousePress(taken, Qt::LeftButton);
    QTest::qWait(900);
    QTest::mouseRelease(taken, Qt::LeftButton);  // the end of a long press is no touch
    desktop.syncAll();
    EXPECT_EQ(shown.size(), 4);
    EXPECT_EQ(find<QLabel>(board, "标签_提示")->text(), q("请点击要换到的空闲餐台"));
    QTest::mouseClick(find<QPushButton>(board, "包间1号"), Qt::LeftButton);
    desktop.syncAll();
    EXPECT_EQ(find<QPushButton>(board, "包间1号")->text(), q("包间1号\n就餐中\n2人\n0分钟\n28元"));
    EXPECT_EQ(find<QPushButton>(board, "大厅1号")->text(), q("大厅1号\n空闲"));
    EXPECT_EQ(messages, QStringList{q("开台成功！")});  // a move says nothing
}
