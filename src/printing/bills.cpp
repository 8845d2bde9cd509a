#include "printing/bills.h"

#include <algorithm>
#include <filesystem>

#include "backup/backup_service.h"
#include "core/app_context.h"
#include "data/sqlite_db.h"
#include "data/sqlite_table.h"
#include "printing/print_queue.h"
#include "printing/transport.h"
#include "util/date_time.h"

namespace tablora::printing {
namespace {

// A job is written to the file before it is sent and removed once printed: a failure, a crash
// or closing the program mid-send leaves it there to be printed again when a person asks,
// never by itself.
std::int64_t keepJob(data::SqliteDB& database, const PrintJob& job, const std::string& time) {
    data::SqliteTable jobs;
    if (!jobs.open("打印任务", database) || !jobs.addNew()) return 0;
    jobs.write("打印机", job.printer);
    jobs.write("连接", job.connection);
    jobs.write("内容", data::Bytes(job.bytes.begin(), job.bytes.end()));
    jobs.write("说明", job.what);
    jobs.write("时间", time);
    if (!jobs.update()) return 0;
    jobs.moveTo(jobs.recordCount());
    return jobs.rowid();
}

void forgetJob(data::SqliteDB& database, std::int64_t rowid) {
    data::SqliteTable jobs;
    if (rowid != 0 && jobs.open("打印任务", database) && jobs.moveToRowid(rowid))
        jobs.deleteCurrent();
}

}  // namespace

PrintJob ticketJob(std::string printer, std::string connection, Ticket& ticket, std::string what) {
    PrintJob job{std::move(printer), std::move(connection), {}, std::move(what)};
    job.paperMm = ticket.paperMm();
    job.columns = ticket.columns();
    if (job.connection.rfind("system:", 0) != 0) {
        job.bytes = ticket.escPos();
        return job;
    }
    job.drawn = ticket.lines();
    // Kept as text: the paper, then a line each, its first byte telling bold, big, centred.
    job.bytes = std::to_string(job.paperMm) + " " + std::to_string(job.columns) + "\n";
    for (const auto& line : job.drawn) {
        job.bytes += static_cast<char>('0' + (line.bold ? 1 : 0) + (line.big ? 2 : 0) +
                                       (line.centred ? 4 : 0));
        job.bytes += line.text + "\n";
    }
    return job;
}

PrintJob keptJob(std::string printer, std::string connection, std::string stored,
                 std::string what) {
    PrintJob job{std::move(printer), std::move(connection), std::move(stored), std::move(what)};
    if (job.connection.rfind("system:", 0) != 0) return job;
    size_t at = job.bytes.find('\n');
    if (at == std::string::npos) return job;
    job.paperMm = std::atoi(job.bytes.c_str()) >= 80 ? 80 : 58;
    job.columns = job.paperMm == 80 ? 48 : 32;
    while (++at < job.bytes.size()) {
        const size_t end = job.bytes.find('\n', at);
        const int flags = job.bytes[at] - '0';
        job.drawn.push_back({job.bytes.substr(at + 1, end - at - 1), (flags & 1) != 0,
                             (flags & 2) != 0, (flags & 4) != 0});
        if (end == std::string::npos) break;
        at = end;
    }
    return job;
}

bool readPrinters(data::SqliteDB& database, std::vector<Printer>& printers) {
    printers.clear();
    data::SqliteTable table;
    if (!table.open("打印机", database)) return false;
    for (bool more = table.moveFirst(); more; more = table.skip()) {
        Printer p;
        p.name = table.readText("名称");
        p.connection = table.readText("连接");
        p.paperMm = table.readInt("纸宽") == 58 ? 58 : 80;
        p.use = table.readText("用途");
        p.categories = table.readText("分类");
        printers.push_back(std::move(p));
    }
    return !table.readFailed();
}

ShopText readShopText(data::SqliteDB& database) {
    ShopText shop;
    data::SqliteTable table;
    if (table.open("打印设置", database) && table.moveFirst()) {
        shop.name = table.readText("店名");
        shop.footer = table.readText("页脚");
    }
    return shop;
}

Ticket billTicket(int paperMm, const ShopText& shop, const BillOrder& order,
                  const Settlement* settled) {
    Ticket t(paperMm);
    if (!shop.name.empty()) t.title(shop.name);
    t.title(settled ? "结账单" : "预结单");
    t.text("单号：" + order.number);
    t.pair("台号：" + order.table, "人数：" + order.guests);
    t.text("开台时间：" + order.opened);
    t.rule();
    t.dish("菜品", "数量", "单价", "金额", true);
    long long dishes = 0;
    for (const BillLine& line : order.lines) {
        t.dish(line.dish, line.quantity, line.price, line.amount);
        dishes += std::atoll(line.quantity.c_str());
    }
    for (const std::string& v : order.voids) t.text("退菜：" + v);
    t.rule();
    t.pair("菜品总数：", std::to_string(dishes));
    if (order.adjustments.empty()) {
        t.pair("总金额：", order.amount + "元");
    } else {
        t.pair("菜品金额：", order.amount + "元");
        for (const auto& [text, amount] : order.adjustments) t.pair(text, std::to_string(amount));
        t.pair("应收：", order.due + "元");
    }
    if (settled) {
        for (const auto& [method, amount] : settled->payments)
            t.pair(method + "：", std::to_string(amount) + "元");
        if (settled->payments.empty()) t.pair("实收：", settled->received + "元");
        t.pair("找零：", settled->change + "元");
        t.text("结账时间：" + settled->time);
        t.text("收银员：" + settled->cashier);
        if (!settled->remark.empty()) t.text("备注：" + settled->remark);
        if (!shop.footer.empty()) {
            t.rule();
            t.text(shop.footer);
        }
    }
    return t;
}

namespace {

// The ticket made for the bill printer (the first for "账单") and kept; false only when there
// is one and the job could not be kept.
bool keepOnBillPrinter(core::AppContext& app,
                       const std::function<Ticket(int paperMm, const ShopText& shop)>& make,
                       const std::string& what, KeptBill& bill) {
    auto& database = app.data().database;
    std::vector<Printer> printers;
    readPrinters(database, printers);
    const Printer* billPrinter = nullptr;
    for (const Printer& p : printers)
        if (p.use == "账单" && !billPrinter) billPrinter = &p;
    if (!billPrinter) return true;
    Ticket ticket = make(billPrinter->paperMm, readShopText(database));
    return keepTicket(app, *billPrinter, ticket, what, bill);
}

}  // namespace

bool keepTicket(core::AppContext& app, const Printer& printer, Ticket& ticket,
                const std::string& what, KeptBill& kept) {
    kept.job = ticketJob(printer.name, printer.connection, ticket, what);
    kept.kept = keepJob(app.data().database, *kept.job, util::dateText(app.desktop().now()));
    return kept.kept != 0;
}

bool keepBill(core::AppContext& app, const BillOrder& order, const Settlement* settled,
              KeptBill& bill) {
    return keepOnBillPrinter(
        app,
        [&](int paperMm, const ShopText& shop) {
            return billTicket(paperMm, shop, order, settled);
        },
        std::string(settled ? "结账单 " : "预结单 ") + order.number, bill);
}

void sendKeptBill(core::AppContext& app, KeptBill bill) {
    if (bill.job) sendJob(app, std::move(*bill.job), bill.kept);
}

// Sends a kept bill at once; false when there was no bill printer to keep it for.
static bool sendNow(core::AppContext& app, KeptBill bill) {
    const bool printer = bill.job.has_value();
    sendKeptBill(app, std::move(bill));
    return printer;
}

bool printBill(core::AppContext& app, const BillOrder& order, const Settlement* settled) {
    KeptBill bill;
    keepBill(app, order, settled, bill);
    return sendNow(app, std::move(bill));
}

bool printOnBillPrinter(core::AppContext& app,
                        const std::function<Ticket(int paperMm, const ShopText& shop)>& make,
                        const std::string& what) {
    KeptBill bill;
    keepOnBillPrinter(app, make, what, bill);
    return sendNow(app, std::move(bill));
}

bool namesDataFile(core::AppContext& app, const std::string& connection) {
    namespace fs = std::filesystem;
    const std::string file = connectionFile(connection);
    if (file.empty()) return false;
    std::error_code error;
    // Paths compared as the system resolves them: links, "..", a folder named twice.
    const auto resolved = [&error](const fs::path& p) { return fs::weakly_canonical(p, error); };
    const fs::path target = resolved(file);
    const std::string database = resolved(app.data().databasePath()).string();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        if (target == fs::path(database + suffix)) return true;
    for (const std::string& folder : app.backups().folders()) {
        const fs::path kept = resolved(folder);
        if (kept.empty()) continue;
        auto [end, at] = std::mismatch(kept.begin(), kept.end(), target.begin(), target.end());
        if (end == kept.end()) return true;
    }
    return false;
}

void sendJob(core::AppContext& app, PrintJob job, std::int64_t kept,
             std::function<void(bool printed)> after) {
    // A printer set up before such paths were refused, or changed in the file by hand.
    if (namesDataFile(app, job.connection)) job.connection.clear();
    app.printQueue().submit(std::move(job), [&app, kept, after = std::move(after)](
                                                const PrintJob& done, bool printed) {
        if (printed)
            forgetJob(app.data().database, kept);
        else
            app.message("打印机“" + done.printer + "”打印失败，请检查！", ui::Icon::Exclamation);
        if (after) after(printed);
    });
}

}  // namespace tablora::printing
