// Printing at the till over a history of 200,000 orders: how long 送厨, 打印账单 and settling
// with a receipt hold the person, and how long a ticket takes to reach a network printer on
// this machine. Medians over twenty rounds, the scripted desktop, the real file.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "checkout/checkout_window.h"
#include "data/data_context.h"
#include "ordering/order_window.h"
#include "printing/print_queue.h"
#include "shell/app.h"
#include "shell/login_window.h"
#include "support/scripted_desktop.h"
#include "support/temp_db.h"

using namespace tablora;
using Clock = std::chrono::steady_clock;

namespace {

// A network receipt printer on 127.0.0.1 that notes when each job has arrived whole.
class Printer {
  public:
    Printer() {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listen, 8);
        socklen_t size = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &size);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] {
            for (int fd; (fd = ::accept(m_listen, nullptr, nullptr)) >= 0;) {
                char buffer[4096];
                while (::read(fd, buffer, sizeof buffer) > 0) {
                }
                m_arrived = Clock::now().time_since_epoch().count();
                ::close(fd);
            }
        });
    }
    ~Printer() {
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        m_thread.join();
    }
    std::string connection() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }
    // Waits for the next job and gives the time it arrived.
    Clock::time_point next(Clock::rep after) {
        while (m_arrived.load() <= after)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        return Clock::time_point(Clock::duration(m_arrived.load()));
    }

  private:
    int m_listen = -1, m_port = 0;
    std::thread m_thread;
    std::atomic<Clock::rep> m_arrived{0};
};

double ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int orders = argc > 1 ? std::atoi(argv[1]) : 200'000;
    test::TempDir dir;
    const std::string path = dir.path("cysj.db");
    data::createDemoDatabase(path, "经理", "888888");
    data::addHistory(path, orders, {2026, 12, 8, 0, 0, 0});
    Printer kitchen, desk;
    test::execSql(path, "INSERT INTO 打印机 VALUES ('厨房', '" + kitchen.connection() +
                            "', 80, '厨房', '');"
                            "INSERT INTO 打印机 VALUES ('前台', '" +
                            desk.connection() + "', 58, '账单', '')");

    test::ScriptedDesktop desktop;
    desktop.clock = {2026, 12, 9, 18, 0, 0};
    desktop.modalScripts.push_back([](ui::Window& w) {
        auto& login = static_cast<shell::LoginWindow&>(w);
        login.编辑框_密码.type("888888");
        login.按钮_登录.click();
    });
    shell::App app(desktop, path);
    app.start();
    app.openOrderWindow();
    app.openCheckoutWindow();
    auto& order = *app.orderWindow();
    auto& cash = *app.checkoutWindow();
    std::map<std::string, std::vector<double>> times;
    const auto timed = [&](const std::string& what, const std::function<void()>& act,
                           Printer* printer) {
        const auto t0 = Clock::now();
        act();
        const auto t1 = Clock::now();
        times[what].push_back(ms(t0, t1));
        if (printer)
            times[what + ": ticket at the printer"].push_back(
                ms(t0, printer->next(t0.time_since_epoch().count())));
        app.printQueue().finishAll();
    };
    for (int round = 0; round < 20; ++round) {
        order.组合框_餐台.choose(round % order.组合框_餐台.itemCount());
        order.组合框_人数.type("4");
        order.按钮_开台.click();
        desktop.clock.minute = (desktop.clock.minute + 1) % 60;
        order.卷帘式菜单_点菜.clickItem(1, round % order.卷帘式菜单_点菜.itemCount(1));
        order.卷帘式菜单_点菜.clickItem(1, (round + 1) % order.卷帘式菜单_点菜.itemCount(1));
        timed(
            "送厨", [&] { order.按钮_送厨.click(); }, &kitchen);
        int row = 0;
        while (row < cash.超级列表框_流水.rowCount() &&
               cash.超级列表框_流水.cell(row, 1) != order.标签_单号.text())
            ++row;
        cash.超级列表框_流水.selectRow(row);
        timed(
            "打印账单", [&] { cash.按钮_打印账单.click(); }, &desk);
        cash.编辑框_金额.type("1000");
        timed(
            "结账 with its receipt", [&] { cash.按钮_结账.click(); }, &desk);
    }
    std::printf("%d orders: median ms over 20 rounds\n", orders);
    for (auto& [what, list] : times) {
        std::sort(list.begin(), list.end());
        std::printf("%-45s %8.2f\n", what.c_str(), list[list.size() / 2]);
    }
    return 0;
}
