// Tickets laid out to the paper, sent to a fake network printer and to files, from the cash desk.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "printing/bills.h"
#include "printing/print_queue.h"
#include "printing/printer_settings_window.h"
#include "printing/transport.h"
#include "shell/main_window.h"
#include "support/app_fixture.h"
#include "util/gbk.h"

using namespace tablora;
using namespace tablora::printing;
using test::AppTest;

namespace {

// A receipt printer on 127.0.0.1: reads each job to its end, then closes, as real ones do;
// or (`reads` false) accepts and never reads.
class FakePrinter {
  public:
    explicit FakePrinter(bool reads = true) {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listen, 4);
        socklen_t size = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &size);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this, reads] {
            for (;;) {
                const int fd = ::accept(m_listen, nullptr, nullptr);
                if (fd < 0) return;
                if (!reads) {
                    m_held.push_back(fd);
                    ++m_accepted;
                    continue;
                }
                std::string job;
                char buffer[4096];
                ssize_t n;
                while ((n = ::read(fd, buffer, sizeof buffer)) > 0) job.append(buffer, n);
                {
                    // Kept before closing: the sender counts the job printed once closed.
                    std::lock_guard lock(m_mutex);
                    m_jobs.push_back(job);
                }
                ::close(fd);
            }
        });
    }
    ~FakePrinter() {
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        m_thread.join();
        for (int fd : m_held) ::close(fd);
    }
    std::string connection() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }
    int accepted() const { return m_accepted; }
    std::vector<std::string> jobs() {
        std::lock_guard lock(m_mutex);
        return m_jobs;
    }

  private:
    int m_listen = -1, m_port = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::string> m_jobs;
    std::vector<int> m_held;
    std::atomic<int> m_accepted = 0;
};

// A port nothing listens on.
std::string closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return "tcp://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
}

std::string texts(const Ticket& t) {
    std::string out;
    for (const auto& line : t.lines()) out += line.text + "\n";
    return out;
}

BillOrder sampleOrder() {
    return {"20250307140509",
            "大厅1号",
            "4",
            "2025年3月7日14时5分9秒",
            "1234567",
            {{"宫保鸡丁", "28", "3", "84"},
             {"秘制酱香慢炖东坡肘子配时令蔬菜😀", "168", "1", "168"},
             {"米饭", "2", "999", "1998"},
             {"鲍鱼", "1234567", "1", "1234567"}}};
}

}  // namespace

TEST(Ticket, ABillLinesUpItsColumnsOn58And80MillimetrePaper) {
    const Settlement paid{"1240000", "5433", "2025年3月7日15时", "经理", "开发票"};
    Ticket narrow = billTicket(58, {"好味小馆", "谢谢惠顾"}, sampleOrder(), &paid);
    EXPECT_EQ(texts(narrow),
              "好味小馆\n"
              "结账单\n"
              "单号：20250307140509\n"
              "台号：大厅1号            人数：4\n"
              "开台时间：2025年3月7日14时5分9秒\n"
              "--------------------------------\n"
              "菜品       数量    单价     金额\n"
              "宫保鸡丁      3      28       84\n"
              "秘制酱香慢    1     168      168\n"
              "炖东坡肘子\n"
              "配时令蔬菜\n"
              "?\n"  // 😀 is in no GBK: the drawn copy shows what prints, one column
              "米饭        999       2     1998\n"
              "鲍鱼          1 1234567  1234567\n"
              "--------------------------------\n"
              "菜品总数：                  1004\n"
              "总金额：               1234567元\n"
              "实收：                 1240000元\n"
              "找零：                    5433元\n"
              "结账时间：2025年3月7日15时\n"
              "收银员：经理\n"
              "备注：开发票\n"
              "--------------------------------\n"
              "谢谢惠顾\n");
    // Every line fits the paper at the size it prints.
    Columns columns;
    for (const auto& line : narrow.lines())
        EXPECT_LE(columns.width(line.text) * (line.big ? 2 : 1), 32) << line.text;

    Ticket wide = billTicket(80, {}, sampleOrder(), nullptr);
    const std::string wideText = texts(wide);
    EXPECT_EQ(wideText.substr(0, wideText.find("米饭")),
              "预结单\n"
              "单号：20250307140509\n"
              "台号：大厅1号                            人数：4\n"
              "开台时间：2025年3月7日14时5分9秒\n"
              "------------------------------------------------\n"
              "菜品                       数量    单价     金额\n"
              "宫保鸡丁                      3      28       84\n"
              "秘制酱香慢炖东坡肘子配时令    1     168      168\n"
              "蔬菜?\n");
    EXPECT_EQ(wideText.find("实收"), std::string::npos);
}

