// tablora-screenshots OUTDIR: renders the windows through the real Qt binding to PNG files,
// over a fresh demo database with a filled order, in every skin.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QStyleFactory>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "backup/backup_service.h"
#include "backup/backup_window.h"
#include "board/table_board_window.h"
#include "checkout/checkout_window.h"
#include "checkout/discount_window.h"
#include "checkout/payment_split_window.h"
#include "checkout/split_bill_window.h"
#include "data/data_context.h"
#include "data/sqlite_table.h"
#include "ordering/number_pad_window.h"
#include "ordering/order_window.h"
#include "ordering/taste_window.h"
#include "ordering/void_dish_window.h"
#include "printing/bills.h"
#include "printing/print_queue.h"
#include "printing/printer_settings_window.h"
#include "query/query_window.h"
#include "reports/audit_window.h"
#include "reports/cash_movement_window.h"
#include "reports/report_window.h"
#include "rights/gift_window.h"
#include "settings/cashier_settings_window.h"
#include "settings/display_scale_window.h"
#include "settings/extra_rights_window.h"
#include "settings/restaurant_settings_window.h"
#include "settings/taste_settings_window.h"
#include "settings/user_settings_window.h"
#include "shell/app.h"
#include "shell/login_window.h"
#include "shell/main_window.h"
#include "ui/qt/icons.h"
#include "ui/qt/qt_desktop.h"
#include "ui/qt/ticket_drawing.h"
#include "util/date_time.h"

using namespace tablora;

namespace {

QString outDir;
QString suffix;  // "-150" for the windows drawn at 150%

void save(ui::qt::QtDesktop& desktop, ui::Window* window, const QString& name) {
    desktop.syncAll();
    QApplication::processEvents();
    QWidget* w = window ? desktop.widgetOf(*window) : nullptr;
    if (!w) {
        std::fprintf(stderr, "no widget for %s\n", name.toUtf8().constData());
        return;
    }
    const QString path = outDir + QStringLiteral("/") + name + suffix + QStringLiteral(".png");
    w->grab().save(path);
    std::printf("%s\n", path.toUtf8().constData());
}

// A ticket as the "system:" printers draw it, on white paper at 8 dots a millimetre.
void saveTicket(printing::Ticket& ticket, const QString& name) {
    const double dotsPerMm = 8;
    QImage image(static_cast<int>(ticket.paperMm() * dotsPerMm),
                 static_cast<int>(ui::qt::ticketHeightMm(ticket.lines()) * dotsPerMm),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    ui::qt::drawTicketLines(painter, ticket.lines(), ticket.paperMm(), ticket.columns(), dotsPerMm);
    painter.end();
    const QString path = outDir + QStringLiteral("/") + name + QStringLiteral(".png");
    image.save(path);
    std::printf("%s\n", path.toUtf8().constData());
}

void saveTickets() {
    const printing::BillOrder order{"20261209183005",
                                    "包间2号",
                                    "6",
                                    "2026年12月9日18时30分5秒",
                                    "455",
                                    {{"宫保鸡丁", "28", "2", "56"},
                                     {"东北烤全羊（整只，需提前预订）", "188", "1", "188"},
                                     {"水煮鱼", "68", "1", "68"},
                                     {"青岛啤酒", "8", "12", "96"},
                                     {"玉米排骨汤", "38", "1", "38"},
                                     {"米饭", "2", "6", "12"}}};
    const printing::Settlement paid{"500", "45", "2026年12月9日20时12分", "经理", "开发票"};
    const printing::ShopText shop{"好味小馆", "谢谢惠顾，欢迎再来！"};
    for (int paper : {58, 80}) {
        printing::Ticket bill = printing::billTicket(paper, shop, order, &paid);
        saveTicket(bill, QStringLiteral("ticket-receipt-%1mm").arg(paper));
    }
    printing::Ticket kitchen(80);
    kitchen.pair("台号：包间2号", "人数：6");
    kitchen.text("单号：20261209183005");
    kitchen.text("时间：2026年12月9日18时35分");
    kitchen.text("点菜员：经理");
    kitchen.rule();
    kitchen.title("加菜");
    kitchen.bigDish("宫保鸡丁", "1");
    kitchen.bigDish("东北烤全羊（整只）", "1");
    kitchen.title("退菜");
    kitchen.bigDish("水煮鱼", "1");
    saveTicket(kitchen, QStringLiteral("ticket-kitchen-80mm"));
}

// Runs the action once the modal window that is about to be shown is up.
void whenModalShown(std::function<void()> action) {
    QTimer::singleShot(50, std::move(action));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tablora-screenshots OUTDIR [NAME-SUFFIX]\n");
        return 2;
    }
    if (argc > 2) suffix = QString::fromLocal8Bit(argv[2]);
    QApplication application(argc, argv);
    // --icons DIR: the program's icon in the icon theme's sizes, for installing.
    if (QString::fromLocal8Bit(argv[1]) == QStringLiteral("--icons") && argc > 2) {
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QString dir = QStringLiteral("%1/%2x%2/apps").arg(suffix).arg(size);
            QDir().mkpath(dir);
            if (!ui::qt::drawnImage(QStringLiteral("app"), size)
                     .save(dir + QStringLiteral("/tablora.png")))
                return 1;
        }
        return 0;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(false);
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    if (suffix.isEmpty()) saveTickets();

    const auto folder =
        std::filesystem::temp_directory_path() / ("tablora-shots-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string db = (folder / "cysj.db").string();
    if (!data::createDemoDatabase(db, "经理", "888888").empty()) return 1;

    ui::qt::QtDesktop desktop;
    shell::App app(desktop, db);
    // Nobody is there to press OK: accept every message box shortly after it comes up.
    QTimer acceptor;
    QObject::connect(&acceptor, &QTimer::timeout, &acceptor, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) box->accept();
    });
    acceptor.start(20);