// Numbers up to what the file holds never push past the paper: they take a line of their own.
TEST(Ticket, NumbersTooWideForTheirColumnsTakeALineOfTheirOwn) {
    BillOrder order = sampleOrder();
    order.lines = {{"鲍鱼", "2147483647", "2147483647", "2147483647"}};
    for (int paper : {58, 80}) {
        const Ticket t = billTicket(paper, {}, order, nullptr);
        const std::string text = texts(t);
        const std::string numbers = "2147483647 2147483647 2147483647\n";
        EXPECT_NE(text.find("\n鲍鱼\n" + std::string(paper == 58 ? 0 : 16, ' ') + numbers),
                  std::string::npos)
            << text;
        Columns columns;
        for (const auto& line : t.lines())
            EXPECT_LE(columns.width(line.text), t.columns()) << line.text;
    }
}

TEST(Ticket, TheBytesAreTheReceiptPrintersLanguageWithGbkText) {
    Ticket t(58);
    t.title("结账单");
    t.text("A&B");
    t.bigDish("宫保鸡丁", "2");
    const std::string bytes = t.escPos();
    EXPECT_EQ(bytes.substr(0, 4), "\x1b\x40\x1c\x26");  // initialise, Chinese mode
    // The title: centred, bold, double size, in GBK.
    EXPECT_NE(bytes.find(std::string("\x1b\x61\x01\x1b\x45\x01\x1d\x21\x11\x1c\x21\x0c"
                                     "\xbd\xe1\xd5\xcb\xb5\xa5\n",
                                     19)),
              std::string::npos);
    EXPECT_NE(bytes.find(std::string("\x1d\x21\x00\x1c\x21\x00"
                                     "A&B\n",
                                     10)),
              std::string::npos);
    EXPECT_EQ(t.lines()[2].text, "宫保鸡丁     ×2");  // 16 columns at double width
    // "€" is one byte (0x80) in the code page, which a receipt printer does not print.
    Ticket euro(58);
    euro.text("€5");
    EXPECT_EQ(euro.lines()[0].text, "?5");
    EXPECT_EQ(euro.escPos().find('\x80'), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 7), std::string("\x1b\x64\x04\x1d\x56\x42\x00", 7));
}

TEST(Transport, ANetworkPrinterGetsEveryByteAndFailuresAreTold) {
    FakePrinter printer;
    const std::string job(100000, 'x');  // more than one socket buffer
    EXPECT_TRUE(sendToPrinter(printer.connection(), job));
    EXPECT_EQ(printer.jobs(), std::vector<std::string>{job});

    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(sendToPrinter(closedPort(), "x"));
    EXPECT_FALSE(sendToPrinter("lpt1", "x"));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_FALSE(sendToPrinter("tcp://no-such-host.invalid:9100", "x"));
    // No print server runs here: a CUPS queue is a failed job, not a hang.
    EXPECT_FALSE(sendToPrinter("cups:no-such-queue", "x"));

    // One busy past the wait has the whole ticket once it acknowledged every byte: it prints,
    // so it is sent. One that takes no more bytes is given up after about three seconds.
    FakePrinter busy(false);
    EXPECT_TRUE(sendToPrinter(busy.connection(), "x"));
    const auto t1 = std::chrono::steady_clock::now();
    EXPECT_FALSE(sendToPrinter(busy.connection(), std::string(64 << 20, 'x')));
    EXPECT_LT(std::chrono::steady_clock::now() - t1, std::chrono::seconds(8));
}