    whenModalShown([&] {
        save(desktop, app.loginWindow(), QStringLiteral("login"));
        app.loginWindow()->编辑框_密码.type("888888");
        app.loginWindow()->按钮_登录.click();
    });
    app.start();
    auto* main = app.mainWindow();
    main->时钟1.tick();
    save(desktop, main, QStringLiteral("main"));

    // An order being taken: two tables open, four dishes on the current one.
    main->工具条1.clickItem(shell::MainWindow::kOrder);
    auto* order = app.orderWindow();
    for (const char* table : {"大厅3号", "包间2号"}) {
        for (int i = 0; i < order->组合框_餐台.itemCount(); ++i)
            if (order->组合框_餐台.itemText(i) == table) order->组合框_餐台.choose(i);
        order->组合框_人数.type("4");
        order->按钮_开台.click();
    }
    order->卷帘式菜单_点菜.setOpenGroup(1);
    order->卷帘式菜单_点菜.clickItem(1, 0);
    order->卷帘式菜单_点菜.clickItem(1, 4);
    order->卷帘式菜单_点菜.clickItem(4, 0);
    order->卷帘式菜单_点菜.clickItem(3, 0);
    order->超级列表框_点菜.selectRow(2);
    order->按钮_数量加.click();
    order->按钮_数量加.click();
    save(desktop, order, QStringLiteral("order"));

    // The order window's dialogs: a note, the keypad, a void; dishes found by typing.
    {
        data::SqliteTable printers;
        if (printers.open("打印机", app.data().database) && printers.addNew()) {
            printers.write("名称", "厨房");
            printers.write("连接", "file:/dev/null");
            printers.write("纸宽", 80);
            printers.write("用途", "厨房");
            printers.write("分类", "");
            printers.update();
        }
    }
    order->超级列表框_点菜.selectRow(0);
    whenModalShown([&] {
        auto* w = static_cast<ordering::TasteWindow*>(app.window("TasteWindow"));
        w->选择列表框_口味.tick(2, true);
        w->编辑框_其他.type("多放花生");
        save(desktop, w, QStringLiteral("taste"));
        w->按钮_确定.click();
    });
    order->按钮_口味.click();
    whenModalShown([&] {
        auto* w = static_cast<ordering::NumberPadWindow*>(app.window("NumberPadWindow"));
        w->按钮_8.click();
        save(desktop, w, QStringLiteral("number-pad"));
        w->按钮_确定.click();
    });
    order->按钮_数量.click();
    order->按钮_送厨.click();
    app.printQueue().finishAll();
    whenModalShown([&] {
        auto* w = static_cast<ordering::VoidDishWindow*>(app.window("VoidDishWindow"));
        w->组合框_原因.choose(1);
        save(desktop, w, QStringLiteral("void"));
        w->按钮_取消.click();
    });
    order->按钮_退菜.click();
    order->编辑框_检索.type("y");
    save(desktop, order, QStringLiteral("order-search"));
    order->编辑框_检索.pressKey(ui::Window::kEscape);

    main->工具条1.clickItem(shell::MainWindow::kCheckout);
    auto* checkout = app.checkoutWindow();
    checkout->超级列表框_流水.selectRow(1);
    checkout->编辑框_金额.type("200");
    checkout->按钮_计算.click();
    checkout->编辑框_备注.type("开发票");
    save(desktop, checkout, QStringLiteral("checkout"));

    // The same bill with a service charge and a minimum, a comp and a discount, and the
    // windows that make them; a bill shared out and one split.
    {
        data::SqliteTable charges;
        if (charges.open("餐台收费", app.data().database) && charges.addNew()) {
            charges.write("台号", "包间2号");
            charges.write("服务费率", 10);
            charges.write("最低消费", 300);
            charges.update();
        }
    }
    checkout->超级列表框_流水.selectRow(1);
    checkout->超级列表框_明细.selectRow(0);
    whenModalShown([&] {
        auto* w = static_cast<rights::GiftWindow*>(app.window("GiftWindow"));
        w->组合框_原因.choose(0);
        save(desktop, w, QStringLiteral("gift"));
        w->按钮_确定.click();
    });
    checkout->按钮_赠送.click();
    whenModalShown([&] {
        auto* w = static_cast<checkout::DiscountWindow*>(app.window("DiscountWindow"));
        w->组合框_折扣.type("88");
        w->组合框_抹零.choose(1);
        save(desktop, w, QStringLiteral("discount"));
        w->按钮_确定.click();
    });
    checkout->按钮_优惠.click();
    save(desktop, checkout, QStringLiteral("checkout-adjusted"));
    whenModalShown([&] {
        auto* w = static_cast<checkout::PaymentSplitWindow*>(app.window("PaymentSplitWindow"));
        w->编辑框_AA人数.type("3");
        w->按钮_AA.click();
        w->超级列表框_付款.selectRow(0);
        w->组合框_付款方式.choose(1);
        save(desktop, w, QStringLiteral("payment-split"));
        w->按钮_取消.click();
    });
    checkout->按钮_组合支付.click();
    whenModalShown([&] {
        auto* w = static_cast<checkout::SplitBillWindow*>(app.window("SplitBillWindow"));
        w->超级列表框_原单.selectRow(1);
        w->按钮_移入.click();
        save(desktop, w, QStringLiteral("split-bill"));
        w->按钮_取消.click();
    });
    checkout->按钮_拆单.click();
    checkout->超级列表框_流水.selectRow(1);
    checkout->编辑框_金额.type("400");

    // The journal: tonight and a few hundred past orders, one selected with its lines.
    checkout->按钮_结账.click();
    data::addHistory(db, 300, util::localNow());
    main->工具条1.clickItem(shell::MainWindow::kQuery);
    auto* journal = app.queryWindow();
    journal->按钮_查询全部.click();
    journal->超级列表框_流水.selectRow(journal->超级列表框_流水.rowCount() - 2);
    save(desktop, journal, QStringLiteral("query"));

    // The dining room: two tables eating since just now, one for over two hours.
    {
        data::SqliteTable orders;
        const util::CalendarTime earlier =
            *util::toCalendar(util::fromCalendar(util::localNow()) - 130.0 / 1440);
        if (orders.open("流水", app.data().database) && orders.addNew()) {
            orders.write("单号", "20200101000000");
            orders.write("时间", util::dateText(earlier));
            orders.write("台号", "大厅5号");
            orders.write("人数", 6);
            orders.write("金额", 366);
            orders.write("状态", 0);
            orders.write("操作", "经理");
            orders.write("备注", "");
            orders.update();
        }
    }
    main->工具条1.clickItem(shell::MainWindow::kBoard);
    auto* board = static_cast<board::TableBoardWindow*>(app.window("TableBoardWindow"));
    save(desktop, board, QStringLiteral("board"));

    // The owner's report of today: the evening's orders, how they were paid, what sold.
    main->工具条1.clickItem(shell::MainWindow::kReport);
    save(desktop, app.window("ReportWindow"), QStringLiteral("report"));
    whenModalShown([&] {
        save(desktop, app.window("AuditWindow"), QStringLiteral("audit"));
        app.window("AuditWindow")->destroy();
    });
    static_cast<report::ReportWindow*>(app.window("ReportWindow"))->按钮_操作记录.click();
    whenModalShown([&] {
        auto* w = static_cast<report::CashMovementWindow*>(app.window("CashMovementWindow"));
        w->编辑框_金额.type("500");
        w->编辑框_说明.type("备用金");
        save(desktop, w, QStringLiteral("cash-movement"));
        w->destroy();
    });
    static_cast<report::ReportWindow*>(app.window("ReportWindow"))->按钮_现金收支.click();
    whenModalShown([&] {
        auto* w =
            static_cast<settings::CashierSettingsWindow*>(app.window("CashierSettingsWindow"));
        w->超级列表框_餐台.selectRow(9);
        save(desktop, w, QStringLiteral("cashier-settings"));
        w->destroy();
    });
    app.openCashierSettings();
    whenModalShown([&] {
        auto* w = app.window("TasteSettingsWindow");
        static_cast<settings::TasteSettingsWindow*>(w)->列表框_口味.choose(2);
        save(desktop, w, QStringLiteral("taste-settings"));
        w->destroy();
    });
    app.openTasteSettings();