TEST(Transport, AFileIsAppendedToAndAMissingDeviceIsAFailure) {
    test::TempDir dir;
    const std::string path = dir.path("ticket.bin");
    EXPECT_TRUE(sendToPrinter("file:" + path, "ab"));
    EXPECT_TRUE(sendToPrinter("file:" + path, "cd"));
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "abcd");
    EXPECT_FALSE(sendToPrinter("file:/dev/usb/lp-none", "x"));
    EXPECT_FALSE(sendToPrinter("file:" + dir.path("no/such/folder/t.bin"), "x"));
}

namespace {

class CashDeskPrintingTest : public AppTest {
  protected:
    void SetUp() override {
        start();
        ASSERT_EQ(openTable("大厅1号", "4"), "开台成功！");
        addDish("热菜", "宫保鸡丁/28元");
    }
    void bill(int row = 0) { checkout().超级列表框_流水.selectRow(row); }
    void printers(const std::string& connection) {
        exec(
            "INSERT INTO 打印机 VALUES ('厨房', 'file:/dev/null', 80, '厨房', '');"
            "INSERT INTO 打印机 VALUES ('前台', '" +
            connection + "', 58, '账单', '')");
    }
};

}  // namespace

TEST_F(CashDeskPrintingTest, APreBillAndAReceiptGoToTheBillPrinter) {
    checkout().按钮_打印账单.click();
    EXPECT_EQ(lastMessage().text, "请选择要结账的台号！");
    bill();
    checkout().按钮_打印账单.click();
    EXPECT_EQ(lastMessage().text, "没有设置账单打印机！");

    FakePrinter printer;
    printers(printer.connection());
    exec("INSERT INTO 打印设置 VALUES ('好味小馆', '谢谢惠顾')");
    const size_t before = desktop.messages.size();
    checkout().按钮_打印账单.click();
    app->printQueue().finishAll();
    EXPECT_EQ(desktop.messages.size(), before);  // printed quietly
    ASSERT_EQ(printer.jobs().size(), 1u);
    EXPECT_NE(printer.jobs()[0].find(std::string("\xd4\xa4\xbd\xe1\xb5\xa5", 6)),
              std::string::npos);  // 预结单 in GBK

    checkout().编辑框_金额.type("30");
    checkout().按钮_结账.click();
    app->printQueue().finishAll();
    EXPECT_EQ(lastMessage().text, "结账成功！");
    ASSERT_EQ(printer.jobs().size(), 2u);
    EXPECT_NE(printer.jobs()[1].find(std::string("\xbd\xe1\xd5\xcb\xb5\xa5", 6)),
              std::string::npos);                                       // 结账单
    EXPECT_NE(printer.jobs()[1].find("2\xd4\xaa"), std::string::npos);  // 找零 2元
    EXPECT_EQ(sql("SELECT count(*) FROM 打印任务"), "0");               // nothing left to print
}

TEST_F(CashDeskPrintingTest, TheReceiptIsTheStoredOrderAndIsKeptWithTheSale) {
    FakePrinter printer;
    printers(printer.connection());
    bill();
    // Another till adds a dish after the cash desk showed the order at 28.
    const std::string number = sql("SELECT 单号 FROM 流水");
    exec("INSERT INTO 明细 VALUES ('" + number +
         "','米饭',2,1,2,'主食');"
         "UPDATE 流水 SET 金额 = 30");
    checkout().按钮_打印账单.click();
    app->printQueue().finishAll();
    ASSERT_EQ(printer.jobs().size(), 1u);
    EXPECT_NE(printer.jobs()[0].find(util::toGbk("米饭")), std::string::npos);
    // While "结账成功！" is on screen (a kill then), the receipt is already kept in the file.
    std::string keptWhenSaid;
    desktop.log = [&](const std::string& line) {
        if (line.find("结账成功！") != std::string::npos)
            keptWhenSaid = sql("SELECT count(*) FROM 打印任务");
    };
    checkout().编辑框_金额.type("100");
    checkout().按钮_结账.click();
    desktop.log = nullptr;
    EXPECT_EQ(keptWhenSaid, "1");
    app->printQueue().finishAll();
    ASSERT_EQ(printer.jobs().size(), 2u);
    // 总金额 30 and 找零 70, as the payment row says.
    EXPECT_EQ(sql("SELECT 找零 FROM 结账"), "70");
    EXPECT_NE(printer.jobs()[1].find(util::toGbk("30元")), std::string::npos);
    EXPECT_NE(printer.jobs()[1].find(util::toGbk("70元")), std::string::npos);
    EXPECT_EQ(sql("SELECT count(*) FROM 打印任务"), "0");
}