    // The restaurant's settings with a category open and a dish picked.
    whenModalShown([&] {
        auto* s = app.restaurantSettingsWindow();
        s->列表框_餐台.choose(2);
        s->卷帘式菜单_菜单.setOpenGroup(1);
        s->卷帘式菜单_菜单.clickItem(1, 8);
        save(desktop, s, QStringLiteral("restaurant-settings"));
        s->按钮10.click();
    });
    app.openRestaurantSettings();

    // The users: a waiter picked in the list and in the permission box.
    whenModalShown([&] {
        auto* u = app.userSettingsWindow();
        u->编辑框_用户.type("小刘");
        u->编辑框_密码.type("2468");
        u->按钮_添加.click();
        u->组合框_用户.choose(1);
        u->选择列表框_权限.tick(0, true);
        u->选择列表框_权限.tick(1, true);
        u->按钮_确定.click();
        u->列表框_用户.choose(1);
        u->组合框_用户.choose(1);
        save(desktop, u, QStringLiteral("user-settings"));
        whenModalShown([&] {
            auto* w = static_cast<settings::ExtraRightsWindow*>(app.window("ExtraRightsWindow"));
            w->选择列表框_附加权限.tick(0, true);
            save(desktop, w, QStringLiteral("extra-rights"));
            w->按钮_取消.click();
        });
        u->按钮_附加权限.click();
        u->按钮3.click();
    });
    app.openUserSettings();

    // The printers: one for bills and one for the kitchen.
    whenModalShown([&] {
        auto* p =
            static_cast<printing::PrinterSettingsWindow*>(app.window("PrinterSettingsWindow"));
        if (p->超级列表框_打印机.rowCount() == 0) {
            for (const auto& [name, connection, use] :
                 {std::tuple{"前台", "tcp://192.168.1.50:9100", 0},
                  std::tuple{"厨房", "file:/dev/usb/lp0", 1}}) {
                p->编辑框_名称.type(name);
                p->编辑框_连接.type(connection);
                p->组合框_用途.choose(use);
                p->按钮_添加.click();
            }
            p->编辑框_店名.type("好味小馆");
            p->编辑框_页脚.type("谢谢惠顾，欢迎再来！");
        }
        p->超级列表框_打印机.selectRow(0);
        save(desktop, p, QStringLiteral("printer-settings"));
        p->destroy();
    });
    app.openPrinterSettings();

    // The copies: the day's first and one made on request, the newest picked.
    whenModalShown([&] {
        auto* b = static_cast<backup::BackupWindow*>(app.window("BackupWindow"));
        b->按钮_立即备份.click();
        app.backups().finishAll();
        b->超级列表框_备份.selectRow(0);
        save(desktop, b, QStringLiteral("backups"));
        b->destroy();
    });
    app.openBackups();

    // The chosen display scale, and the skins (at 100% only).
    whenModalShown([&] {
        save(desktop, app.window("DisplayScaleWindow"), QStringLiteral("display-scale"));
        static_cast<settings::DisplayScaleWindow*>(app.window("DisplayScaleWindow"))
            ->按钮_取消.click();
    });
    app.openDisplayScale();
    for (int skin = 0; skin < 5 && suffix.isEmpty(); ++skin) {
        main->组合框_皮肤.choose(skin);
        save(desktop, main, QStringLiteral("main-skin%1").arg(skin));
        save(desktop, order, QStringLiteral("order-skin%1").arg(skin));
        save(desktop, journal, QStringLiteral("query-skin%1").arg(skin));
        save(desktop, board, QStringLiteral("board-skin%1").arg(skin));
        whenModalShown([&, skin] {
            save(desktop, app.restaurantSettingsWindow(),
                 QStringLiteral("restaurant-settings-skin%1").arg(skin));
            app.restaurantSettingsWindow()->按钮10.click();
        });
        app.openRestaurantSettings();
        app.session().switchUser = true;
        whenModalShown([&, skin] {
            save(desktop, app.loginWindow(), QStringLiteral("login-skin%1").arg(skin));
            app.loginWindow()->按钮_取消.click();
        });
        app.showLogin();
    }
    main->组合框_皮肤.choose(0);
    app.endProgram(0);
    app.backups().finishAll();  // the copy made as the program closes
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