TEST_F(CashDeskPrintingTest, AFailedReceiptIsToldAfterTheSaleAndKept) {
    printers(closedPort());
    bill();
    checkout().编辑框_金额.type("30");
    checkout().按钮_结账.click();
    EXPECT_EQ(sql("SELECT 状态 FROM 流水"), "1");  // the sale does not wait for the printer
    app->printQueue().finishAll();
    ASSERT_GE(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[desktop.messages.size() - 2].text, "结账成功！");
    EXPECT_EQ(lastMessage().text, "打印机“前台”打印失败，请检查！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
    EXPECT_EQ(sql("SELECT 打印机 || ' ' || 说明 || ' ' || (length(内容) > 100) FROM 打印任务"),
              "前台 结账单 " + sql("SELECT 单号 FROM 流水") + " 1");
}

namespace {

class PrinterSettingsTest : public AppTest {
  protected:
    void SetUp() override { start(); }
    void inPrinterSettings(const std::function<void(PrinterSettingsWindow&)>& act) {
        desktop.modalScripts.push_back([act](ui::Window& w) {
            auto& s = static_cast<PrinterSettingsWindow&>(w);
            act(s);
            s.destroy();
        });
        desktop.menuChoices.push_back("打印设置");
        main().工具条1.clickItem(shell::MainWindow::kSettings);
    }
};

}  // namespace

TEST_F(PrinterSettingsTest, PrintersAreKeptChangedAndTestedAndKeptJobsPrintedAgain) {
    FakePrinter printer;
    inPrinterSettings([&](PrinterSettingsWindow& w) {
        EXPECT_EQ(w.caption(), "打印设置");
        w.按钮_添加.click();
        EXPECT_EQ(lastMessage().text, "请填写打印机名称！");
        w.编辑框_名称.type("前台");
        w.编辑框_连接.type("lpt1");
        w.按钮_添加.click();
        EXPECT_EQ(lastMessage().text,
                  "连接格式不正确，请填写 tcp://地址:端口、file:路径、cups:队列 或 system:队列！");
        w.编辑框_连接.type(closedPort());
        w.组合框_纸宽.choose(0);
        w.按钮_添加.click();
        EXPECT_EQ(lastMessage().text, "添加成功！");
        ASSERT_EQ(w.超级列表框_打印机.rowCount(), 1);
        EXPECT_EQ(w.超级列表框_打印机.row(0),
                  (std::vector<std::string>{"前台", w.编辑框_连接.text(), "58", "账单", ""}));

        // A receipt that failed is kept; once the printer is moved it prints again.
        w.编辑框_店名.type("好味小馆");
        w.按钮_保存.click();
        EXPECT_EQ(lastMessage().text, "保存成功！");
    });
    EXPECT_EQ(sql("SELECT 店名 FROM 打印设置"), "好味小馆");
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    addDish("热菜", "宫保鸡丁/28元");
    checkout().超级列表框_流水.selectRow(0);
    checkout().按钮_打印账单.click();
    app->printQueue().finishAll();
    EXPECT_EQ(lastMessage().text, "打印机“前台”打印失败，请检查！");
    ASSERT_EQ(sql("SELECT count(*) FROM 打印任务"), "1");

    inPrinterSettings([&](PrinterSettingsWindow& w) {
        ASSERT_EQ(w.超级列表框_任务.rowCount(), 1);
        EXPECT_EQ(w.超级列表框_任务.cell(0, 1), "前台");
        w.超级列表框_打印机.selectRow(0);
        EXPECT_EQ(w.编辑框_名称.text(), "前台");
        w.编辑框_连接.type(printer.connection());
        w.按钮_修改.click();
        EXPECT_EQ(lastMessage().text, "修改成功！");
        w.按钮_测试打印.click();
        app->printQueue().finishAll();
        EXPECT_EQ(lastMessage().text, "测试打印成功！");
        w.超级列表框_任务.selectRow(0);
        w.按钮_重新打印.click();
        app->printQueue().finishAll();
        EXPECT_EQ(w.超级列表框_任务.rowCount(), 0);
    });
    EXPECT_EQ(sql("SELECT count(*) FROM 打印任务"), "0");
    ASSERT_EQ(printer.jobs().size(), 2u);  // the test ticket, then the bill
    EXPECT_NE(printer.jobs()[1].find(std::string("\xba\xc3\xce\xb6", 4)),
              std::string::npos);  // 好味 in GBK: the shop's name

    // Deleting reaches the listed printer only; a user without 设置餐台 changes nothing.
    inPrinterSettings([&](PrinterSettingsWindow& w) {
        w.按钮_删除.click();
        EXPECT_EQ(lastMessage().text, "请选择要操作的打印机！");
        w.超级列表框_打印机.selectRow(0);
        w.按钮_删除.click();
        EXPECT_EQ(lastMessage().text, "删除成功！");
        EXPECT_EQ(w.超级列表框_打印机.rowCount(), 0);
    });
    exec("UPDATE 用户 SET 设置餐台 = 0");
    switchUser("经理", "888888");
    auto& menu = main().工具菜单;
    EXPECT_FALSE(menu.entryEnabled(menu.indexOf("打印设置")));
}

TEST_F(PrinterSettingsTest, NoPrinterMayWriteIntoTheDataOrItsCopiesAndBillsStayTheCashDesks) {
    const std::string backups = dir.path("备份");
    inPrinterSettings([&](PrinterSettingsWindow& w) {
        w.编辑框_名称.type("前台");
        for (const std::string& connection :
             {"file:" + db, "system:pdf:" + db + "-wal", "file:" + dir.path("./cysj.db-shm"),
              "file:" + db + "-journal", "system:pdf:" + backups + "/x.pdf", "file:" + backups}) {
            w.编辑框_连接.type(connection);
            w.按钮_添加.click();
            EXPECT_EQ(lastMessage().text, "不能打印到数据文件，请检查！") << connection;
            w.按钮_测试打印.click();
            EXPECT_EQ(lastMessage().text, "不能打印到数据文件，请检查！") << connection;
        }
        w.编辑框_连接.type("tcp://127.0.0.1:70000");
        w.按钮_添加.click();
        EXPECT_EQ(lastMessage().text,
                  "连接格式不正确，请填写 tcp://地址:端口、file:路径、cups:队列 或 system:队列！");
        EXPECT_EQ(w.超级列表框_打印机.rowCount(), 0);
    });
    // One put in the file by hand is not written to either: the job fails and is kept.
    const auto size = std::filesystem::file_size(db);
    exec("INSERT INTO 打印机 VALUES ('前台', 'file:" + db + "', 80, '账单', '')");
    ASSERT_EQ(openTable("大厅1号", "2"), "开台成功！");
    checkout().超级列表框_流水.selectRow(0);
    checkout().按钮_打印账单.click();
    app->printQueue().finishAll();
    EXPECT_EQ(lastMessage().text, "打印机“前台”打印失败，请检查！");
    EXPECT_EQ(std::filesystem::file_size(db), size);
    EXPECT_EQ(sql("PRAGMA integrity_check"), "ok");
    // A kept bill is printed again only by someone who may settle bills.
    addUser("管理", "1", "0000000100");
    switchUser("管理", "1");
    exec("INSERT INTO 打印机 VALUES ('热厨', 'file:/dev/null', 80, '厨房', '热菜|汤羹|主食')");
    inPrinterSettings([&](PrinterSettingsWindow& w) {
        // Dishes that would print nowhere are named; Esc closes the window.
        EXPECT_EQ(w.标签_未送厨分类.text(), "没有厨房打印机的分类：凉菜、酒水");
        w.超级列表框_任务.selectRow(0);
        w.按钮_重新打印.click();
        EXPECT_EQ(lastMessage().text, "没有结账权限，不能重新打印账单！");
        EXPECT_EQ(w.超级列表框_任务.rowCount(), 1);
        w.pressKey(ui::Window::kEscape);
        EXPECT_TRUE(w.destroyed());
    });
}

namespace {

class KitchenTest : public AppTest {
  protected:
    void SetUp() override { start(); }
    std::string waiting() { return order().标签_待送厨.text(); }
    static bool holds(const std::string& job, const std::string& utf8) {
        return job.find(util::toGbk(utf8)) != std::string::npos;
    }
};

}  // namespace

TEST_F(KitchenTest, EachKitchenGetsItsDishesOnceAndOnlyWhatChangedAfterwards) {
    ASSERT_EQ(openTable("大厅1号", "4"), "开台成功！");
    order().按钮_送厨.click();
    EXPECT_EQ(lastMessage().text, "没有设置厨房打印机！");
    EXPECT_EQ(waiting(), "");

    FakePrinter hot, pastry;
    exec("INSERT INTO 打印机 VALUES ('热厨', '" + hot.connection() +
         "', 80, '厨房', '热菜|汤羹');"
         "INSERT INTO 打印机 VALUES ('面点', '" +
         pastry.connection() +
         "', 58, '厨房', '主食');"
         "INSERT INTO 打印机 VALUES ('前台', 'file:/dev/null', 58, '账单', '')");
    addDish("热菜", "宫保鸡丁/28元");
    addDish("汤羹", "酸辣汤/18元");
    addDish("主食", "米饭/2元");
    addDish("酒水", "可乐/5元");  // no kitchen takes drinks: sent nowhere, counted as sent
    EXPECT_EQ(waiting(), "待送厨：4");
    order().按钮_送厨.click();
    // While the tickets are on their way, their dishes are not offered again.
    EXPECT_EQ(waiting(), "待送厨：0");
    order().按钮_送厨.click();
    EXPECT_EQ(lastMessage().text, "没有需要送厨的菜品！");
    app->printQueue().finishAll();
    EXPECT_EQ(waiting(), "待送厨：0");
    ASSERT_EQ(hot.jobs().size(), 1u);
    ASSERT_EQ(pastry.jobs().size(), 1u);
    for (const char* text :
         {"厨房单", "宫保鸡丁", "酸辣汤", "台号：大厅1号", "人数：4", "点菜员：经理"})
        EXPECT_TRUE(holds(hot.jobs()[0], text)) << text;
    EXPECT_FALSE(holds(hot.jobs()[0], "米饭"));
    EXPECT_TRUE(holds(pastry.jobs()[0], "米饭"));
    EXPECT_FALSE(holds(pastry.jobs()[0], "可乐"));

    // More of one dish: only the difference goes, to the kitchen concerned. A sent dish is
    // not simply deleted (a void is).
    order().超级列表框_点菜.selectRow(0);
    order().按钮_数量加.click();
    order().超级列表框_点菜.selectRow(1);
    order().按钮_删除.click();
    EXPECT_EQ(lastMessage().text, "该菜品已送厨1份，减少请使用‘退菜’！");
    EXPECT_EQ(waiting(), "待送厨：1");
    order().按钮_送厨.click();
    app->printQueue().finishAll();
    ASSERT_EQ(hot.jobs().size(), 2u);
    EXPECT_EQ(pastry.jobs().size(), 1u);
    EXPECT_TRUE(holds(hot.jobs()[1], "加菜"));
    EXPECT_FALSE(holds(hot.jobs()[1], "退菜"));
    EXPECT_FALSE(holds(hot.jobs()[1], "厨房单"));
    order().按钮_送厨.click();
    EXPECT_EQ(lastMessage().text, "没有需要送厨的菜品！");

    // Another table has its own count; switching back shows this one's.
    ASSERT_EQ(openTable("大厅2号", "2"), "开台成功！");
    addDish("主食", "米饭/2元");
    EXPECT_EQ(waiting(), "待送厨：1");
    order().组合框_切换.choose(0);
    order().按钮_切换.click();
    EXPECT_EQ(order().标签_当前操作.text(), "大厅1号");
    EXPECT_EQ(waiting(), "待送厨：0");
}

TEST_F(KitchenTest, AFailedTicketLeavesItsDishesWaitingAcrossARestart) {
    FakePrinter hot;
    exec("INSERT INTO 打印机 VALUES ('热厨', '" + closedPort() + "', 80, '厨房', '')");
    ASSERT_EQ(openTable("大厅1号", "4"), "开台成功！");
    addDish("热菜", "宫保鸡丁/28元");
    order().按钮_送厨.click();
    app->printQueue().finishAll();
    EXPECT_EQ(lastMessage().text, "打印机“热厨”打印失败，请检查！");
    EXPECT_EQ(waiting(), "待送厨：1");
    EXPECT_EQ(sql("SELECT count(*) FROM 送厨记录"), "0");

    // The program closes and starts again; the dish still waits and goes as the first ticket.
    exec("UPDATE 打印机 SET 连接 = '" + hot.connection() + "'");
    app.reset();
    start();
    order().组合框_切换.choose(0);
    order().按钮_切换.click();
    EXPECT_EQ(waiting(), "待送厨：1");
    order().按钮_送厨.click();
    app->printQueue().finishAll();
    ASSERT_EQ(hot.jobs().size(), 1u);
    EXPECT_TRUE(holds(hot.jobs()[0], "厨房单"));
    EXPECT_EQ(sql("SELECT 菜品 || '×' || 数量 FROM 送厨记录"), "宫保鸡丁×1");
}

TEST_F(KitchenTest, ClosingWithTicketsQueuedFinishesOnlyTheOneUnderWay) {
    FakePrinter stalled(false);
    exec("INSERT INTO 打印机 VALUES ('热厨', '" + stalled.connection() + "', 80, '厨房', '')");
    for (const char* table : {"大厅1号", "大厅2号", "大厅3号"}) {
        ASSERT_EQ(openTable(table, "2"), "开台成功！");
        addDish("热菜", "宫保鸡丁/28元");
        order().按钮_送厨.click();
    }
    for (int i = 0; i < 200 && stalled.accepted() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(stalled.accepted(), 1);
    // A printer that holds every ticket must not hold the exit once per ticket.
    const auto t0 = std::chrono::steady_clock::now();
    app.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(4500));
    EXPECT_EQ(stalled.accepted(), 1);
    // The ticket under way took its dish (its bytes were all handed over); the others wait.
    EXPECT_EQ(sql("SELECT group_concat(j.台号) FROM 送厨记录 s JOIN 流水 j USING (单号)"),
              "大厅1号");
    start();
    order().组合框_切换.choose(order().组合框_切换.itemCount() - 1);
    order().按钮_切换.click();
    EXPECT_EQ(waiting(), "待送厨：1");
}
